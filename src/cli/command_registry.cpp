#include "cli/command_registry.h"

#include "db/db_error.h"
#include "db/output_file.h"
#include "workbench/command_data.h"
#include "workbench/database_file.h"

#include <algorithm>
#include <map>
#include <ostream>

namespace vt::cli {

namespace {
std::map<std::string, CommandSetup>& registry()
{
    static std::map<std::string, CommandSetup> r;
    return r;
}
} // namespace

Registrar::Registrar(const std::string& name, CommandSetup setup) { registry()[name] = std::move(setup); }

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    Context ctx{out, err, errIsTerminal};
    CLI::App app{"Veltrano: soil organic matter balance of arable land", "veltrano-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("veltrano-cli ") + VELTRANO_VERSION);
    for (auto& [name, setup] : registry()) setup(app, ctx);

    // CLI11 wants argv order reversed in its vector form.
    std::vector<std::string> rev(args.rbegin(), args.rend());
    try {
        app.parse(rev);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        err << "veltrano-cli: " << e.what() << '\n';
        return 2;
    } catch (const CommandError& e) {
        err << "veltrano-cli: " << e.what() << '\n';
        return e.exitCode();
    } catch (const workbench::DatabaseFileError& e) {
        err << "veltrano-cli: " << e.what() << '\n';
        return 2;
    } catch (const workbench::MissingDataError& e) {
        err << "veltrano-cli: " << e.what() << '\n';
        return 2;
    } catch (const db::OutputFileError& e) {
        err << "veltrano-cli: " << e.what() << '\n';
        return 2;
    } catch (const db::DbError& e) {
        err << "veltrano-cli: database error: " << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        err << "veltrano-cli: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

} // namespace vt::cli
