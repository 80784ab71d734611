#include "engine/balance/balance_input.h"
#include "support/balance_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace vt::engine;
using vt::test::BalanceFixture;
using vt::test::PlotSpec;

namespace {

// Everything the reader hands to the simulation, plot by plot, as text.
std::string read_all(BalanceFixture& fx, const std::string& query)
{
    const BalanceOptions options = BalanceOptions::from(fx.config("."));
    BalanceInputReader reader(fx.db(), query, options, nullptr);
    const long long total = reader.totalRows();  // the progress bar's maximum
    std::ostringstream out;
    while (auto in = reader.next()) {
        out << "plot " << in->fl_id << (in->lastPlot ? " last" : "") << (in->inPlotList ? "" : " unlisted")
            << " non_bal " << in->non_bal << '\n';
        for (const BalanceRow& r : in->rows)
            out << "  row " << r.fl_id << ' ' << r.i_con << ' ' << r.year_0 << ' ' << r.corg << ' ' << r.norg << ' '
                << r.bd << ' ' << r.skelett << ' ' << r.max_lts << ' ' << r.cif << ' ' << r.pd << ' ' << r.fc << ' '
                << r.fchw << ' ' << r.fbio << ' ' << r.clay << ' ' << r.silt << ' ' << r.deg << '\n';
        for (const auto& [yr, bat] : in->bat) out << "  bat " << yr << ' ' << bat << '\n';
        for (const auto& [yr, list] : in->additions)
            for (const FomAddition& a : list)
                out << "  add " << yr << ' ' << a.cops << ' ' << a.part << ' ' << a.k << ' ' << a.eta << ' ' << a.cnr
                    << ' ' << a.cnr_alt << ' ' << a.item_ix << ' ' << a.mkd << '\n';
    }
    EXPECT_EQ(reader.rowsRead(), total);
    return out.str();
}

PlotSpec plot(long long id, int from, int to)
{
    PlotSpec p;
    p.id = id;
    p.years.clear();
    for (int y = from; y <= to; ++y) {
        p.years.push_back(y);
        p.additions.push_back({y, 1000.0 + y, 0.01, 0.3, 40, 30, 100 + id});
    }
    p.corg = 1.0 + 0.1 * static_cast<double>(id);
    return p;
}

// Plots 1 to 3 over 2001-2004, stored in plot order.
void add_three_plots(BalanceFixture& fx)
{
    for (long long id = 1; id <= 3; ++id) fx.addPlot(plot(id, 2001, 2004));
}

} // namespace

// The carbon model's own query is read as merged streams of its tables; what reaches the
// simulation must be exactly what the query gives when it is read as it stands (the same
// text with a trailing blank).
TEST(BalanceInput, StreamsGiveExactlyTheRowsOfTheInputQuery)
{
    const std::vector<std::pair<const char*, std::function<void(BalanceFixture&)>>> cases = {
        {"prepared tables with gaps and strays",
         [](BalanceFixture& fx) {
             fx.addPlot(plot(1, 2001, 2005));
             fx.addPlot(plot(2, 2001, 2003));
             PlotSpec off = plot(3, 2001, 2002);
             off.selected = false;
             fx.addPlot(off);
             auto& c = fx.db();
             // A year without BAT is no input row; BAT of a year without input stays in the
             // plot's BAT; a second BAT row repeats the year.
             c.execute("delete from tmp_bat where FL_ID=1 and year_0=2003");
             c.execute("insert into tmp_bat values (2, 2000, 20, 8.5, 600, 12, 10, 50)");
             c.execute("insert into tmp_bat values (2, 2002, 20, 8.5, 600, 30, 24, 0)");
             c.execute("insert into Crep_year values (9, 2001, 500, 1, 2002, -99, -99)");
             c.execute("insert into opstab values (1, 2002, 'late', 5, 'OD', 50, 0.1, 0.2, 10, 8, 9998, 1)");
             c.execute("insert into measurements values (1, 2, -1, 2001, 0, 0.25)");
             c.execute("delete from site_state where FL_ID=2");
             c.execute("insert into site_state values (2, 1, 0)");
         }},
        {"tables in plot order",
         [](BalanceFixture& fx) {
             add_three_plots(fx);
             auto& c = fx.db();
             // Still in order: a year without BAT, and a second BAT row of the last year.
             c.execute("delete from tmp_bat where FL_ID=2 and year_0=2002");
             c.execute("insert into tmp_bat values (3, 2004, 20, 8.5, 600, 31, 25, 10)");
         }},
        {"crep_year not stored in plot order",
         [](BalanceFixture& fx) {
             fx.addPlot(plot(5, 2001, 2003));
             fx.addPlot(plot(4, 2002, 2004));
         }},
        {"a plot with two soil rows",
         [](BalanceFixture& fx) {
             fx.addPlot(plot(1, 2001, 2003));
             fx.addPlot(plot(2, 2001, 2002));
             fx.db().execute("insert into tmp_soil_prop select * from tmp_soil_prop where FL_ID=1");
         }},
    };
    for (const auto& [name, setUp] : cases) {
        BalanceFixture fx;
        setUp(fx);
        const std::string asQuery = read_all(fx, carbon_input_query(false) + " ");
        EXPECT_EQ(read_all(fx, carbon_input_query(false)), asQuery) << name;
        EXPECT_NE(asQuery.find("plot"), std::string::npos) << name;
    }
}

