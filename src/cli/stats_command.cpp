#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/eval_output.h"
#include "eval/update_statistics.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct StatsOptions {
    std::string db;
    std::string phase = "all";
};

void run_stats(const StatsOptions& o, Context& ctx)
{
    const auto phase = eval::parse_phase(o.phase);
    if (!phase) throw CommandError("--phase must be all, early or late, not \"" + o.phase + "\"");
    auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Work);
    for (const char* table : {"field_description", "sim_result", "rux_nresult", "measurements"})
        if (!c->tableExists(table)) throw CommandError(std::string("the database has no table ") + table);

    engine::RunHooks hooks;
    hooks.message = [&ctx](const std::string& caption, const std::string& text) {
        ctx.err << caption << ": " << text << '\n';
    };
    const auto r = eval::update_statistics(*c, *phase, hooks);
    ctx.out << "statistics (" << eval::phase_caption(*phase) << ") of " << r.plots
            << " plots stored in rux_stat_corg and rux_stat_nt\n";
    if (!r.failedPlots.empty()) throw CommandError(std::to_string(r.failedPlots.size()) + " plots failed", 1);
}

const Registrar reg("stats", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<StatsOptions>();
    auto* cmd = app.add_subcommand("stats", "Update-Statistics: store the statistics of every plot with results");
    cmd->add_option("--db", o->db, "Database file")->required();
    cmd->add_option("--phase", o->phase, "Years to evaluate: all, early or late");
    cmd->callback([o, &ctx] { run_stats(*o, ctx); });
});

} // namespace

} // namespace vt::cli
