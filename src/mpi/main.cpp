// veltrano-mpi: the commands run, calibrate and uncertainty of veltrano-cli, with the
// simulations spread over the ranks of an MPI job (mpirun -np N veltrano-mpi ...). Rank 0
// opens the database, prepares the plots, hands them to the other ranks and writes the
// results; the other ranks never touch the database file.
#include "db/db_error.h"
#include "mpi/commands.h"
#include "mpi/messages.h"

#include <iostream>
#include <memory>

namespace {

int run_rank0(int argc, char** argv)
{
    using namespace vt;
    CLI::App app{"Veltrano on a cluster: run, calibrate and uncertainty spread over the ranks of an MPI job"};
    app.require_subcommand(1);
    int code = 0;
    auto run = std::make_shared<options::RunOptions>();
    auto* runCmd = app.add_subcommand("run", options::kRunDescription);
    options::add_run_options(*runCmd, *run);
    runCmd->callback([&] { code = mpi::run_command(*run); });
    auto cal = std::make_shared<options::CalibrateOptions>();
    auto* calCmd = app.add_subcommand("calibrate", options::kCalibrateDescription);
    options::add_calibrate_options(*calCmd, *cal);
    calCmd->callback([&] { code = mpi::calibrate_command(*cal); });
    auto unc = std::make_shared<options::UncertaintyOptions>();
    auto* uncCmd = app.add_subcommand("uncertainty", options::kUncertaintyDescription);
    options::add_uncertainty_options(*uncCmd, *unc);
    uncCmd->callback([&] { code = mpi::uncertainty_command(*unc); });
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const mpi::CommandError& e) {
        std::cout.flush();
        std::cerr << "error: " << e.what() << '\n';
        return e.exitCode();
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    int code = 0;
    if (vt::mpi::rank() != 0) {
        code = vt::mpi::serve();
    } else {
        code = run_rank0(argc, argv);
        vt::mpi::end_workers();
    }
    MPI_Finalize();
    return code;
}
