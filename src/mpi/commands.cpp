#include "mpi/commands.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "engine/balance/annual_balance.h"
#include "engine/run/run_configuration.h"
#include "engine/run/run_driver.h"
#include "engine/run/run_preconditions.h"
#include "mpi/messages.h"
#include "mpi/spread.h"
#include "options/session_command.h"
#include "workbench/session_jobs.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace vt::mpi {

namespace {

using workbench::num;

std::atomic<bool> g_stop{false};

extern "C" void request_stop(int) { g_stop.store(true); }

// Ctrl-C (when it reaches rank 0 rather than ending the job through mpirun) stops the work;
// nothing of a calibration or uncertainty job is written then.
struct StopOnInterrupt {
    StopOnInterrupt() : previous(std::signal(SIGINT, request_stop)) { g_stop = false; }
    ~StopOnInterrupt() { std::signal(SIGINT, previous); }
    void (*previous)(int);
};

engine::RunHooks message_hooks()
{
    engine::RunHooks hooks;
    hooks.message = [](const std::string& caption, const std::string& text) {
        std::cout.flush();
        std::cerr << caption << ": " << text << '\n';
    };
    hooks.ask = [](const std::string& caption, const std::string& text) {
        std::cout.flush();
        std::cerr << caption << ": " << text << " -> no\n";
        return false;
    };
    hooks.stop = &g_stop;
    return hooks;
}

std::unique_ptr<db::Connection> open_for_update(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw CommandError("database not found: " + path);
    if (std::filesystem::is_directory(path, ec)) throw CommandError("not a database file: " + path);
    if (::access(path.c_str(), W_OK) != 0) throw CommandError("database is read-only: " + path);
    try {
        auto c = std::make_unique<db::Connection>(path, db::Connection::Mode::ReadWrite);
        if (c->readOnly()) throw CommandError("database is read-only: " + path);
        return c;
    } catch (const db::DbError& e) {
        throw CommandError(e.what());
    }
}

workbench::SessionJobSteps spread_steps(SessionSpread& spread)
{
    workbench::SessionJobSteps steps;
    steps.preparing = [](std::size_t plots) {
        std::cout << "preparing " << plots << " plots on rank 0 for " << size() << " ranks\n" << std::flush;
    };
    if (size() > 1) steps.spread = [&spread](engine::SimulationSession& s) { spread.handOver(s); };
    return steps;
}

} // namespace

int run_command(const options::RunOptions& opt)
{
    engine::ConfigWarnings ignored;
    const engine::RunSwitches given = engine::parse_run_switches(opt.switches, ignored);
    const std::string dbPath = given.database.value_or(opt.db);
    if (dbPath.empty()) throw CommandError("no database: give --db FILE or DB=FILE");
    if (!std::filesystem::exists(dbPath)) throw CommandError("database not found: " + dbPath);
    db::Connection conn(dbPath);
    if (const std::string problem = engine::experiment_database_problem(conn); !problem.empty())
        throw CommandError(problem, 1);
    if (opt.sqlProfileMs >= 0)
        conn.profileStatements(
            [](const std::string& sql, double ms) {
                char time[32];
                std::snprintf(time, sizeof time, "sql %9.1f ms  ", ms);
                std::cerr << time << sql.substr(0, 200) << '\n';
            },
            opt.sqlProfileMs);
    engine::RunHooks hooks = message_hooks();
    auto messageList = std::make_shared<std::vector<std::string>>();
    hooks.log = [messageList](const std::string& line) {
        messageList->push_back(line);
        std::cout << line << '\n';
    };
    hooks.messages = [messageList] { return *messageList; };
    hooks.errorRows = [](const std::vector<std::string>& rows) {
        std::cout.flush();
        for (const auto& row : rows) std::cerr << "  " << row << '\n';
    };
    auto progress = std::make_shared<ProgressLine>("run", "input rows");
    hooks.progress = [progress](long long cur, long long max) {
        if (max > 0) progress->update(static_cast<double>(cur), static_cast<double>(max), static_cast<double>(cur));
    };
    engine::RunConfig base;
    base.database = dbPath;
    base.work_dir = std::filesystem::current_path().string();
    config::RuxSettings settings;
    engine::RunConfig cfg = engine::read_run_configuration(base, settings, opt.switches, conn, hooks);
    cfg.jobs = opt.jobs;
    cfg.stepwise = opt.stepwise;
    if (size() > 1) engine::set_plot_pipeline_runner(std::make_shared<RunSpread>());
    engine::RunDriver driver(conn, cfg, hooks);
    if (!opt.prepareOnly) driver.setBalance(engine::annual_balance_step());
    const StopOnInterrupt interrupt;
    const engine::RunResult result = driver.run();
    std::cout.flush();
    if (opt.timings) {
        const engine::RunTimings& t = result.timings;
        const double total = t.preparation + t.soilCheck + t.balance;
        std::fprintf(stderr,
                     "timings: plot-years %lld, total %.3f s, %.0f plot-years/s, %d ranks\n"
                     "  preparation %.3f s (soil check excluded)\n  soil check  %.3f s\n"
                     "  balance     %.3f s: reading %.3f s, simulation %.3f s (waiting for the ranks), writing %.3f s\n",
                     result.plotYears, total, total > 0 ? static_cast<double>(result.plotYears) / total : 0.0, size(),
                     t.preparation, t.soilCheck, t.balance, t.reading, t.simulation, t.writing);
    }
    if (result.outcome != engine::RunOutcome::Finished) throw CommandError("the run did not finish", 1);
    if (opt.prepareOnly) return 0;
    if (result.selected == 0) throw CommandError(engine::kNothingSelected, 1);
    if (result.skipped > 0)
        throw CommandError(std::to_string(result.skipped) + " of " + std::to_string(result.selected) +
                               " selected plots skipped (not simulated; the run log names them)",
                           3);
    return 0;
}

