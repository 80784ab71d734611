#include "eval/update_statistics.h"

#include "db/connection.h"
#include "db/savepoint.h"
#include "eval/plot_evaluation.h"

#include <string>

namespace vt::eval {

void create_statistics_tables(db::Connection& c)
{
    c.executeIgnoringErrors("drop table rux_stat_corg");
    c.executeIgnoringErrors("drop table rux_stat_nt");
    // Typed columns keep every statistic a real number; the placeholders mark plots
    // without enough pairs.
    const std::string common =
        "FL_ID INTEGER, med REAL, rms REAL, n INTEGER, smw REAL, s REAL, rele REAL, r_krit REAL, r_sim REAL, "
        "r_dif REAL, ef REAL, rmsprz REAL, medprz REAL";
    const std::string values =
        "field_description.FL_ID, 0.00001, 0.00001, 0, 0.0000001, 0.000001, 0.001, 0.00001, 0.00001, 0.00001, "
        "0.00001, 0.001, 0.001";
    c.execute("CREATE TABLE rux_stat_corg (" + common + ", SB REAL, NU REAL, LC REAL)");
    c.execute("INSERT INTO rux_stat_corg SELECT " + values + ", 0.000001, 0.000001, 0.000001 FROM field_description");
    c.execute("CREATE TABLE rux_stat_nt (" + common + ")");
    c.execute("INSERT INTO rux_stat_nt SELECT " + values + " FROM field_description");
}

UpdateStatisticsResult update_statistics(db::Connection& c, Phase phase, const engine::RunHooks& hooks)
{
    // One commit for the whole walk; a plot whose evaluation fails is rolled back alone.
    db::Savepoint walk(c, "update_statistics");
    create_statistics_tables(c);
    // Every plot's evaluation reads rux_nresult by plot, and a database as runs leave it
    // has no index there: a full scan per plot. An index for the walk, dropped at its end
    // (or rolled back with it), makes each of them a lookup.
    c.executeIgnoringErrors("create index tmp_ix_rux_nresult_walk on rux_nresult (fl_id, [year])");
    const std::vector<long long> plots = plots_with_results(c);

    UpdateStatisticsResult result;
    PlotEvaluator evaluator;
    long long done = 0;
    for (long long plot : plots) {
        if (hooks.stopRequested()) {
            result.cancelled = true;
            hooks.report(0, 0);
            return result;  // the walk's savepoint rolls both tables back
        }
        try {
            db::Savepoint one(c, "statistics_of_plot");
            evaluator.evaluate(c, plot, true, phase);
            one.release();
            ++result.plots;
        } catch (const db::DbError& e) {
            result.failedPlots.push_back(plot);
            hooks.show("plot " + std::to_string(plot), e.what());
        }
        hooks.report(++done, static_cast<long long>(plots.size()));
    }
    if (hooks.stopRequested()) {
        result.cancelled = true;
        hooks.report(0, 0);
        return result;
    }
    c.executeIgnoringErrors("drop index tmp_ix_rux_nresult_walk");
    walk.release();
    hooks.report(0, 0);
    return result;
}

} // namespace vt::eval
