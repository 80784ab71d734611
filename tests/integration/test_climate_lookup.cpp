#include "engine/preparation/plot_lookup.h"
#include "integration/run_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using vt::test::RunFixture;

namespace {

// Four plots from 2001 to 2010 (regional: shares in part; else in FL_ID_alt):
//   1 no tillage change, station 1 (long-term row, no 2005), 40 mm irrigation on half its area from 2003;
//   2 notill 1, station 2 (every year, no long-term row);
//   3 tillage changing (notill 2), station 1, tillage events in 2002 (share 30) and 2006 (share 70);
//   4 not selected (status 0).
void mixed_plots(RunFixture& f)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (int y = 2001; y <= 2010; ++y) {
        if (y != 2005) f.addClimate(1, y, 9.0 + (y % 3) * 0.1, 550 + y % 4);
        f.addClimate(2, y, 7.5, 480 + y % 5);
    }
    f.addPlot(1);
    f.addPlot(2, 1, 2, 1);
    f.addPlot(3, 1, 1, 2);
    f.addPlot(4, 1, 1, 0, 0);
    for (long long fl = 1; fl <= 4; ++fl) {
        f.addEvent(fl, 2001, 2, 1, 60, 100);
        f.addEvent(fl, 2010, 2, 1, 60, 100);
        f.addMeasurement(fl, 7, 2001, 0, 1.2);
    }
    f.addEvent(1, 2003, 7, 0, 40, 50);
    f.addEvent(3, 2002, 14, 0, 0, 30);
    f.addEvent(3, 2006, 14, 0, 0, 70);
}

// Every working table of the climate and the BAT with its declaration, and every value with
// its storage class in row order.
std::string dump(RunFixture& f)
{
    std::string out;
    for (const std::string table : {"beregnung_jsum", "eff_climate", "clim4sim", "tmp_bat"}) {
        out += f.db().scalar("SELECT coalesce(group_concat(sql, ';'), 'none') FROM sqlite_master WHERE tbl_name=?", {table})
                   .toString() +
               "\n";
        if (!f.db().tableExists(table)) continue;
        std::string row = "''";
        for (const auto& c : f.db().columns(table))
            row += "||typeof([" + c + "])||':'||CASE typeof([" + c + "]) WHEN 'real' THEN printf('%!.17g', [" + c +
                   "]) ELSE quote([" + c + "]) END||' '";
        for (auto cur = f.db().query("SELECT " + row + " FROM " + table + " ORDER BY rowid"); !cur.eof(); cur.next())
            out += cur.field(0).toString() + "\n";
    }
    return out;
}

struct Outcome {
    std::string tables;
    bool climateFromMemory = false;  // eff_climate written by the walk through tmp_time_scen
    bool tillageUpdated = false;     // the changing tillage levels written by an update
};

Outcome run(bool regional, bool lookups, const std::function<void(RunFixture&)>& change)
{
    vt::engine::allow_in_memory_lookups(lookups);
    RunFixture f(regional);
    mixed_plots(f);
    change(f);
    Outcome o;
    f.db().profileStatements([&o](const std::string& sql, double) {
        if (sql.find("WHERE eff_row(") != std::string::npos) o.climateFromMemory = true;
        if (sql.rfind("UPDATE tmp_bat SET t_level", 0) == 0) o.tillageUpdated = true;
    });
    f.run();
    f.db().profileStatements({});
    vt::engine::allow_in_memory_lookups(true);
    o.tables = dump(f);
    return o;
}

// The tables written with in-memory lookups equal those of the joined statements, and data
// that does not allow the lookups takes the joined statements.
TEST(ClimateLookup, TablesFromMemoryEqualTheJoinedStatements)
{
    struct Case {
        const char* name;
        bool regional;
        std::function<void(RunFixture&)> change;
        bool climateFromMemory;
        bool tillageUpdated;
    };
    const std::vector<Case> cases{
        {"regional", true, [](RunFixture&) {}, true, false},
        {"shares in FL_ID_alt", false, [](RunFixture&) {}, true, false},
        // (An empty climate value ends the run before the tables are built.)
        {"integer climate values", true,
         [](RunFixture& f) { f.db().execute("UPDATE climate_data SET temperature=9, precipitation=600 WHERE year=2004"); },
         true, false},
        {"station key as text", true,
         [](RunFixture& f) {
             f.db().execute("INSERT INTO climate_data (climate_ID, year, temperature, precipitation) VALUES ('x', 2001, 1, 1)");
         },
         false, true},
        {"two selected states of a plot", true,
         [](RunFixture& f) { f.db().execute("INSERT INTO site_state (FL_ID, status, res_val) VALUES (4, 1, 0), (4, 2, 0)"); },
         false, false},
        // A plan that reads the plot-years from site_state on: its rows do not come in
        // the order of tmp_time_scen.
        {"plot-years sought by plot", true,
         [](RunFixture& f) {
             f.db().executeScript("DROP INDEX ix_site_state_fl; CREATE TABLE tmp_time_scen (fl_id int, yr int);"
                                  " CREATE INDEX tmp_time_scen_fl ON tmp_time_scen (fl_id, yr);"
                                  " CREATE TABLE state AS SELECT * FROM site_state ORDER BY FL_ID DESC;"
                                  " DELETE FROM site_state; INSERT INTO site_state SELECT * FROM state; DROP TABLE state;");
         },
         false, true},
        {"two tillage events in a year", true, [](RunFixture& f) { f.addEvent(3, 2006, 14, 0, 0, 40); }, true, true},
        // Two rows per plot-year in tmp_tirgint: the irrigation sums are grouped (the run
        // then ends at the unique index of tmp_bat).
        {"two descriptions of a plot", true,
         [](RunFixture& f) {
             f.db().execute("INSERT INTO field_description (FL_ID, climate_ID, soil_ID, mw_BAT, notill)"
                            " VALUES (2, 2, 1, 40, 0)");
         },
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome fast = run(c.regional, true, c.change);
        const Outcome joined = run(c.regional, false, c.change);
        EXPECT_FALSE(joined.climateFromMemory);
        EXPECT_EQ(fast.climateFromMemory, c.climateFromMemory);
        EXPECT_EQ(fast.tillageUpdated, c.tillageUpdated);
        EXPECT_EQ(fast.tables, joined.tables);
    }
}

} // namespace