// A session handed to other ranks carries the prepared input, not the stored values of
// substances and crops that an item parameter ("gldopspa.1.K") replaces: such parameters
// are refused rather than simulated with the wrong input.
template <class Parameter>
void refuse_item_parameters(const std::vector<Parameter>& params)
{
    for (const Parameter& p : params)
        if (p.name.find('.') != std::string::npos)
            throw CommandError(p.name + ": veltrano-mpi takes model constants and factors only; fit parameters of "
                                        "substances and crops with veltrano-cli calibrate");
}

int calibrate_command(const options::CalibrateOptions& o)
{
    if (o.property != 7 && o.property != 0 && o.property != 5)
        throw CommandError("--property must be 7 (organic carbon), 0 (total nitrogen) or 5 (microbial carbon)");
    if (!o.undo.empty()) throw CommandError("--undo is a command of veltrano-cli calibrate");
    const auto bounds = options::parsed_parameters<CommandError>(o.params, eval::parse_parameter_bounds);
    refuse_item_parameters(bounds);
    const StopOnInterrupt interrupt;
    const auto t0 = std::chrono::steady_clock::now();
    const auto c = open_for_update(o.db);
    const workbench::CalibrationJob job{.plots = options::session_plots<CommandError>(*c, o.plots, o.experiment),
                                        .parameters = bounds,
                                        .property = o.property,
                                        .jobs = o.jobs,
                                        .maxIterations = o.maxIterations};
    SessionSpread spread(o.jobs);
    workbench::SessionJobSteps steps = spread_steps(spread);
    steps.prepared = [&o](std::size_t plotsWithInput, std::size_t observations) {
        std::cout << plotsWithInput << " plots with input, " << observations << " observations of property "
                  << o.property << " (outliers left out)\n"
                  << std::flush;
    };
    auto shown = std::chrono::steady_clock::now();
    steps.evaluated = [&shown](int evaluations, double sse) {
        const auto now = std::chrono::steady_clock::now();
        if (now - shown < std::chrono::seconds(2)) return;
        shown = now;
        std::cerr << "calibrate: evaluation " << evaluations << ", sum of squares " << num(sse) << '\n' << std::flush;
    };
    const engine::RunHooks hooks = message_hooks();
    const auto outcome = options::run_session_job<CommandError>([&] { return workbench::run_calibration_job(*c, o.db, job, hooks, steps); });
    const eval::CalibrationResult& r = outcome.result;
    if (outcome.end == workbench::JobEnd::Stopped)
        throw CommandError("stopped after " + std::to_string(r.evaluations) + " evaluations; nothing was written", 1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::cout << "fitted by least squares: " << r.pairs << " pairs, " << r.iterations << " iterations, "
              << r.evaluations << " evaluations, " << num(seconds, "%.2f") << " s on " << size() << " ranks"
              << (r.terminationType == 5 ? " (iteration limit reached)" : "") << '\n';
    std::cout << workbench::calibration_summary(r);
    std::cout << "written into rux_calibration and rux_calibration_fit (run_time " << outcome.runTime << ")\n";
    if (o.apply) {
        const eval::AppliedCalibration applied = workbench::apply_calibration(*c, outcome);
        std::cout << workbench::applied_calibration_text(applied, outcome.runTime);
        for (const auto& f : workbench::fitted_factors(r))
            std::cout << f << " is an input factor, not a model constant: it is not stored\n";
    }
    return 0;
}

int uncertainty_command(const options::UncertaintyOptions& o)
{
    const auto params = options::parsed_parameters<CommandError>(o.params, eval::parse_uncertain_parameter);
    refuse_item_parameters(params);
    const StopOnInterrupt interrupt;
    const auto t0 = std::chrono::steady_clock::now();
    const auto c = open_for_update(o.db);
    const workbench::UncertaintyJob job{.plots = options::session_plots<CommandError>(*c, o.plots, o.experiment),
                                        .parameters = params,
                                        .samples = o.samples,
                                        .seed = o.seed,
                                        .jobs = o.jobs};
    SessionSpread spread(o.jobs);
    workbench::SessionJobSteps steps = spread_steps(spread);
    // The phases on rank 0, for the model of docs/cluster.md.
    using Clock = std::chrono::steady_clock;
    Clock::time_point handOver = t0, sampling = t0, sampled = t0;
    if (size() > 1)
        steps.spread = [&spread, &handOver, &sampling](engine::SimulationSession& s) {
            handOver = Clock::now();
            spread.handOver(s);
            sampling = Clock::now();
        };
    steps.sample = [&](const engine::SimulationSession& s, const std::vector<eval::Observation>& carbon,
                       const eval::UncertaintyRequest& request) {
        if (size() == 1) handOver = sampling = Clock::now();
        double plotYears = 0;
        for (const auto& in : s.inputs()) plotYears += static_cast<double>(in.rows.size());
        ProgressLine progress("uncertainty", "samples");
        eval::UncertaintyRequest own = request;
        own.progress = [&](std::size_t done, std::size_t total) {
            progress.update(static_cast<double>(done), static_cast<double>(total), static_cast<double>(done) * plotYears,
                            done == total);
        };
        auto r = size() > 1 ? spread.sample(s, carbon, request) : eval::run_uncertainty(s, carbon, own);
        sampled = Clock::now();
        return r;
    };
    const engine::RunHooks hooks = message_hooks();
    const auto outcome = options::run_session_job<CommandError>([&] { return workbench::run_uncertainty_job(*c, o.db, job, hooks, steps); });
    const auto written = Clock::now();
    const auto secs = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
    std::fprintf(stderr, "phases on rank 0: preparation %.3f s, hand-over %.3f s, sampling %.3f s, writing %.3f s\n",
                 secs(t0, handOver), secs(handOver, sampling), secs(sampling, sampled), secs(sampled, written));
    const eval::UncertaintyResult& r = outcome.result;
    if (outcome.end == workbench::JobEnd::Stopped)
        throw CommandError("stopped after " + std::to_string(r.samples) + " samples; nothing was written", 1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    char line[256];
    std::snprintf(line, sizeof line, "%zu samples of %zu plots in %.2f s on %d ranks (seed %llu)\n", r.samples,
                  outcome.plotsWithInput, seconds, size(), static_cast<unsigned long long>(o.seed));
    std::cout << line;
    std::cout << "quantiles of organic carbon and total nitrogen of " << r.quantiles.size()
              << " plot-year series written into rux_uncertainty; first-order sensitivity indices into rux_sensitivity\n";
    std::cout << workbench::uncertainty_summary(r);
    return 0;
}

} // namespace vt::mpi
