#include "engine/annual_balance.h"
#include "engine/result_writer.h"
#include "support/balance_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace vt::engine;
using vt::test::BalanceFixture;
using vt::test::PlotSpec;

// A plot whose rows cannot all be written leaves none of them; the plots written before it
// stay, and the connection is left without an open transaction.
TEST(ResultWriter, APlotsRowsStandOrFallTogether)
{
    BalanceFixture fx;
    for (long long id = 1; id <= 3; ++id) {
        PlotSpec p;
        p.id = id;
        fx.addPlot(p);
    }
    fx.db().execute("CREATE TRIGGER refuse AFTER INSERT ON sim_result WHEN new.fl_id=2 AND new.year_=2003"
                    " BEGIN SELECT RAISE(ABORT, 'refused'); END");
    vt::test::TempDir dir;
    const RunHooks hooks = fx.hooks();
    const RunResult r = run_annual_balance(fx.db(), fx.config(dir.path().string()), hooks);
    EXPECT_EQ(r.outcome, RunOutcome::Failed);
    EXPECT_NE(r.message.find("refused"), std::string::npos);
    const auto count = [&fx](const char* table, int plot) {
        return fx.db().scalar(std::string("select count(*) from ") + table + " where fl_id=?", {plot}).toInt();
    };
    for (const char* table : {"rux_nresult", "rux_zbv", "sim_result"}) {
        EXPECT_EQ(count(table, 1), 3) << table;
        EXPECT_EQ(count(table, 2), 0) << table;
        EXPECT_EQ(count(table, 3), 0) << table;
    }
    EXPECT_NO_THROW(fx.db().execute("BEGIN"));
    fx.db().execute("COMMIT");
}

// The old results of the selected plots go; rows of any other plot, or of none, stay.
TEST(ResultWriter, OldResultsOfTheSelectedPlotsOnlyAreRemoved)
{
    struct Case {
        const char* rows;       // fl_id values of the old rows, in stored order
        long long keptSim;      // rows left in sim_result
        const char* keptPlots;  // their plots, in stored order
    };
    const Case cases[] = {
        {"(1), (1), (2), (2)", 0, ""},
        {"(1), (1), (3), (2)", 1, "3"},
        {"(2), (2), (NULL), (1)", 1, ""},
        {"(3)", 1, "3"},
    };
    for (const Case& k : cases) {
        BalanceFixture fx;
        auto& c = fx.db();
        c.execute("insert into site_state values (1, 1, 0), (2, 1, 0), (3, 0, 0)");
        c.execute(std::string("insert into sim_result (fl_id) values ") + k.rows);
        c.execute(std::string("insert into rux_nresult (fl_id) values ") + k.rows);
        const long long secureDelete = c.scalar("PRAGMA secure_delete").toInt();
        remove_old_results(c);
        for (const char* table : {"sim_result", "rux_nresult"}) {
            EXPECT_EQ(c.scalar(std::string("select count(*) from ") + table).toInt(), k.keptSim) << k.rows << table;
            EXPECT_EQ(c.scalar(std::string("select coalesce(group_concat(fl_id), '') from ") + table).toString(),
                      k.keptPlots)
                << k.rows << table;
        }
        EXPECT_EQ(c.scalar("PRAGMA secure_delete").toInt(), secureDelete);
    }
}
