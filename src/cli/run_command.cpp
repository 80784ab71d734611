#include "cli/command_registry.h"
#include "cli/session_options.h"
#include "cli/run_setup.h"
#include "options/command_options.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "workbench/database_file.h"
#include "workbench/run_setup.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <ostream>

namespace vt::cli {

namespace {

// Exit codes: 0 every selected plot was simulated; kPlotsSkipped the run finished but
// some selected plots were not simulated (their count is the last line); kRunFailed the
// run failed, was stopped, or had no plot selected.
constexpr int kRunFailed = 1;
constexpr int kPlotsSkipped = 3;

std::atomic<bool> g_stop{false};

extern "C" void request_stop(int) { g_stop.store(true); }

using options::RunOptions;

void print_timings(std::ostream& err, const engine::RunResult& r)
{
    const engine::RunTimings& t = r.timings;
    const double total = t.preparation + t.soilCheck + t.balance;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "timings: plot-years %lld, total %.3f s, %.0f plot-years/s\n"
                  "  preparation %.3f s (soil check excluded)\n"
                  "  soil check  %.3f s\n"
                  "  balance     %.3f s: reading %.3f s, simulation %.3f s (CPU on the workers), writing %.3f s\n",
                  r.plotYears, total, total > 0 ? static_cast<double>(r.plotYears) / total : 0.0, t.preparation,
                  t.soilCheck, t.balance, t.reading, t.simulation, t.writing);
    err << buf << std::flush;
}

} // namespace

workbench::RunSetup cli_run_setup(const options::RunOptions& opt, const std::string& database)
{
    workbench::RunSetup setup;
    setup.base.database = database;
    setup.base.work_dir = std::filesystem::current_path().string();
    setup.switches = opt.switches;
    return setup;
}

namespace {

int run_simulation(const RunOptions& opt, Context& ctx)
{
    const std::string dbPath = workbench::run_database(opt.switches, opt.db);
    if (dbPath.empty()) throw CommandError("no database: give --db FILE or DB=FILE");

    const auto connection = workbench::open_database_file(dbPath, workbench::DatabaseAccess::Work);
    db::Connection& conn = *connection;
    // Checked before the settings bind the method to the database, which writes to it.
    if (const std::string problem = workbench::run_database_problem(conn); !problem.empty())
        throw CommandError(problem, kRunFailed);
    if (opt.sqlProfileMs >= 0)
        conn.profileStatements(
            [&ctx](const std::string& sql, double ms) {
                char time[32];
                std::snprintf(time, sizeof time, "sql %9.1f ms  ", ms);
                ctx.err << time << sql.substr(0, 200) << '\n';
            },
            opt.sqlProfileMs);
    g_stop.store(false);
    engine::RunHooks hooks;
    auto messageList = std::make_shared<std::vector<std::string>>();  // saved as the run report
    // A regional run logs some seven lines per plot: flushed ten times a second instead of
    // line by line, a reader of the log still follows the run, without a write per line.
    hooks.log = [&ctx, messageList, flushed = std::chrono::steady_clock::now()](const std::string& line) mutable {
        messageList->push_back(line);
        ctx.out << line << '\n';
        const auto now = std::chrono::steady_clock::now();
        if (now - flushed >= std::chrono::milliseconds(100)) {
            ctx.out.flush();
            flushed = now;
        }
    };
    hooks.messages = [messageList] { return *messageList; };
    // Messages and questions follow the log lines before them.
    hooks.message = [&ctx](const std::string& caption, const std::string& text) {
        ctx.out.flush();
        ctx.err << caption << ": " << text << '\n';
    };
    hooks.errorRows = [&ctx](const std::vector<std::string>& rows) {  // the error window's rows
        ctx.out.flush();
        for (const auto& row : rows) ctx.err << "  " << row << '\n';
    };
    // Nobody answers an unattended run: a question is shown and answered "no", so that a
    // run never destroys data on its own.
    hooks.ask = [&ctx](const std::string& caption, const std::string& text) {
        ctx.out.flush();
        ctx.err << caption << ": " << text << " -> no\n";
        return false;
    };
    if (ctx.errIsTerminal)
        hooks.progress = [&ctx](long long cur, long long max) { draw_progress(ctx.err, cur, max); };
    hooks.stop = &g_stop;

    config::RuxSettings settings;
    engine::RunConfig cfg = workbench::setup_run(cli_run_setup(opt, dbPath), settings, conn, hooks);
    cfg.jobs = opt.jobs;
    cfg.stepwise = opt.stepwise;
    const auto previous = std::signal(SIGINT, request_stop);
    const engine::RunResult result = workbench::run_model(conn, cfg, hooks, !opt.prepareOnly);
    std::signal(SIGINT, previous);
    ctx.out.flush();
    if (opt.timings) print_timings(ctx.err, result);
    if (result.outcome != engine::RunOutcome::Finished) return kRunFailed;
    if (opt.prepareOnly) return 0;
    if (result.selected == 0) throw CommandError(workbench::nothing_selected_message(), kRunFailed);
    if (result.skipped > 0)
        throw CommandError(std::to_string(result.skipped) + " of " + std::to_string(result.selected) +
                               " selected plots skipped (not simulated; named above, in the run log and in rux_report.txt)",
                           kPlotsSkipped);
    return 0;
}

const Registrar reg("run", [](CLI::App& app, Context& ctx) {
    auto opt = std::make_shared<RunOptions>();
    auto* cmd = app.add_subcommand("run", options::kRunDescription);
    options::add_run_options(*cmd, *opt);
    cmd->callback([opt, &ctx]() {
        const int code = run_simulation(*opt, ctx);
        if (code != 0) throw CommandError("the run did not finish", code);
    });
});

} // namespace

} // namespace vt::cli
