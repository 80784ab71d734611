#include "integration/run_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vt::engine::RunOutcome;
using vt::test::RunFixture;

namespace {

std::vector<std::string> column(RunFixture& f, const std::string& sql)
{
    std::vector<std::string> out;
    for (auto c = f.db().query(sql); !c.eof(); c.next()) out.push_back(c.getString("v"));
    return out;
}

// Plot 1, recorded 2001 to 2010: two irrigations in 2002 (50 mm on 60 %, then 30 mm on
// 40 %), one in 2007 (20 mm on 10 %) and, in the last year, two more (25 mm on 70 %, then
// 15 mm on 20 %); crops and manure in between. Plot 2 is not selected.
void irrigated_plots(RunFixture& f)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (const long long fl : {1, 2}) {
        f.addPlot(fl, 1, 1, 0, fl == 1 ? 1 : 0);
        f.addMeasurement(fl, 7, 2001, 0, 1.2);
        f.addEvent(fl, 2001, 2, 1, 60, 100);
        f.addEvent(fl, 2002, 7, 0, 50, 60);
        f.addEvent(fl, 2002, 7, 0, 30, 40);
        f.addEvent(fl, 2005, 3, 201, 10, 100);
        f.addEvent(fl, 2007, 7, 0, 20, 10);
        f.addEvent(fl, 2010, 9, 1, 70, 100);
        f.addEvent(fl, 2010, 7, 0, 25, 70);
        f.addEvent(fl, 2010, 7, 0, 15, 20);
    }
}

} // namespace

// An irrigation lasts until the next year with any event; of two in one year the larger
// amount stays (the pattern is applied in order of amount), and of two in the plot's last
// pattern year the one entered last. Years without irrigation read 0 (integers), the share
// is 1 without area shares, and `part` keeps its marker.
TEST(IrrigationPattern, EachScenarioYearCarriesTheIrrigationValidInIt)
{
    for (const bool regional : {false, true}) {
        SCOPED_TRACE(regional ? "regional" : "non-regional");
        RunFixture f(regional);
        irrigated_plots(f);
        ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);

        const std::string on = regional ? "60.0" : "1";
        const std::string late = regional ? "10.0" : "1";
        const std::string last = regional ? "20.0" : "1";
        const std::vector<std::string> expected = {
            "2001 0/0 integer",        "2002 50.0/" + on + " real", "2003 50.0/" + on + " real",
            "2004 50.0/" + on + " real", "2005 0/0 integer",        "2006 0/0 integer",
            "2007 20.0/" + late + " real", "2008 20.0/" + late + " real", "2009 20.0/" + late + " real",
            "2010 15.0/" + last + " real"};
        EXPECT_EQ(column(f, "SELECT year || ' ' || iramnt || '/' || irarea || ' ' || typeof(iramnt) AS v"
                            " FROM tmp_tirgint ORDER BY rowid"),
                  expected);
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_tirgint WHERE part <> -99.99 OR FL_ID <> 1"), 0);
        EXPECT_EQ(column(f, "SELECT yr AS v FROM tmp_time_scen ORDER BY rowid"),
                  (std::vector<std::string>{"2001", "2002", "2003", "2004", "2005", "2006", "2007", "2008", "2009",
                                            "2010"}));
        EXPECT_EQ(column(f, "SELECT Maxvonyear || ' ' || Minvonyear || ' ' || intl AS v FROM tmp_time_int"),
                  (std::vector<std::string>{"2010 2001 10"}));
        // The placeholders' declarations: the plot's and year's types, none for the values.
        EXPECT_EQ(column(f, "SELECT name || ':' || type AS v FROM pragma_table_info('tmp_tirgint')"),
                  (std::vector<std::string>{"FL_ID:INT", "year:INT", "notill:REAL", "part:", "iramnt:", "irarea:"}));
    }
}

