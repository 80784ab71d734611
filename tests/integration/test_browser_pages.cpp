// The browser's tree and pages over a small fixture database: what the tree lists, what
// the pages read, and what saving them stores.
#include "support/browser_fixture.h"
#include "workbench/browser_management.h"
#include "workbench/browser_observation.h"
#include "workbench/browser_site.h"
#include "workbench/browser_tables.h"
#include "workbench/browser_tree.h"

#include <gtest/gtest.h>

using namespace vt;
using namespace vt::workbench;

TEST(BrowserTree, ExperimentsWithTheirPlotsResultsAndReferences)
{
    auto c = test::browser_fixture();
    const auto tree = read_browser_tree(*c);
    ASSERT_EQ(tree.experiments.size(), 2u);
    const auto& nord = tree.experiments[0];
    EXPECT_EQ(nord.label(), "Nord   <1>");
    EXPECT_FALSE(nord.hasReferences);
    EXPECT_TRUE(tree.experiments[1].hasReferences);
    ASSERT_EQ(nord.plots.size(), 3u);
    EXPECT_EQ(tree.plots[nord.plots[0]].name, "Acker");  // name order
    EXPECT_FALSE(tree.plots[nord.plots[0]].hasResults);  // mean simulated value 0
    EXPECT_EQ(tree.plots[nord.plots[1]].flId, 12);
    EXPECT_TRUE(tree.plots[nord.plots[1]].hasResults);
}

TEST(BrowserTree, OneLocationWithTwoCodesListsItsPlotsTwice)
{
    auto c = test::browser_fixture();
    c->execute("update field_description set versuch_code='7' where fl_id=20");
    const auto tree = read_browser_tree(*c);
    ASSERT_EQ(tree.experiments.size(), 3u);
    EXPECT_EQ(tree.experiments[0].plots, tree.experiments[1].plots);
}

TEST(BrowserTree, EmptyDatabaseAndLabels)
{
    auto c = db::Connection::memory();
    EXPECT_TRUE(read_browser_tree(*c).experiments.empty());
    EXPECT_EQ(get_location("O'Brien \"x\"   <12>"), "O'Brien \"x\"");
    EXPECT_EQ(get_vcode("Nord   <12>"), "12");
    EXPECT_EQ(get_vcode("Nord"), "?");
    EXPECT_EQ(get_location("Nord"), "Nord");
    EXPECT_EQ(root_label("/home/user/experiments/archive/2024/rux_demo.db"), "/home/user/exper...2024/rux_demo.db");
    EXPECT_EQ(root_label("/tmp/a.db"), "/tmp/a.db");
}

TEST(BrowserSite, ReadsTheDescriptionAndItsLists)
{
    auto c = test::browser_fixture();
    const auto d = read_plot_description(*c, 12);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->name, "Feld");
    EXPECT_EQ(d->location, "Nord");
    EXPECT_FALSE(read_plot_description(*c, 99));
    EXPECT_EQ(station_choices(*c).front().text, "-?-");
    EXPECT_EQ(station_choices(*c).size(), 3u);
    EXPECT_EQ(simulated_mean_bat(*c, 12), "30.81");
    EXPECT_EQ(simulated_mean_bat(*c, 10), "");
    const auto n = read_plot_counts(*c, 12);
    EXPECT_EQ(n.events, 4);
    EXPECT_EQ(n.firstEventYear, 1990);
    EXPECT_EQ(n.observations, 4);
    EXPECT_EQ(n.nitrogenObservations, 2);
    EXPECT_EQ(n.initialYear, 1990);
    EXPECT_EQ(read_plot_counts(*c, 15).firstEventYear, -99);
    // Plot 40 may continue plot 12's state of 1995.
    const auto init = initialisation_choices(*c, 40, 1996);
    ASSERT_EQ(init.size(), 4u);
    EXPECT_EQ(init[3], "12: Feld");
    EXPECT_EQ(continued_first_year(*c, 12), 1996);
}

TEST(BrowserSite, RepeatCountPacksTheFirstYear)
{
    EXPECT_EQ(split_rep_cnt(19903).from, "1990");
    EXPECT_EQ(split_rep_cnt(19903).repeat, "3");
    EXPECT_FALSE(split_rep_cnt(5).from);
    EXPECT_EQ(split_rep_cnt(5).repeat, "5");
}

