#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/session_options.h"
#include "options/command_options.h"
#include "options/session_command.h"

#include "db/connection.h"
#include "eval/uncertainty.h"
#include "workbench/session_jobs.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

// Exit codes: 0 every sample of every chosen plot simulated and stored; kSomeFailed the
// bands are stored from the samples that went well (the others, and plots the input check
// skipped, are named); kJobFailed nothing was stored (every sample failed, the preparation
// failed or Ctrl-C stopped it).
constexpr int kJobFailed = 1;
constexpr int kSomeFailed = 3;

using options::UncertaintyOptions;

void run_uncertainty_command(const UncertaintyOptions& o, Context& ctx)
{
    const auto params = options::parsed_parameters<CommandError>(o.params, eval::parse_uncertain_parameter);
    InterruptFlag interrupt;
    const auto t0 = std::chrono::steady_clock::now();
    const auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Update);
    const workbench::UncertaintyJob job{.plots = session_plots(*c, o.plots, o.experiment),
                                        .parameters = params,
                                        .samples = o.samples,
                                        .seed = o.seed,
                                        .jobs = o.jobs};
    workbench::SessionJobSteps steps = session_steps(ctx.out);
    if (ctx.errIsTerminal)
        steps.sampled = [&ctx](std::size_t done, std::size_t total) {
            draw_progress(ctx.err, static_cast<long long>(done), static_cast<long long>(total));
        };
    const engine::RunHooks hooks = session_hooks(ctx.err, interrupt.flag());
    const workbench::UncertaintyOutcome outcome = run_session_job([&] {
        try {
            return workbench::run_uncertainty_job(*c, o.db, job, hooks, steps);
        } catch (const workbench::JobFailedError& e) {
            if (ctx.errIsTerminal) draw_progress(ctx.err, 0, 0);
            throw CommandError(e.what(), kJobFailed);
        }
    });
    if (ctx.errIsTerminal) draw_progress(ctx.err, 0, 0);
    const eval::UncertaintyResult& r = outcome.result;
    if (outcome.end == workbench::JobEnd::Stopped)
        throw CommandError("stopped after " + std::to_string(r.samples) + " samples; nothing was written", 1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    char line[256];
    std::snprintf(line, sizeof line, "%zu samples of %zu plots in %.2f s (seed %llu)\n", r.samples,
                  outcome.plotsWithInput, seconds, static_cast<unsigned long long>(o.seed));
    ctx.out << line;
    ctx.out << "quantiles of organic carbon and total nitrogen of " << r.quantiles.size()
            << " plot-year series written into rux_uncertainty; first-order sensitivity indices into rux_sensitivity\n";
    ctx.out << workbench::uncertainty_summary(r);
    ctx.out.flush();
    const std::string skipped = skipped_plots_text(outcome.skippedPlots);
    if (!r.failed.empty() || !skipped.empty()) {
        ctx.err << skipped << workbench::failed_samples_text(r);
        throw CommandError(std::to_string(r.failed.size()) + " of " + std::to_string(r.samples) + " samples failed, " +
                               std::to_string(outcome.skippedPlots.size()) +
                               " plots skipped; the bands hold the samples that went well",
                           kSomeFailed);
    }
}

const Registrar reg("uncertainty", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<UncertaintyOptions>();
    auto* cmd = app.add_subcommand("uncertainty", options::kUncertaintyDescription);
    options::add_uncertainty_options(*cmd, *o);
    cmd->callback([o, &ctx] { run_uncertainty_command(*o, ctx); });
});

} // namespace

} // namespace vt::cli
