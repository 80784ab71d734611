#include "integration/run_fixture.h"

#include <gtest/gtest.h>

using vt::engine::RunOutcome;
using vt::test::RunFixture;

namespace {

// Plot 1 (mean BAT 40) recorded from 2001 to 2010 with an irrigation of 40 mm on half of
// its area from 2003; station 1 has a long-term row and every year but 2005.
void irrigated_plot(RunFixture& f)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (int y = 2001; y <= 2010; ++y)
        if (y != 2005) f.addClimate(1, y, 9.0, 550);
    f.addPlot(1);
    f.addEvent(1, 2001, 2, 1, 60, 100);
    f.addEvent(1, 2003, 7, 0, 40, 50);
    f.addEvent(1, 2010, 2, 1, 60, 100);
    f.addMeasurement(1, 7, 2001, 0, 1.2);
}

TEST(BatTable, EachYearTakesItsOwnClimateElseTheLongTermRowPlusItsIrrigation)
{
    RunFixture f(true);
    irrigated_plot(f);
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM eff_climate"), 10);
    // 2005 takes the long-term row; 40 mm on 50 % of the area from 2003 on.
    struct Year {
        int year;
        double ltem, nied, irrig;
    };
    for (const Year& y : {Year{2002, 9.0, 550, 0}, Year{2004, 9.0, 550, 20}, Year{2005, 8.5, 600, 20}}) {
        const auto row = f.db().query("SELECT ltem, nied, irrig FROM eff_climate WHERE year_=?", {y.year});
        ASSERT_FALSE(row.eof()) << y.year;
        EXPECT_DOUBLE_EQ(row.getDouble("ltem"), y.ltem) << y.year;
        EXPECT_DOUBLE_EQ(row.getDouble("nied"), y.nied) << y.year;
        EXPECT_DOUBLE_EQ(row.getDouble("irrig"), y.irrig) << y.year;
    }
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM eff_climate INNER JOIN beregnung_jsum ON beregnung_jsum.FL_ID ="
                       " eff_climate.FL_ID AND beregnung_jsum.jahr = eff_climate.year_"
                       " WHERE eff_climate.irrig IS NOT beregnung_jsum.smenge"),
              0);
    EXPECT_DOUBLE_EQ(f.number("SELECT rain FROM tmp_bat WHERE year_0=2005"), 620);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('clix', 'clix1')"), 2);
}

TEST(BatTable, AYearWithoutRainKeepsTheMeanBat)
{
    RunFixture f;
    irrigated_plot(f);
    f.db().execute("UPDATE climate_data SET precipitation=0");
    f.db().execute("UPDATE cultivation SET Quantity=0 WHERE Macode=7");
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE BAT IS NOT 40 OR BATnotill IS NOT -40"), 0);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE t_level IS NOT 0"), 0);
}

TEST(BatTable, AStationWithTwoRowsForAYearGivesOneRowPerPlotYear)
{
    RunFixture f;
    // A station table without a key, as older databases may have it.
    f.db().executeScript("DROP TABLE climate_data; CREATE TABLE climate_data (climate_ID int, day int, month int,"
                         " [year] int, temperature double, precipitation double);");
    irrigated_plot(f);
    f.addClimate(1, 2004, 9.0, 550);
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM eff_climate"), 10);
    EXPECT_DOUBLE_EQ(f.number("SELECT ltem FROM eff_climate WHERE year_=2005"), 8.5);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat"), 10);
}

// A run ended by a check of tmp_bat leaves the table with the plots' mean BAT and no
// tillage level, as it stood before its years were computed.
TEST(BatTable, ARunEndedByItsChecksLeavesTheUncomputedTable)
{
    struct Case {
        const char* name;
        bool missingClimate;  // no long-term row: 2005 has no climate at all
        bool twoInitialValues;
        const char* message;
        long long rows;
        long long indexes;
    };
    for (const Case& c : {Case{"incomplete climate", true, false, "LTEM<0 aufgetreten ! (FL_ID 1, year 2005", 10, 1},
                          Case{"two initial values", false, true, "There is probably more than 1 initial Corg", 20, 0}}) {
        SCOPED_TRACE(c.name);
        RunFixture f;
        irrigated_plot(f);
        if (c.missingClimate) f.db().execute("DELETE FROM climate_data WHERE year=0");
        if (c.twoInitialValues) f.addMeasurement(1, 7, 2001, 0, 1.3);
        const auto run = f.run();
        EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled);
        EXPECT_EQ(run.result.message.rfind(c.message, 0), 0u) << run.result.message;
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat"), c.rows);
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE BAT IS 40 AND BATnotill IS -40 AND t_level IS -99.99"),
                  c.rows);
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM sqlite_master WHERE name='idx_fl_yr'"), c.indexes);
    }
}

} // namespace