TEST(BrowserSite, SaveStoresQuotesAsTypedAndDefaults)
{
    auto c = test::browser_fixture();
    PlotDescriptionEdit e;
    e.flId = 12;
    e.name = "O'Brien's \"Feld\"";
    e.herkunft = "it's";
    e.area = "2,5";
    e.climateId = -99;
    e.soilId = 2;
    e.bat = "n/a";
    e.from = "1990";
    e.repeat = "3";
    e.notill = 1;
    e.initialisation = "12: Feld";
    save_plot_description(*c, e);
    const auto d = read_plot_description(*c, 12);
    EXPECT_EQ(d->name, e.name);
    EXPECT_EQ(d->herkunft, "it's");
    EXPECT_EQ(d->comment, "?");
    EXPECT_EQ(d->climateId, -99);
    EXPECT_DOUBLE_EQ(d->mwBat, 30);
    EXPECT_EQ(d->repCnt, 19903);
    EXPECT_EQ(d->iCon, "12");
    EXPECT_EQ(d->area, "2.5");
}

TEST(BrowserSite, NonNumericInputIsRefusedAndNothingWritten)
{
    auto c = test::browser_fixture();
    for (const auto& [area, from, repeat] : {std::tuple{"big", "", "0"}, {"1", "19x0", "0"}, {"1", "", "many"}, {"1", "", "100"}}) {
        PlotDescriptionEdit e;
        e.flId = 12;
        e.name = "changed";
        e.area = area;
        e.from = from;
        e.repeat = repeat;
        EXPECT_THROW(save_plot_description(*c, e), BrowserInputError) << area << from << repeat;
    }
    EXPECT_EQ(read_plot_description(*c, 12)->name, "Feld");
}

TEST(BrowserManagement, RowsAreNamedAndFiltered)
{
    auto c = test::browser_fixture();
    const auto rows = management_rows(*c, 12);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].macode, 2);  // year, then action code
    EXPECT_EQ(rows[0].subject, "winter wheat");
    EXPECT_EQ(rows[1].subject, "calcium ammonium nitrate");
    EXPECT_EQ(rows[2].subject, "farmyard manure");
    EXPECT_EQ(rows[3].subject, "sugar beet");  // a crop not offered for selection is still named
    EXPECT_EQ(management_rows(*c, 12, ManagementFilter::Harvest).size(), 2u);
    EXPECT_EQ(management_rows(*c, 12, ManagementFilter::Fertilizer).size(), 1u);
    c->execute("update cultivation set item_ix=77 where cultivation_id=1");
    EXPECT_EQ(management_rows(*c, 12)[0].subject, "?");
}

TEST(BrowserManagement, OfferedItemsFollowTheSelectionTables)
{
    auto c = test::browser_fixture();
    const auto items = selectable_items(*c);
    int crops = 0;
    for (const auto& i : items) crops += i.group == 1;
    EXPECT_EQ(crops, 1);
    const auto actions = action_choices(*c, false);
    EXPECT_EQ(actions.size(), 7u);
    EXPECT_EQ(action_choices(*c, true).size(), 8u);
}

TEST(BrowserManagement, InsertOverwriteAndDelete)
{
    auto c = test::browser_fixture();
    ManagementInput in;
    in.flId = 20;
    in.year = 2001;
    in.month = 4;
    in.day = 2;
    in.macode = 3;
    in.itemKey = 300101;
    in.intensity = "250,5";
    const auto id = save_management_event(*c, in);
    auto r = c->query("select Quantity, Sim_Quantity, Item_IX, [year] from cultivation where cultivation_id=?", {id});
    EXPECT_DOUBLE_EQ(r.getDouble("Quantity"), 250.5);
    EXPECT_DOUBLE_EQ(r.getDouble("Sim_Quantity"), 100);  // whole plot without area shares
    EXPECT_EQ(r.getInt("Item_IX"), 101);

    in.insert = false;
    in.cultivationId = id;
    in.macode = 14;
    in.intensity = "anything";  // tillage stores quantity 0 whatever is typed
    save_management_event(*c, in);
    EXPECT_DOUBLE_EQ(c->scalar("select Quantity from cultivation where cultivation_id=?", {id}).toDouble(), 0);

    in.cultivationId = 1;  // an event of another plot is not overwritten
    EXPECT_THROW(save_management_event(*c, in), BrowserInputError);
    EXPECT_EQ(delete_management_event(*c, 20, id), 1);
    EXPECT_EQ(test::rows_of_plot(*c, "cultivation", 20), 0);
}

