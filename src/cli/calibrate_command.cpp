#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/session_options.h"
#include "options/command_options.h"
#include "options/session_command.h"

#include "base/number_format.h"
#include "db/connection.h"
#include "eval/calibration.h"
#include "workbench/command_data.h"
#include "workbench/session_jobs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

using options::CalibrateOptions;
using workbench::num;

void run_undo(const CalibrateOptions& o, Context& ctx)
{
    if (!o.params.empty() || o.apply || !o.plots.empty() || !o.experiment.empty())
        throw CommandError("--undo takes only --db and the run time of an applied calibration");
    const auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Update);
    try {
        for (const auto& line : eval::undo_calibration(*c, o.undo)) ctx.out << line << '\n';
    } catch (const std::runtime_error& e) {
        throw CommandError(e.what());
    }
    ctx.out << "the calibration of " << o.undo << " is undone\n";
}

void run_calibrate(const CalibrateOptions& o, Context& ctx)
{
    if (!o.undo.empty()) return run_undo(o, ctx);
    if (o.params.empty()) throw CommandError("give the parameters to fit: --param NAME=LOW:HIGH");
    if (o.property != 7 && o.property != 0 && o.property != 5)
        throw CommandError("--property must be 7 (organic carbon), 0 (total nitrogen) or 5 (microbial carbon)");
    const auto bounds = options::parsed_parameters<CommandError>(o.params, eval::parse_parameter_bounds);
    InterruptFlag interrupt;
    const auto t0 = std::chrono::steady_clock::now();
    const auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Update);
    const workbench::CalibrationJob job{.plots = session_plots(*c, o.plots, o.experiment),
                                        .parameters = bounds,
                                        .property = o.property,
                                        .jobs = o.jobs,
                                        .maxIterations = o.maxIterations};
    workbench::SessionJobSteps steps = session_steps(ctx.out);
    steps.prepared = [&ctx, &o](std::size_t plotsWithInput, std::size_t observations) {
        ctx.out << plotsWithInput << " plots with input, " << observations << " observations of property "
                << o.property << " (outliers left out)\n";
    };
    if (ctx.errIsTerminal)
        steps.evaluated = [&ctx](int evaluations, double sse) {
            ctx.err << "\r\033[Kevaluation " << evaluations << ", sum of squares " << num(sse) << std::flush;
        };
    const engine::RunHooks hooks = session_hooks(ctx.err, interrupt.flag());
    const workbench::CalibrationOutcome outcome =
        run_session_job([&] { return workbench::run_calibration_job(*c, o.db, job, hooks, steps); });
    if (ctx.errIsTerminal) ctx.err << "\r\033[K" << std::flush;
    const eval::CalibrationResult& r = outcome.result;
    if (outcome.end == workbench::JobEnd::Stopped)
        throw CommandError("stopped after " + std::to_string(r.evaluations) + " evaluations; nothing was written", 1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    ctx.out << "fitted by least squares: " << r.pairs << " pairs, " << r.iterations << " iterations, "
            << r.evaluations << " evaluations, " << num(seconds, "%.2f") << " s"
            << (r.terminationType == 5 ? " (iteration limit reached)" : "") << '\n';
    ctx.out << workbench::calibration_summary(r);
    const std::string& runTime = outcome.runTime;
    ctx.out << "written into rux_calibration and rux_calibration_fit (run_time " << runTime << ")\n";

    if (o.apply) {
        const eval::AppliedCalibration applied = workbench::apply_calibration(*c, outcome);
        ctx.out << workbench::applied_calibration_text(applied, runTime);
        ctx.out << workbench::constants_copy_hint(r, applied);
    }
    // Exit code 3: the fit is stored, but without the plots the input check skipped.
    if (!outcome.skippedPlots.empty()) {
        ctx.out.flush();
        ctx.err << skipped_plots_text(outcome.skippedPlots);
        throw CommandError(std::to_string(outcome.skippedPlots.size()) +
                               " chosen plots skipped; the fit holds the others",
                           3);
    }
}

const Registrar reg("calibrate", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<CalibrateOptions>();
    auto* cmd = app.add_subcommand("calibrate", options::kCalibrateDescription);
    options::add_calibrate_options(*cmd, *o);
    // --undo stands alone: the parameters are then not asked for.
    cmd->get_option("--param")->required(false);
    cmd->add_option("--undo", o->undo,
                    "Put back the values an applied calibration replaced (its run_time in rux_calibration)");
    cmd->callback([o, &ctx] { run_calibrate(*o, ctx); });
});

} // namespace

} // namespace vt::cli
