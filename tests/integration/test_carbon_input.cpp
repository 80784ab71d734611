#include "integration/run_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

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

} // namespace

// A repeated run leaves the model quantities that are still right as they are; a changed
// quantity must still reach Sim_Quantity and the yearly carbon, whether all events or only
// some changed, and the log keeps counting every event.
TEST(CarbonInput, ARepeatedRunRecomputesChangedQuantities)
{
    RunFixture f;
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
