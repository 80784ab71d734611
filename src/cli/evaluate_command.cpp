#include "cli/command_registry.h"
#include "cli/eval_output.h"
#include "eval/plot_evaluation.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct EvaluateOptions {
    std::string db;
    long long plot = 0;
    std::string phase = "all";
};

void print_property(std::ostream& out, const char* page, bool shown, const eval::StatsAccumulator& acc)
{
    out << "== " << page << (shown ? "" : " (page not shown)") << '\n';
    if (acc.lines().empty()) out << "  fewer than two pairs: no statistics\n";
    for (const auto& line : acc.lines()) out << line << '\n';
}

void run_evaluate(const EvaluateOptions& o, Context& ctx)
{
    const auto phase = eval::parse_phase(o.phase);
    if (!phase) throw CommandError("--phase must be all, early or late, not \"" + o.phase + "\"");
    auto c = open_database_to_evaluate(o.db, ctx.err);
    require_plot(*c, o.plot);
    for (const char* table : {"sim_result", "rux_nresult", "measurements"})
        if (!c->tableExists(table))
            throw CommandError(std::string("the database has no table ") + table + "; run the model first");

    eval::PlotEvaluator evaluator;
    const auto ev = evaluator.evaluate(*c, o.plot, false, *phase);
    auto& out = ctx.out;
    out << "plot " << o.plot << ", phase: " << eval::phase_caption(*phase);
    if (*phase != eval::Phase::All) out << " (split at year number " << ev.phaseLimit << ")";
    out << '\n';
    if (ev.carbonRows.empty() && ev.turnover.rows.empty()) {
        out << "no simulated values for this plot; run the model first\n";
        return;
    }
    print_property(out, "C-dynamics", ev.pages.cDynamics, evaluator.carbon());
    print_property(out, "N-dynamics", ev.pages.nDynamics, evaluator.nitrogen());
    print_property(out, "micr.BM", ev.pages.microbial, evaluator.microbial());
    if (ev.turnover.meanReproduction)
        out << "== OM-turnover\n mean C reproduction=" << eval::display_number(*ev.turnover.meanReproduction)
            << " kg C/ha/a over " << ev.turnover.rows.rows.size() << " years\n";
}

const Registrar reg("evaluate", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<EvaluateOptions>();
    auto* cmd = app.add_subcommand("evaluate", "Compare a plot's simulated series with its observations");
    cmd->add_option("--db", o->db, "Database file")->required();
    cmd->add_option("--plot", o->plot, "Plot number (FL_ID)")->required();
    cmd->add_option("--phase", o->phase, "Years to evaluate: all, early or late");
    cmd->callback([o, &ctx] { run_evaluate(*o, ctx); });
});

} // namespace

} // namespace vt::cli