// The run's test for an initial observation before the first crop or amendment year finds a
// conflict exactly when the check query written to rux_check_init.sql lists a plot, in both
// of its forms: through the event index (driven by the plots or by the observations), and
// grouped for databases without one.
TEST(BalanceInput, ConflictTestAgreesWithTheInitialObservationCheck)
{
    const std::vector<std::pair<const char*, bool>> cases = {
        {"", false},
        {"update measurements set [year]=1995 where FL_ID=1 and year_number=0", true},
        {"update measurements set [year]=2000 where FL_ID=1 and year_number=0;"
         "insert into cultivation values (1, 1, 1990, 5, 1, 10)",
         true},
        {"update measurements set [year]=2000 where FL_ID=1 and year_number=0;"
         "insert into cultivation values (1, 1, 1999, 3, 1, 10)",
         false},
        {"update measurements set [year]=2000 where FL_ID=1 and year_number=0;"
         "insert into cultivation values (1, 1, NULL, 2, 1, 10)",
         true},
        {"update measurements set [year]=1995 where FL_ID=2 and year_number=0;"
         "update site_state set status=0 where FL_ID=2",
         false},
    };
    for (const auto& [change, conflict] : cases) {
        BalanceFixture fx;
        fx.addPlot(plot(1, 2001, 2003));
        fx.addPlot(plot(2, 2001, 2003));
        if (*change) fx.db().executeScript(change);
        EXPECT_EQ(!fx.db().query(initial_observation_check_query()).eof(), conflict) << change;
        for (const bool eventIndex : {true, false})
            for (const bool fromObservations : {false, true})
                EXPECT_EQ(!fx.db().query(initial_observation_conflict_query(eventIndex, fromObservations)).eof(), conflict)
                    << change << (eventIndex ? " (per plot through the index" : " (grouped")
                    << (fromObservations ? ", from the observations)" : ")");
    }
}

// Stored in plot order, or appended plot by plot from a few sources, tmp_bat and opstab are
// read in rowid order, run after run; what reaches the simulation is what their indexes give
// (read so once a stray text plot number leaves the stored order unknown).
TEST(BalanceInput, TablesInStoredPlotOrderGiveWhatTheirIndexesGive)
{
    struct Case {
        const char* name;
        std::function<void(BalanceFixture&)> setUp;
        bool opstabByRuns, batByRowid;
    };
    const auto addition = [](BalanceFixture& fx, long long id, int year, double cops) {
        fx.db().execute("insert into opstab (FL_ID, year_, COPS, part, K, ETA, CNR, cnr_alt, item_ix, mkd) "
                        "values (?, ?, ?, 100, 0.01, 0.3, 40, 30, 7, 0)",
                        {id, year, cops});
    };
    const Case cases[] = {
        {"in plot order",
         [](BalanceFixture& fx) {
             add_three_plots(fx);
         },
         true, true},
        {"additions from three sources",
         [&addition](BalanceFixture& fx) {
             add_three_plots(fx);
             for (long long id : {1, 3}) addition(fx, id, 2002, 5.0 + static_cast<double>(id));
             for (long long id : {1, 2, 3}) addition(fx, id, 2002, 9.0 + static_cast<double>(id));
         },
         true, true},
        {"additions from many sources",
         [&addition](BalanceFixture& fx) {
             add_three_plots(fx);
             for (int run = 0; run < 9; ++run)
                 for (long long id : {2, 1}) addition(fx, id, 2003, run + static_cast<double>(id));
         },
         false, true},
        {"values of other storage classes",
         [](BalanceFixture& fx) {
             add_three_plots(fx);
             auto& c = fx.db();
             c.execute("update opstab set COPS='&H10', K='1 5' where FL_ID=1 and year_=2002");
             c.execute("update opstab set item_ix=3.6, mkd='2 1' where FL_ID=2");
             c.execute("update opstab set mkd=NULL, part=X'3431' where FL_ID=3");
             c.execute("update tmp_bat set BAT='31.5' where FL_ID=2 and year_0=2003");
         },
         true, true},
        {"plots stored backwards",
         [](BalanceFixture& fx) {
             fx.addPlot(plot(5, 2001, 2003));
             fx.addPlot(plot(4, 2002, 2004));
         },
         true, false},
    };
    for (const Case& k : cases) {
        std::string read[2];
        bool opstabByRuns = false, batByRowid = false;
        for (int stray = 0; stray < 2; ++stray) {
            BalanceFixture fx;
            k.setUp(fx);
            if (stray) {
                fx.db().execute("insert into opstab (FL_ID, year_) values ('x', 2001)");
                fx.db().execute("insert into tmp_bat (FL_ID, year_0) values ('x', 2001)");
            }
            fx.db().profileStatements([&](const std::string& sql, double) {
                if (stray || sql.find("rowid >= ?1") == std::string::npos) return;
                (sql.find("opstab") != std::string::npos ? opstabByRuns : batByRowid) = true;
            });
            read[stray] = read_all(fx, carbon_input_query(false));
        }
        EXPECT_EQ(read[0], read[1]) << k.name;
        EXPECT_EQ(opstabByRuns, k.opstabByRuns) << k.name;
        EXPECT_EQ(batByRowid, k.batByRowid) << k.name;
    }
}