// A database without the (FL_ID, year) index of cultivation (e.g. an import) gets the same
// tables, and the index ix_cultivation_fl that the steps seek on, once; one that has such an
// index under a name of its own keeps it and gets no second one (unless it is partial).
TEST(IrrigationPattern, ADatabaseWithoutTheEventIndexGetsItOnce)
{
    const auto indexes = [](RunFixture& f) {
        return column(f, "SELECT name AS v FROM sqlite_master WHERE type='index' AND tbl_name='cultivation' ORDER BY name");
    };
    struct Case {
        const char* index;  // the database's own index of cultivation
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"", {"ix_cultivation_fl"}},
        {"CREATE INDEX by_plot_year ON cultivation (fl_id, YEAR, Macode)", {"by_plot_year"}},
        {"CREATE INDEX tillage ON cultivation (FL_ID, [year]) WHERE Macode=14", {"ix_cultivation_fl", "tillage"}},
    };
    for (const auto& [index, expected] : cases) {
        SCOPED_TRACE(index);
        RunFixture f(true);
        irrigated_plots(f);
        f.db().execute("DROP INDEX ix_cultivation_fl");
        if (*index) f.db().execute(index);
        for (int run = 0; run < 2; ++run) {
            ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
            EXPECT_EQ(indexes(f), expected);
        }
        EXPECT_EQ(column(f, "SELECT Maxvonyear || ' ' || Minvonyear || ' ' || intl AS v FROM tmp_time_int"),
                  (std::vector<std::string>{"2010 2001 10"}));
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_tirgint WHERE iramnt > 0"), 7);
    }
}

// Events with whole plot ids and years take the next year with an event from the input
// check's list of plot-years, in whatever order they are stored; an event without a plot
// leaves the search of the events. The tables are the same either way.
TEST(IrrigationPattern, TheNextEventYearIsTheSameFromTheListAndFromTheEvents)
{
    const auto rows = [](RunFixture& f, const std::string& table) {
        return column(f, "SELECT quote(FL_ID) || ' ' || quote(yr) || ' ' || quote(yr_mx) || ' ' || quote(quantity) || ' ' ||"
                         " quote(Macode) AS v FROM " + table + " ORDER BY rowid");
    };
    const auto tirgint = [](RunFixture& f) {
        return column(f, "SELECT FL_ID || ' ' || [year] || ' ' || quote(notill) || ' ' || quote(iramnt) || ' ' ||"
                         " quote(irarea) AS v FROM tmp_tirgint ORDER BY rowid");
    };
    RunFixture listed(true), shuffled(true), searched(true);
    for (RunFixture* f : {&listed, &shuffled, &searched}) {
        irrigated_plots(*f);
        f->db().execute("UPDATE site_state SET status=1");
    }
    // Plot 1's events stored after plot 2's, each plot's in their order: listed too.
    shuffled.db().execute("UPDATE cultivation SET cultivation_id = cultivation_id + 1000 WHERE FL_ID = 1");
    // An event without a plot: no list, the later events are searched.
    searched.db().execute("INSERT INTO cultivation (FL_ID, year, Macode, Item_IX, Quantity) VALUES (NULL, 2006, 2, 1, 50)");
    ASSERT_EQ(listed.run().result.outcome, RunOutcome::Finished);
    ASSERT_EQ(shuffled.run().result.outcome, RunOutcome::Finished);
    ASSERT_EQ(searched.run().result.outcome, RunOutcome::Finished);
    const std::vector<std::string> pattern = rows(searched, "tmp_tirg_pattern");
    EXPECT_EQ(pattern.size(), 6u);
    EXPECT_EQ(rows(listed, "tmp_tirg_pattern"), pattern);
    EXPECT_EQ(tirgint(listed), tirgint(searched));
    EXPECT_EQ(rows(shuffled, "tmp_tirg_pattern"), pattern);
    EXPECT_EQ(tirgint(shuffled), tirgint(searched));
}

