#include "cli/command_registry.h"
#include "cli/database_file.h"
#include "cli/session_options.h"

#include "base/number_format.h"
#include "db/connection.h"
#include "eval/calibration.h"
#include "workbench/session_jobs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct CalibrateOptions {
    std::string db;
    std::string plots;
    std::string experiment;
    std::vector<std::string> params;
    int property = 7;
    int jobs = 0;
    int maxIterations = 100;
    bool apply = false;
    std::string undo;  // the run time of an applied calibration to undo
};

std::string num(double v, const char* format = "%.6g")
{
    if (!std::isfinite(v)) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

void run_undo(const CalibrateOptions& o, Context& ctx)
{
    if (!o.params.empty() || o.apply || !o.plots.empty() || !o.experiment.empty())
        throw CommandError("--undo takes only --db and the run time of an applied calibration");
    const auto c = open_database_for_update(o.db);
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
    std::vector<eval::ParameterBounds> bounds;
    try {
        for (const auto& p : o.params) bounds.push_back(eval::parse_parameter_bounds(p));
    } catch (const std::invalid_argument& e) {
        throw CommandError(e.what());
    }
    InterruptFlag interrupt;
    const auto t0 = std::chrono::steady_clock::now();
    const auto c = open_database_for_update(o.db);
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
        std::string sets;
        for (const auto& p : r.parameters) {
            if (!eval::is_model_constant(p.name)) continue;
            sets += (sets.empty() ? "" : ", ") + p.name + "=(SELECT " + p.name + " FROM gldaparm WHERE item_ix=" +
                    std::to_string(applied.constantsItem) + ")";
        }
        if (!sets.empty())
            ctx.out << "a run reads the constants of gldaparm item_ix=1; to run with the fitted ones, copy them there:\n"
                    << "  UPDATE gldaparm SET " << sets << " WHERE item_ix=1\n";
    }
}

const Registrar reg("calibrate", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<CalibrateOptions>();
    auto* cmd = app.add_subcommand("calibrate", "Fit model constants and input factors to the observations");
    cmd->add_option("--db", o->db, "Database file")->required();
    cmd->add_option("--plots", o->plots, "Plots to fit, e.g. 101,102 (default: the plots flagged in site_state)");
    cmd->add_option("--experiment", o->experiment, "Fit the plots of this experiment (versuch_code)");
    cmd->add_option("--param", o->params,
                    "NAME=LOW:HIGH, repeatable; NAME one of K_AOS, K_AKT, K_STAB, K_DEG, CNR_OBS, F_BAT, F_BD, F_CREP, "
                    "or a parameter of a substance or crop: gldopspa.ITEM.K|ETA|CNR, gldpflan.ITEM.CEWR|FEWR "
                    "(table.item_ix.column)");
    cmd->add_option("--property", o->property, "Observed property: 7 organic carbon (default), 0 total nitrogen, 5 microbial carbon");
    cmd->add_option("--jobs", o->jobs, "Threads (default 0: one per core)")->check(CLI::NonNegativeNumber);
    cmd->add_option("--max-iterations", o->maxIterations, "Iterations of the fit at most (default 100)")
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--apply", o->apply,
                  "Write the fitted substance and crop parameters into their tables and store the fitted constants as "
                  "a new gldaparm row; the previous values are kept in rux_calibration");
    cmd->add_option("--undo", o->undo,
                    "Put back the values an applied calibration replaced (its run_time in rux_calibration)");
    cmd->callback([o, &ctx] { run_calibrate(*o, ctx); });
});

} // namespace

} // namespace vt::cli