TEST(BrowserManagement, AreaShareInRegionalDatabases)
{
    auto c = test::browser_fixture();
    c->execute("alter table cultivation add part double");
    ManagementInput in;
    in.flId = 20;
    in.year = 2001;
    in.macode = 2;
    in.intensity = "60";
    in.useAreaShare = true;
    in.areaShare = "62.5";
    const auto id = save_management_event(*c, in);
    auto r = c->query("select part, Sim_Quantity from cultivation where cultivation_id=?", {id});
    EXPECT_DOUBLE_EQ(r.getDouble("part"), 62.5);
    EXPECT_DOUBLE_EQ(r.getDouble("Sim_Quantity"), 62);  // halves to the even neighbour
}

TEST(BrowserManagement, BadNumbersAreRefusedBeforeAnyStatement)
{
    auto c = test::browser_fixture();
    ManagementInput in;
    in.flId = 20;
    in.year = 2001;
    for (const auto& [intensity, share] : {std::pair{"1e", "100"}, {"", "100"}, {"12", "half"}, {"nan", "100"}}) {
        in.intensity = intensity;
        in.useAreaShare = true;
        in.areaShare = share;
        EXPECT_THROW(save_management_event(*c, in), BrowserInputError) << intensity << share;
    }
    EXPECT_EQ(test::rows_of_plot(*c, "cultivation", 20), 0);
}

TEST(BrowserObservation, YearNumberAndResultsDiscarded)
{
    auto c = test::browser_fixture();
    ObservationInput in;
    in.flId = 12;
    in.mix = 7;
    in.firstYear = "1990";
    in.year = 1995;
    in.value = "1,3";
    const auto s = save_observation(*c, in);
    EXPECT_EQ(s.yearNumber, 6);
    EXPECT_EQ(s.resultsDiscarded, 2);
    EXPECT_EQ(test::rows_of_plot(*c, "sim_result", 12), 0);
    EXPECT_DOUBLE_EQ(c->scalar("select meas_value from measurements where meas_ID=?", {s.measId}).toDouble(), 1.3);
    in.value = "";
    in.insert = false;
    in.measId = s.measId;
    save_observation(*c, in);
    EXPECT_DOUBLE_EQ(c->scalar("select meas_value from measurements where meas_ID=?", {s.measId}).toDouble(), 0);
}

TEST(BrowserObservation, NewInitialValueRenumbersLaterObservations)
{
    auto c = test::browser_fixture();
    c->execute("update field_description set i_con='null' where fl_id=12");
    ObservationInput in;
    in.flId = 12;
    in.mix = 0;
    in.firstYear = "1990";
    in.year = 1992;
    in.value = "0.11";
    in.initial = true;
    const auto s = save_observation(*c, in);
    EXPECT_EQ(s.firstYear, 1992);
    EXPECT_EQ(c->scalar("select year_number from measurements where meas_ID=3").toInt(), -99);  // the former initial value
    EXPECT_EQ(c->scalar("select year_number from measurements where meas_ID=?", {s.measId}).toInt(), 0);
    EXPECT_EQ(c->scalar("select year_number from measurements where meas_ID=4").toInt(), 5);  // 1996 from 1992
    EXPECT_EQ(c->scalar("select year_number from measurements where meas_ID=2").toInt(), 6);  // carbon untouched
    EXPECT_EQ(read_plot_description(*c, 12)->iCon, "obsval");
}

TEST(BrowserObservation, RefusedInput)
{
    auto c = test::browser_fixture();
    ObservationInput in;
    in.flId = 20;
    in.mix = 7;
    in.firstYear = "-99";
    in.year = 1995;
    try {
        save_observation(*c, in);
        FAIL() << "soil carbon without an initial value was stored";
    } catch (const BrowserInputError& e) {
        EXPECT_STREQ(e.what(), "please edit first the initial value");
        EXPECT_EQ(e.caption(), "OPERATION DENIED");
    }
    in.firstYear = "1990";
    for (const auto& [value, variance] : {std::pair{"1.2.3", ""}, {"1", "x"}}) {
        in.value = value;
        in.variance = variance;
        EXPECT_THROW(save_observation(*c, in), BrowserInputError);
    }
    in.firstYear = "19x0";
    in.value = "1";
    in.variance = "";
    EXPECT_THROW(save_observation(*c, in), BrowserInputError);
    EXPECT_EQ(test::rows_of_plot(*c, "measurements", 20), 0);
}