// The rows of a plot whose description gives two notill values or is missing: each year
// once per value (the smaller first), with the irrigation of the plot-year on both, and
// none; plots with one value each have their own, and a plot listed twice its rows once.
TEST(IrrigationPattern, PlotsWithUnusualDescriptionsOrListings)
{
    struct Case {
        const char* name;
        const char* shape;
        std::vector<std::string> rows;  // FL_ID year notill iramnt of the years 2006 to 2008
    };
    const std::vector<Case> cases{
        {"one value each", "", {"1 2006 0.0 0", "1 2007 0.0 20.0", "1 2008 0.0 20.0"}},
        {"two values",
         "INSERT INTO field_description (FL_ID, climate_ID, soil_ID, notill) VALUES (1, 1, 1, -1)",
         {"1 2006 -1.0 0", "1 2006 0.0 0", "1 2007 -1.0 20.0", "1 2007 0.0 20.0", "1 2008 -1.0 20.0",
          "1 2008 0.0 20.0"}},
        {"no description", "DELETE FROM field_description WHERE FL_ID = 1", {}},
        {"one value each, not the same",
         "UPDATE site_state SET status = 1; UPDATE field_description SET notill = -1 WHERE FL_ID = 2",
         {"1 2006 0.0 0", "1 2007 0.0 20.0", "1 2008 0.0 20.0", "2 2006 -1.0 0", "2 2007 -1.0 20.0", "2 2008 -1.0 20.0"}},
        {"a plot listed twice", "INSERT INTO site_state (FL_ID, status, res_val) VALUES (1, 1, 0)",
         {"1 2006 0.0 0", "1 2007 0.0 20.0", "1 2008 0.0 20.0"}},
        {"a second plot without description",
         "UPDATE site_state SET status = 1; DELETE FROM field_description WHERE FL_ID = 2",
         {"1 2006 0.0 0", "1 2007 0.0 20.0", "1 2008 0.0 20.0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture f(true);
        irrigated_plots(f);
        if (*c.shape) f.db().executeScript(c.shape);
        f.run();  // the soil check may stop the run later; the pattern is built before it
        EXPECT_EQ(column(f, "SELECT FL_ID || ' ' || year || ' ' || notill || ' ' || iramnt AS v FROM tmp_tirgint"
                            " WHERE year BETWEEN 2006 AND 2008 ORDER BY rowid"),
                  c.rows);
        EXPECT_EQ(column(f, "SELECT name || ':' || type AS v FROM pragma_table_info('tmp_tirgint')"),
                  (std::vector<std::string>{"FL_ID:INT", "year:INT", "notill:REAL", "part:", "iramnt:", "irarea:"}));
    }
}

// Each selected plot's years from its first to its last event, plot after plot; a plot
// whose events have no year has the year 0 alone.
TEST(TimeSpan, EveryYearOfEachPlotAndYearZeroWithoutYears)
{
    for (const bool withoutYears : {false, true}) {
        SCOPED_TRACE(withoutYears ? "a plot without years" : "years everywhere");
        RunFixture f(true);
        irrigated_plots(f);
        f.db().execute("UPDATE site_state SET status = 1");
        f.db().execute(withoutYears ? "UPDATE cultivation SET year = NULL WHERE FL_ID = 1"
                                    : "DELETE FROM cultivation WHERE FL_ID = 1 AND year > 2004");
        f.run();  // a later step may stop the run; the years are written before it
        std::vector<std::string> expected = withoutYears ? std::vector<std::string>{"1 0"}
                                                         : std::vector<std::string>{"1 2001", "1 2002"};
        for (int y = 2001; y <= 2010; ++y) expected.push_back("2 " + std::to_string(y));
        EXPECT_EQ(column(f, "SELECT fl_id || ' ' || yr || CASE typeof(yr) WHEN 'integer' THEN '' ELSE ' ' || typeof(yr) END"
                            " AS v FROM tmp_time_scen ORDER BY rowid"),
                  expected);
    }
}
