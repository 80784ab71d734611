#include "eval/plot_evaluation.h"

#include "base/text.h"

#include "db/connection.h"

#include <algorithm>
#include <cctype>

namespace vt::eval {

namespace {

bool is_null_init(db::Connection& c, long long plot)
{
    std::string icon = c.scalar("SELECT i_con FROM field_description WHERE FL_ID=?", {plot}).toString();
    icon.erase(std::remove_if(icon.begin(), icon.end(), [](unsigned char ch) { return std::isspace(ch); }), icon.end());
    return base::iequals(icon, "null");
}

} // namespace

std::vector<long long> plots_with_results(db::Connection& c)
{
    std::vector<long long> plots;
    for (auto cur = c.query("SELECT field_description.FL_ID FROM field_description "
                            " LEFT JOIN sim_result ON field_description.FL_ID = sim_result.FL_ID "
                            " GROUP BY field_description.FL_ID "
                            " HAVING Count(sim_result.M_IX) > 0 AND Avg(sim_result.SIM_VALUE) > 0 "
                            " ORDER BY field_description.FL_ID");
         !cur.eof(); cur.next())
        plots.push_back(cur.getInt("FL_ID"));
    return plots;
}

PlotEvaluator::PlotEvaluator(const NumberFormat& format)
    : carbon_("rux_stat_corg", format), nitrogen_("rux_stat_nt", format), microbial_("rux_stat_mbmc", format)
{
}

PlotEvaluation PlotEvaluator::evaluate(db::Connection& c, long long plot, bool store, Phase phase)
{
    PlotEvaluation ev;
    ev.plot = plot;
    ev.phase = phase;
    // The outlier list is part of every current database; an old one may lack it.
    if (!c.tableExists("tmp_outlist")) c.execute("create table tmp_outlist ( fl_id int, m_ix int, meas_id int   )");
    ev.phaseLimit = phase_limit(c, plot);
    ev.nullInit = is_null_init(c, plot);

    ev.carbonRows = evaluate_carbon(c, plot, phase, ev.phaseLimit, carbon_);
    ev.pages.cDynamics = !ev.carbonRows.empty();
    if (store) carbon_.store(c);
    else carbon_.report();

    ev.microbialRows = evaluate_microbial(c, plot, phase, ev.phaseLimit, microbial_);
    microbial_.report();
    ev.pages.microbial = microbial_.sums().o != 0;

    ev.turnover = turnover_summary(c, plot);
    ev.pages.omTurnover = !ev.turnover.rows.empty();

    ev.nitrogenRows = evaluate_nitrogen(c, plot, phase, ev.phaseLimit, ev.nullInit, nitrogen_);
    if (store) nitrogen_.store(c);
    else nitrogen_.report();
    const bool nitrogenShown = !ev.nitrogenRows.empty() && !ev.nullInit;
    ev.pages.nDynamics = nitrogenShown && nitrogen_.sums().o != 0;

    if (ev.nullInit) {
        ev.pages.observation = ev.pages.cDynamics = ev.pages.miscResults = false;
        ev.pages.nDynamics = ev.pages.microbial = ev.pages.nBalance = false;
    } else {
        ev.pages.cDynamics = true;
    }
    return ev;
}

} // namespace vt::eval
