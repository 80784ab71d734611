// What the result pages and the browser's runs take from the database: the selection of
// plots for a run, the page quantities, and cancelling the long walks.
#include "eval/nitrogen_balance.h"
#include "eval/update_statistics.h"
#include "support/eval_fixture.h"
#include "workbench/results_data.h"
#include "workbench/results_nbalance.h"
#include "workbench/results_runs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using vt::db::Connection;
namespace wb = vt::workbench;

namespace {

// Three plots of one location: 1 and 3 start from observed values, 2 from fresh organic
// matter only; plots 1 and 2 have twenty simulated years with observations.
std::unique_ptr<Connection> plots()
{
    auto c = Connection::memory();
    vt::test::create_eval_tables(*c);
    vt::test::add_plot(*c, 1, "obsval");
    vt::test::add_plot(*c, 2, "null");
    vt::test::add_plot(*c, 3, "obsval");
    c->execute("update field_description set Location='Feld ''Ost''', site_description='plot ' || FL_ID, "
               "Herkunft='trial'");
    for (long long p : {1LL, 2LL})
        for (int y = 1; y <= 20; ++y) {
            vt::test::add_simulated_year(*c, p, 1990 + y, y, 1.0 + 0.01 * y, 0.1, 10);
            if (y % 4 == 0) vt::test::add_observation(*c, p, 7, 1990 + y, y, 1.05 + 0.01 * y);
        }
    return c;
}

std::string table_text(Connection& c, const std::string& table)
{
    std::string s;
    for (auto cur = c.query("select * from " + table + " order by 1"); !cur.eof(); cur.next())
        for (int i = 0; i < cur.fieldCount(); ++i) s += cur.field(i).toString() + ";";
    return s;
}

} // namespace

TEST(ResultsRuns, SelectionRunMarksTickedPlotsAndNullStarts)
{
    auto c = plots();
    wb::select_plots_for_run(*c, {3});
    EXPECT_EQ(c->scalar("select group_concat(FL_ID) from site_state where status=1").toString(), "3");
    EXPECT_EQ(c->scalar("select group_concat(FL_ID) from site_state where res_val=0").toString(), "2");
    wb::select_plots_for_run(*c, {});
    EXPECT_EQ(wb::selected_plot_count(*c), 0);
    wb::select_single_plot(*c, 2);
    EXPECT_EQ(c->scalar("select group_concat(FL_ID) from site_state where status=1").toString(), "2");
}

TEST(ResultsRuns, SelectionListsAndEntries)
{
    auto c = plots();
    const auto all = wb::database_selection(*c);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].text, " 1: Feld 'Ost' - plot 1");
    // Obsval plots first; the location with a quote is a bound value.
    const auto exp = wb::experiment_selection(*c, {"T1", std::string("Feld 'Ost'")});
    ASSERT_EQ(exp.size(), 3u);
    EXPECT_EQ(exp[0].text, "1: plot 1  ===>   trial");
    EXPECT_EQ(exp[2].plot, 2);
    EXPECT_EQ(wb::selection_plot(" 12: a - b"), 12);
    EXPECT_EQ(wb::selection_plot("x: a"), std::nullopt);
    EXPECT_EQ(wb::plot_initial_condition(*c, 2), "null");
}

TEST(ResultsData, QuantityFiguresAndMiscRows)
{
    vt::eval::Table t;
    t.columns = {"year", "v"};
    t.rows = {{1, 3.0}, {2, 7.0}, {3, 5.0}};
    const auto f = wb::quantity_figures(t, "V");
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->mean, 5);
    EXPECT_DOUBLE_EQ(f->min, 3);
    EXPECT_DOUBLE_EQ(f->max, 7);
    EXPECT_FALSE(wb::quantity_figures({}, "v"));
    auto c = plots();
    EXPECT_EQ(wb::misc_results(*c, 1).rows.size(), 20u);
    EXPECT_EQ(wb::turnover_quantities().front().column, std::string("crepflx"));
}

TEST(ResultsNBalance, OnlyTheOfferedTables)
{
    auto c = plots();
    EXPECT_TRUE(wb::nbalance_table(*c, "").empty());
    EXPECT_TRUE(wb::nbalance_table(*c, "NMIN_SALDO").empty());  // not built yet
    EXPECT_THROW(wb::nbalance_table(*c, "field_description"), std::invalid_argument);
}

TEST(ResultsCancel, UpdateStatisticsCancelledLeavesTablesAsBefore)
{
    auto c = plots();
    vt::eval::update_statistics(*c, vt::eval::Phase::All);
    // The walk's own index on rux_nresult is gone again.
    EXPECT_EQ(c->scalar("select count(*) from sqlite_master where type='index' and tbl_name='rux_nresult'").toInt(), 0);
    const std::string before = table_text(*c, "rux_stat_corg") + table_text(*c, "rux_stat_nt");
    std::atomic<bool> stop{true};
    vt::engine::RunHooks hooks;
    hooks.stop = &stop;
    const auto r = vt::eval::update_statistics(*c, vt::eval::Phase::Late, hooks);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(table_text(*c, "rux_stat_corg") + table_text(*c, "rux_stat_nt"), before);
    // Without tables before, a cancelled walk leaves none.
    c->execute("drop table rux_stat_corg");
    c->execute("drop table rux_stat_nt");
    vt::eval::update_statistics(*c, vt::eval::Phase::All, hooks);
    EXPECT_FALSE(c->tableExists("rux_stat_corg"));
}

TEST(ResultsCancel, NitrogenBalanceCancelledLeavesTablesAsBefore)
{
    auto c = plots();
    c->executeScript("INSERT INTO climate_station VALUES (1, 'Station', 0, 0, 0, 0);"
                     "INSERT INTO cultivation (FL_ID, [year], Macode, Item_IX, Quantity) VALUES (1, 1991, 4, 0, 80);"
                     "INSERT INTO cultivation (FL_ID, [year], Macode, Item_IX, Quantity) VALUES (3, 1991, 4, 0, 80);");
    ASSERT_TRUE(vt::eval::nitrogen_balance(*c, {}));
    const std::string before = table_text(*c, "rux_n_bilanz") + table_text(*c, "nmin_saldo");
    std::atomic<bool> stop{false};
    vt::engine::RunHooks hooks;
    hooks.stop = &stop;
    long long stages = 0;
    hooks.progress = [&](long long current, long long) {
        if (current == 5) stop = true;  // in the middle of the budget
        stages = std::max(stages, current);
    };
    vt::eval::NBalanceOptions single;
    single.plot = 1;
    EXPECT_FALSE(vt::eval::nitrogen_balance(*c, single, hooks));
    EXPECT_EQ(stages, 5);
    EXPECT_EQ(table_text(*c, "rux_n_bilanz") + table_text(*c, "nmin_saldo"), before);
}