TEST(BrowserObservation, ListOfOnePropertyAndDelete)
{
    auto c = test::browser_fixture();
    EXPECT_EQ(observation_rows(*c, 12).size(), 4u);
    const auto carbon = observation_rows(*c, 12, 7);
    ASSERT_EQ(carbon.size(), 2u);
    EXPECT_EQ(carbon[0].property, "soil organic carbon");
    EXPECT_EQ(delete_observation(*c, 12, carbon[0].id), 1);
    EXPECT_EQ(delete_observation(*c, 10, carbon[1].id), 0);  // not the plot's
    EXPECT_EQ(test::rows_of_plot(*c, "sim_result", 12), 2);  // deleting keeps the results
}

TEST(BrowserTables, ExperimentGridsAndTheirFilter)
{
    auto c = test::browser_fixture();
    const auto plots = read_experiment_plots(*c, {"1", std::string("Nord")});
    ASSERT_EQ(plots.rows.size(), 3u);
    EXPECT_EQ(read_plot_table(*c, "cultivation", 12).rows.size(), 4u);
    EXPECT_EQ(read_plot_table(*c, "cultivation", 12, "macode=2 or macode=9").rows.size(), 2u);  // within the plot only
    EXPECT_EQ(read_plot_table(*c, "measurements", 12, "1=1").rows.size(), 4u);
    EXPECT_THROW(read_plot_table(*c, "cultivation", 12, "1=1; delete from cultivation"), BrowserInputError);
    EXPECT_THROW(read_plot_table(*c, "cultivation", 12, "no_such_column=1"), BrowserInputError);
    EXPECT_THROW(read_plot_table(*c, "sim_result", 12), BrowserInputError);
    EXPECT_EQ(test::rows_of_plot(*c, "cultivation", 12), 4);
}

TEST(BrowserTables, CellEditsKeepNumbersNumbers)
{
    auto c = test::browser_fixture();
    const auto g = read_plot_table(*c, "cultivation", 12);
    EXPECT_DOUBLE_EQ(update_table_cell(*c, "cultivation", g.rowids[0], "Quantity", "72,5").toDouble(), 72.5);
    EXPECT_THROW(update_table_cell(*c, "cultivation", g.rowids[0], "Quantity", "much"), BrowserInputError);
    EXPECT_THROW(update_table_cell(*c, "cultivation", g.rowids[0], "nonsense", "1"), BrowserInputError);
    const auto p = read_experiment_plots(*c, {"1", std::string("Nord")});
    update_table_cell(*c, "field_description", p.rowids[0], "site_description", "Bauer's \"Acker\"");
    EXPECT_EQ(read_plot_description(*c, p.rows[0][0].toInt())->name, "Bauer's \"Acker\"");
    EXPECT_DOUBLE_EQ(c->scalar("select Quantity from cultivation where cultivation_id=1").toDouble(), 72.5);
}

TEST(BrowserTables, NewRowsStartWithTheRememberedValues)
{
    auto c = test::browser_fixture();
    const auto g = read_plot_table(*c, "cultivation", 12);
    const auto start = remembered_values(g, 2);  // organic amendment of 1991
    ASSERT_EQ(start.size(), 4u);
    const auto rowid = insert_plot_row(*c, "cultivation", 12, start);
    auto r = c->query("select FL_ID, Macode, [year], cultivation_id from cultivation where rowid=?", {rowid});
    EXPECT_EQ(r.getInt("FL_ID"), 12);  // the plot shown, not the next one
    EXPECT_EQ(r.getInt("Macode"), 3);
    EXPECT_EQ(r.getInt("year"), 1991);
    EXPECT_EQ(r.getInt("cultivation_id"), 6);
    const auto m = insert_plot_row(*c, "measurements", 12, remembered_values(read_plot_table(*c, "measurements", 12), 0));
    EXPECT_EQ(c->scalar("select M_IX from measurements where rowid=?", {m}).toInt(), 7);
    EXPECT_THROW(insert_plot_row(*c, "field_description", 12, {}), BrowserInputError);
}
