#include "integration/run_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using vt::engine::RunOutcome;
using vt::test::RunFixture;

namespace {

// Plot 1 with wheat (60 dt) in 2001 and manure (10 t) in 2003, initial carbon in 2001.
RunFixture& wheat_and_manure(RunFixture& f)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (int y = 2001; y <= 2003; ++y) f.addClimate(1, y, 9.0, 550);
    f.addPlot(1);
    f.addEvent(1, 2001, 2, 1, 60);
    f.addEvent(1, 2003, 3, 201, 10);
    f.addMeasurement(1, 7, 2001, 0, 1.2);
    return f;
}

bool logged(const RunFixture::Run& run, const std::string& line)
{
    return std::find(run.log.begin(), run.log.end(), line) != run.log.end();
}

// Two selected plots whose events are entered plot 2 first (their stored order is not the
// order of the plots): crops with harvest residues and by-products, an amendment, an
// unknown crop.
RunFixture& two_plots(RunFixture& f)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (int y = 2001; y <= 2003; ++y) f.addClimate(1, y, 9.0, 550);
    f.addPlot(1);
    f.addPlot(2);
    f.addEvent(2, 2002, 9, 1, 70, 40);
    f.addEvent(2, 2001, 3, 201, 12);
    f.addEvent(1, 2001, 2, 1, 60);
    f.addEvent(1, 2001, 3, 201, 10, 60);
    f.addEvent(1, 2002, 9, 1, 55);
    f.addEvent(2, 2001, 2, 1, 65);
    f.addEvent(1, 2003, 2, 77, 30);  // an item no crop has
    f.addMeasurement(1, 7, 2001, 0, 1.2);
    return f;
}

// The rows of a table in stored order, every value with its storage class.
std::vector<std::string> table_rows(RunFixture& f, const std::string& table)
{
    std::string values;
    for (const std::string& c : f.db().columns(table))
        values += (values.empty() ? "" : " || '|' || ") + std::string("typeof(") + c + ") || quote(" + c + ")";
    std::vector<std::string> rows;
    for (vt::db::Cursor c = f.db().query("SELECT " + values + " FROM " + table + " ORDER BY rowid"); !c.eof(); c.next())
        rows.push_back(c.field(0).toString());
    return rows;
}

std::vector<std::string> with_prefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0) found.push_back(l);
    return found;
}

} // namespace

// The working tables of the carbon input keep to the selected plots and to the order of the
// events whichever way the selection and the crops are read: plots listed once with every
// event's plot selected, events of unselected plots (left out, the others in their stored
// order), crops too many for short lists, a plot listed twice in site_state (its events
// meet both rows, as in a join).
TEST(CarbonInput, TheSelectionKeepsRowsAndOrder)
{
    // Runs with their reports (a stopped run writes one) beside the fixture's database.
    const auto run_in_place = [](RunFixture& f) {
        vt::engine::RunConfig cfg = f.config();
        cfg.work_dir = std::filesystem::path(f.path()).parent_path().string();
        return f.run(cfg);
    };
    RunFixture all;
    two_plots(all);
    ASSERT_EQ(run_in_place(all).result.outcome, RunOutcome::Finished);
    const auto run = run_in_place(all);  // repeated: the model quantities are in place
    ASSERT_EQ(run.result.outcome, RunOutcome::Finished);
    const std::vector<std::string> tables = {"crep_h1", "crep_year", "_cropping_dt"};

    struct Case {
        const char* name;
        std::function<void(RunFixture&)> change;
        int twice;  // plot 1's events meet site_state this many times
    };
    const auto unselectedPlot = [](RunFixture& f) {
        f.addPlot(3, 1, 1, 0, 0);
        f.addEvent(3, 2001, 2, 1, 80);
        f.addEvent(3, 2002, 3, 201, 9);
        f.addEvent(3, 2002, 9, 1, 40);
    };
    const auto manyCrops = [](RunFixture& f) {  // read by their join, not as lists
        for (int i = 0; i < 30; ++i)
            f.db().execute("INSERT INTO gldpflan (ITEM_IX, NAME, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix)"
                           " VALUES (?, 'unused', 0.5, 1.5, 10, 0.4, 101, 102)",
                           {100 + i});
    };
    // Events whose plot id is no selected plot although it sorts among them or is none.
    const auto strayPlotIds = [](RunFixture& f) {
        for (const vt::db::Value& id : {vt::db::Value(), vt::db::Value(1.5), vt::db::Value(std::string("x")), vt::db::Value(0LL)})
            f.db().execute("INSERT INTO cultivation (FL_ID, FL_ID_alt, year, Macode, Item_IX, Quantity)"
                           " VALUES (?, 0, 2001, 2, 1, 80)",
                           {id});
    };
    const Case cases[] = {
        {"unselected plot", unselectedPlot, 1},
        {"plot ids of no selected plot", strayPlotIds, 1},
        {"many crops", manyCrops, 1},
        {"unselected plot, many crops",
         [&](RunFixture& f) {
             unselectedPlot(f);
             manyCrops(f);
         },
         1},
        {"plot listed twice", [](RunFixture& f) { f.db().execute("INSERT INTO site_state (FL_ID, status) VALUES (1, 1)"); },
         2},
    };
    for (const Case& c : cases) {
        RunFixture f;
        two_plots(f);
        c.change(f);
        // A plot listed twice stops the run at its balance, after the carbon input.
        const bool finishes = c.twice == 1;
        EXPECT_EQ(run_in_place(f).result.outcome == RunOutcome::Finished, finishes) << c.name;
        const auto again = run_in_place(f);
        EXPECT_EQ(again.result.outcome == RunOutcome::Finished, finishes) << c.name;
        if (finishes) {
            for (const std::string& t : tables) EXPECT_EQ(table_rows(f, t), table_rows(all, t)) << c.name << " " << t;
            for (const char* label : {"sql 2:", "sql 3:", "CREP_ewr:", " CREP_od:", "  CREP_kop:"})
                EXPECT_EQ(with_prefix(again.log, label), with_prefix(run.log, label)) << c.name;
            continue;
        }
        // Each source of plot 1 twice, next to itself; its plot-years meet site_state again and
        // count each source four times.
        std::vector<std::string> doubled;
        for (const std::string& r : table_rows(all, "crep_h1")) {
            doubled.push_back(r);
            if (r.rfind("integer1|", 0) == 0) doubled.push_back(r);
        }
        EXPECT_EQ(table_rows(f, "crep_h1"), doubled) << c.name;
        EXPECT_EQ(f.number("SELECT sum(n) FROM crep_year WHERE FL_ID=1"),
                  4 * all.number("SELECT sum(n) FROM crep_year WHERE FL_ID=1"))
            << c.name;
        EXPECT_EQ(f.number("SELECT count(*) FROM _cropping_dt WHERE FL_ID=1"),
                  2 * all.number("SELECT count(*) FROM _cropping_dt WHERE FL_ID=1"))
            << c.name;
    }
}

