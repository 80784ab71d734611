#include "eval/plot_evaluation.h"
#include "eval/update_statistics.h"
#include "support/eval_fixture.h"

#include <gtest/gtest.h>

using vt::db::Connection;
using vt::eval::Phase;
using vt::eval::PlotEvaluator;

namespace {

// Plot 1: twenty simulated years (2001-2020, year numbers 1-20) with an observation of
// carbon, nitrogen and microbial carbon in every year, plus initial observations.
std::unique_ptr<Connection> twenty_years(const std::string& icon = "obsval")
{
    auto c = Connection::memory();
    vt::test::create_eval_tables(*c);
    vt::test::add_plot(*c, 1, icon);
    vt::test::add_observation(*c, 1, 7, 2000, 0, 12.0);
    vt::test::add_observation(*c, 1, 0, 2000, 0, 1.2);
    for (int i = 1; i <= 20; ++i) {
        const double carbon = 10 + 0.1 * i, nitrogen = 1 + 0.01 * i;
        vt::test::add_simulated_year(*c, 1, 2000 + i, i, carbon, nitrogen, 300 + i);
        vt::test::add_observation(*c, 1, 7, 2000 + i, i, carbon + (i % 3 - 1) * 0.2);
        vt::test::add_observation(*c, 1, 0, 2000 + i, i, nitrogen + (i % 2) * 0.02);
        vt::test::add_observation(*c, 1, 5, 2000 + i, i, 310 - i % 4);
    }
    return c;
}

TEST(PlotEvaluation, PhasesSplitTheRecordForEveryProperty)
{
    auto c = twenty_years();
    struct Case { Phase phase; long n; double firstYear; };
    for (const Case k : {Case{Phase::All, 20, 2001}, Case{Phase::Early, 10, 2001}, Case{Phase::Late, 10, 2011}}) {
        PlotEvaluator ev;
        const auto r = ev.evaluate(*c, 1, false, k.phase);
        EXPECT_EQ(r.phaseLimit, 10);
        for (auto* acc : {&ev.carbon(), &ev.nitrogen(), &ev.microbial()}) {
            EXPECT_EQ(acc->sums().n, k.n) << acc->table() << " phase " << static_cast<int>(k.phase);
            EXPECT_EQ(acc->chart().firstYear, k.firstYear) << acc->table();
            EXPECT_FALSE(acc->lines().empty());
            EXPECT_EQ(acc->lines()[0], " N         =" + std::to_string(k.n));
        }
        EXPECT_TRUE(r.pages.cDynamics && r.pages.nDynamics && r.pages.microbial && r.pages.omTurnover);
    }
}

TEST(PlotEvaluation, FlaggedObservationIsDrawnAsOutlierAndLeftOut)
{
    auto c = twenty_years();
    c->execute("INSERT INTO tmp_outlist (fl_id, m_ix, meas_id) SELECT FL_ID, M_IX, meas_ID FROM measurements "
               "WHERE M_IX=7 AND year_number=5");
    PlotEvaluator ev;
    ev.evaluate(*c, 1, false, Phase::All);
    EXPECT_EQ(ev.carbon().sums().n, 19);
    const auto& outliers = ev.carbon().chart().series[vt::eval::DynamicsChart::Outliers];
    ASSERT_EQ(outliers.size(), 1u);
    EXPECT_EQ(outliers[0].x, 2005);
    EXPECT_EQ(ev.nitrogen().sums().n, 20);
}

TEST(PlotEvaluation, PlotStartingFromFreshMatterOnlyHidesItsPages)
{
    auto c = twenty_years("null");
    PlotEvaluator ev;
    const auto r = ev.evaluate(*c, 1, false, Phase::All);
    EXPECT_TRUE(r.nullInit);
    EXPECT_EQ(ev.nitrogen().sums().n, 0);
    EXPECT_EQ(ev.carbon().sums().n, 20);
    EXPECT_FALSE(r.pages.cDynamics || r.pages.nDynamics || r.pages.microbial || r.pages.observation);
    EXPECT_TRUE(r.pages.omTurnover);
}

TEST(PlotEvaluation, TurnoverSummaryTakesOneDecimalDownwards)
{
    auto c = twenty_years();
    c->execute("UPDATE rux_nresult SET c_rep=12.39, c_m_tot=12.39+12.31, c_m_fom=0 WHERE [year]=2001");
    const auto t = vt::eval::turnover_summary(*c, 1);
    ASSERT_EQ(t.rows.rows.size(), 20u);
    const auto& first = t.rows.rows[0];
    EXPECT_DOUBLE_EQ(vt::eval::cell(first, t.rows.column("crepflx")).toDouble(), 12.3);
    EXPECT_DOUBLE_EQ(vt::eval::cell(first, t.rows.column("saldo")).toDouble(), -12.4);
    EXPECT_TRUE(t.meanReproduction);
}

TEST(UpdateStatistics, StoresEveryPlotWithResultsAndKeepsPlaceholdersElsewhere)
{
    auto c = twenty_years();
    vt::test::add_plot(*c, 3);  // no results
    const auto r = vt::eval::update_statistics(*c, Phase::Late);
    EXPECT_EQ(r.plots, 1);
    EXPECT_TRUE(r.failedPlots.empty());

    PlotEvaluator ev;
    ev.evaluate(*c, 1, false, Phase::Late);
    const auto carbon = ev.carbon().statistics();
    auto row = c->query("SELECT * FROM rux_stat_corg WHERE FL_ID=1");
    EXPECT_EQ(row.getInt("n"), 10);
    EXPECT_NEAR(row.getDouble("rms"), static_cast<double>(carbon->rmse), 1e-12);
    EXPECT_NEAR(row.getDouble("med"), static_cast<double>(carbon->me), 1e-12);
    EXPECT_EQ(c->scalar("SELECT typeof(ef) FROM rux_stat_corg WHERE FL_ID=1").toString(), "real");
    EXPECT_FALSE(row.isNull("SB"));

    // The nitrogen table has no SB, NU, LC and takes all other columns.
    auto nt = c->query("SELECT * FROM rux_stat_nt WHERE FL_ID=1");
    EXPECT_FALSE(nt.hasField("SB"));
    EXPECT_EQ(nt.getInt("n"), 10);
    EXPECT_NEAR(nt.getDouble("rms"), static_cast<double>(ev.nitrogen().statistics()->rmse), 1e-12);

    auto none = c->query("SELECT * FROM rux_stat_corg WHERE FL_ID=3");
    EXPECT_EQ(none.getInt("n"), 0);
    EXPECT_DOUBLE_EQ(none.getDouble("med"), 0.00001);
}

} // namespace