// A repeated run leaves the model quantities that are still right as they are; a changed
// quantity must still reach Sim_Quantity and the yearly carbon, whether all events or only
// some changed, and the log keeps counting every event. The parameter tables are read as
// short lists, or searched per event when they are large.
TEST(CarbonInput, ARepeatedRunRecomputesChangedQuantities)
{
    for (const int extraItems : {0, 30}) {
        SCOPED_TRACE(extraItems);
        RunFixture f;
        for (int i = 0; i < extraItems; ++i)
            f.db().execute("INSERT INTO gldopspa (item_ix, NAME, ETA, TS_GEHALT, C_GEH_TS) VALUES (?, 'unused', 0.3, 0.2, 0.4)",
                           {1000 + i});
        wheat_and_manure(f);
        f.addEvent(1, 2002, 2, 1, 50);
        ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
        const double wheatN = f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=2 AND year=2001");
        const double wheat2002N = f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=2 AND year=2002");
        const double manureC = f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=3");
        const double crep2003 = f.number("SELECT Crep FROM crep_year WHERE year_0=2003");

        const auto unchanged = f.run();
        ASSERT_EQ(unchanged.result.outcome, RunOutcome::Finished);
        EXPECT_TRUE(logged(unchanged, "sql 2:1"));
        EXPECT_TRUE(logged(unchanged, "sql 3:2"));
        EXPECT_DOUBLE_EQ(f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=2 AND year=2001"), wheatN);

        // Every amendment changes, one of the two crops does.
        f.db().execute("UPDATE cultivation SET Quantity = Quantity*2 WHERE Macode=3 OR year=2001");
        f.db().execute("UPDATE cultivation SET Sim_Quantity = NULL WHERE year=2001");
        const auto changed = f.run();
        ASSERT_EQ(changed.result.outcome, RunOutcome::Finished);
        EXPECT_TRUE(logged(changed, "sql 2:1"));
        EXPECT_TRUE(logged(changed, "sql 3:2"));
        EXPECT_DOUBLE_EQ(f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=2 AND year=2001"), 2 * wheatN);
        EXPECT_DOUBLE_EQ(f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=2 AND year=2002"), wheat2002N);
        EXPECT_DOUBLE_EQ(f.number("SELECT Sim_Quantity FROM cultivation WHERE Macode=3"), 2 * manureC);
        EXPECT_DOUBLE_EQ(f.number("SELECT Crep FROM crep_year WHERE year_0=2003"), 2 * crep2003);
    }
}

// Several initial observations of one plot-year: crep_year takes the last one entered, as
// an update that meets them one after the other would.
TEST(CarbonInput, TheLastOfSeveralInitialValuesOfAYearIsTaken)
{
    RunFixture f;
    wheat_and_manure(f);
    f.addMeasurement(1, 7, 2001, 0, 1.4);
    f.addMeasurement(1, 0, 2001, 0, 0.11);
    f.addMeasurement(1, 0, 2001, 0, 0.13);
    const auto run = f.run();
    EXPECT_TRUE(logged(run, "corg updates:1"));
    EXPECT_TRUE(logged(run, "Norg updates:1"));
    EXPECT_DOUBLE_EQ(f.number("SELECT Corg FROM crep_year WHERE year_0=2001"), 1.4);
    EXPECT_DOUBLE_EQ(f.number("SELECT Norg FROM crep_year WHERE year_0=2001"), 0.13);
    EXPECT_DOUBLE_EQ(f.number("SELECT Corg FROM crep_year WHERE year_0=2003"), -99.9999);
}

// Initial observations in more than one year each reach their plot-year; one whose year is
// unknown reaches none and leaves the others in place.
TEST(CarbonInput, InitialValuesReachTheirYears)
{
    struct Case {
        const char* name;
        const char* extra;  // another initial Corg observation of plot 1
        double corg2003;
    };
    const Case cases[] = {
        {"a later year too", "INSERT INTO measurements (FL_ID, M_IX, year, year_number, meas_value) VALUES (1, 7, 2003, 0, 1.5)",
         1.5},
        {"a year unknown", "INSERT INTO measurements (FL_ID, M_IX, year, year_number, meas_value) VALUES (1, 7, NULL, 0, 1.5)",
         -99.9999},
    };
    for (const Case& c : cases) {
        RunFixture f;
        wheat_and_manure(f);
        f.db().execute(c.extra);
        f.run();
        EXPECT_DOUBLE_EQ(f.number("SELECT Corg FROM crep_year WHERE year_0=2001"), 1.2) << c.name;
        EXPECT_DOUBLE_EQ(f.number("SELECT Corg FROM crep_year WHERE year_0=2003"), c.corg2003) << c.name;
        EXPECT_DOUBLE_EQ(f.number("SELECT Norg FROM crep_year WHERE year_0=2001"), -99.9999) << c.name;
    }
}

// Crop events stored in plot-year order are read by a scan instead of the ordered walk of
// the plot index; events of one plot-year keep their stored order either way (here a
// by-product before the crop of its year). The walk is taken where an index of another
// shape leads with FL_ID, and where the events are not in plot order.
TEST(CarbonInput, HarvestResiduesOfEventsInPlotOrderAsFromTheOrderedWalk)
{
    const auto inPlotOrder = [](RunFixture& f) {
        f.addSoil(1, 15, 40);
        f.addClimate(1, 0, 8.5, 600);
        for (int y = 2001; y <= 2003; ++y) f.addClimate(1, y, 9.0, 550);
        f.addPlot(1);
        f.addPlot(2);
        f.addEvent(1, 2001, 9, 1, 55);
        f.addEvent(1, 2001, 2, 1, 60);
        f.addEvent(1, 2001, 0, 1, 20);
        f.addEvent(1, 2002, 2, 1, 70);
        f.addEvent(2, 2001, 2, 1, 65);
        f.addEvent(2, 2001, 9, 1, 40);
        f.addEvent(2, 2003, 2, 1, 50);
        f.addMeasurement(1, 7, 2001, 0, 1.2);
        f.addMeasurement(2, 7, 2001, 0, 1.1);
    };
    RunFixture scanned;
    inPlotOrder(scanned);
    ASSERT_EQ(scanned.run().result.outcome, RunOutcome::Finished);
    const std::vector<std::string> rows = table_rows(scanned, "_cropping_dt");
    ASSERT_EQ(rows.size(), 7u);

    RunFixture walked;  // an index on FL_ID alone: the walk follows ix_cultivation_fl
    inPlotOrder(walked);
    walked.db().execute("CREATE INDEX cultivation_plot ON cultivation (FL_ID)");
    ASSERT_EQ(walked.run().result.outcome, RunOutcome::Finished);
    EXPECT_EQ(table_rows(walked, "_cropping_dt"), rows);
    EXPECT_EQ(table_rows(walked, "opstab"), table_rows(scanned, "opstab"));

    RunFixture unordered;  // plot 1's last event stored after plot 2's: scanned and sorted
    inPlotOrder(unordered);
    unordered.db().execute("UPDATE cultivation SET cultivation_id = 100 WHERE FL_ID = 1 AND year = 2002");
    ASSERT_EQ(unordered.run().result.outcome, RunOutcome::Finished);
    EXPECT_EQ(table_rows(unordered, "_cropping_dt"), rows);

    // Every event stored in reverse order: the events of a plot-year follow their row ids,
    // in the sorted scan as in the walk.
    RunFixture reversedScanned, reversedWalked;
    for (RunFixture* f : {&reversedScanned, &reversedWalked}) {
        inPlotOrder(*f);
        f->db().execute("UPDATE cultivation SET cultivation_id = 1000 - cultivation_id");
    }
    reversedWalked.db().execute("CREATE INDEX cultivation_plot ON cultivation (FL_ID)");
    ASSERT_EQ(reversedScanned.run().result.outcome, RunOutcome::Finished);
    ASSERT_EQ(reversedWalked.run().result.outcome, RunOutcome::Finished);
    const std::vector<std::string> reversed = table_rows(reversedWalked, "_cropping_dt");
    EXPECT_EQ(table_rows(reversedScanned, "_cropping_dt"), reversed);
    EXPECT_NE(reversed, rows) << "the three events of plot 1 in 2001 come in their reversed order";
}
