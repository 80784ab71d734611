#include "engine/balance/annual_balance.h"
#include "engine/balance/old_results.h"
#include "engine/balance/result_writer.h"
#include "support/balance_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <limits>

using namespace vt::engine;
using vt::test::BalanceFixture;
using vt::test::PlotSpec;

// A plot whose rows cannot all be written leaves none of them; the plots written before it
// stay, and the connection is left without an open transaction. A trigger makes the writer
// insert row by row; a CHECK constraint fails the statement that inserts a plot's rows at once.
TEST(ResultWriter, APlotsRowsStandOrFallTogether)
{
    const char* refusals[] = {
        "CREATE TRIGGER refuse AFTER INSERT ON sim_result WHEN new.fl_id=2 AND new.year_=2003"
        " BEGIN SELECT RAISE(ABORT, 'refused'); END",
        "CREATE TABLE sim_result_refused (fl_id int, m_ix int, year_num int, year_ int, sim_value float,"
        " CONSTRAINT refused CHECK (NOT (fl_id=2 AND year_=2003)))",
    };
    for (const char* refusal : refusals) {
        BalanceFixture fx;
        for (long long id = 1; id <= 3; ++id) {
            PlotSpec p;
            p.id = id;
            fx.addPlot(p);
        }
        fx.db().execute(refusal);
        if (fx.db().tableExists("sim_result_refused")) {
            fx.db().execute("DROP TABLE sim_result");
            fx.db().execute("ALTER TABLE sim_result_refused RENAME TO sim_result");
        }
        vt::test::TempDir dir;
        const RunHooks hooks = fx.hooks();
        const RunResult r = run_annual_balance(fx.db(), fx.config(dir.path().string()), hooks);
        EXPECT_EQ(r.outcome, RunOutcome::Failed) << refusal;
        EXPECT_NE(r.message.find("refused"), std::string::npos) << r.message;
        const auto count = [&fx](const char* table, int plot) {
            return fx.db().scalar(std::string("select count(*) from ") + table + " where fl_id=?", {plot}).toInt();
        };
        for (const char* table : {"rux_nresult", "rux_zbv", "sim_result"}) {
            EXPECT_EQ(count(table, 1), 3) << table << refusal;
            EXPECT_EQ(count(table, 2), 0) << table << refusal;
            EXPECT_EQ(count(table, 3), 0) << table << refusal;
        }
        EXPECT_NO_THROW(fx.db().execute("BEGIN"));
        fx.db().execute("COMMIT");
    }
}

namespace {

// Every row of a table with the storage class of each value, in rowid order.
std::string table_text(vt::db::Connection& c, const std::string& table)
{
    std::string select;
    for (const std::string& col : c.columns(table))
        select += (select.empty() ? "" : " || '|' || ") + ("typeof([" + col + "]) || ':' || quote([" + col + "])");
    std::string text;
    for (auto cur = c.query("SELECT rowid || ' ' || " + select + " FROM " + table + " ORDER BY rowid"); !cur.eof();
         cur.next())
        text += cur.field(0).toString() + "\n";
    return text;
}

// Plots with integral, fractional and non-finite values, and years without a carbon content.
std::vector<PlotOutput> sample_plots()
{
    std::vector<PlotOutput> plots;
    for (long long id : {4, 2, 9}) {
        PlotOutput p;
        p.fl_id = id;
        for (int y = 0; y < 4; ++y) {
            YearResult r;
            r.fl_id = id;
            r.z_jahr = 2000 + y;
            r.year_num = y + 1;
            for (int i = 0; i < kNresultColumns; ++i) r.nresult[static_cast<size_t>(i)] = i * 1.25 + y + 0.5 * (id % 2);
            r.nresult[0] = static_cast<double>(id);
            r.nresult[1] = r.z_jahr;
            r.nresult[5] = 3.0;  // integral value in a double column
            r.nresult[7] = std::numeric_limits<double>::quiet_NaN();
            for (int i = 0; i < kZbvColumns; ++i) r.zbv[static_cast<size_t>(i)] = i / 3.0 - y;
            r.zbv[0] = static_cast<double>(id);
            r.zbv[1] = r.z_jahr;
            r.zbv[4] = std::numeric_limits<double>::infinity();
            if (y != 1 && id != 9) r.sim_value = 1.0 + y / 7.0;
            p.years.push_back(r);
        }
        plots.push_back(p);
    }
    plots.push_back(PlotOutput{});  // no years: nothing written
    return plots;
}

} // namespace

// The rows that one statement per plot and table writes are those that one statement per
// row writes (with a trigger in the database, or a table under the function's name): values,
// storage classes and row order.
TEST(ResultWriter, PlotStatementsWriteTheRowsOfRowStatements)
{
    const char* perRowCauses[] = {"", "CREATE TRIGGER keep AFTER INSERT ON rux_driver BEGIN SELECT 1; END",
                                  "CREATE TABLE veltrano_plot_rows (c0)"};
    std::string tables[3];
    for (int k = 0; k < 3; ++k) {
        BalanceFixture fx;
        auto& c = fx.db();
        c.execute("insert into sim_result (fl_id, m_ix, year_num) values (1, 7, 1), (1, 7, 2)");
        if (k) c.execute(perRowCauses[k]);
        {
            ResultWriter writer(c, true, nullptr);
            for (const PlotOutput& p : sample_plots()) writer.writePlot(p);
        }
        for (const char* t : {"rux_nresult", "rux_zbv", "sim_result"}) tables[k] += table_text(c, t);
    }
    EXPECT_NE(tables[0].find("integer:3|real:"), std::string::npos);  // the key columns are integers
    EXPECT_EQ(tables[0], tables[1]);
    EXPECT_EQ(tables[0], tables[2]);
}

// The old results of the selected plots go; rows of any other plot, or of none, stay, with
// or without an index on fl_id, with a plot's rows together or scattered.
TEST(ResultWriter, OldResultsOfTheSelectedPlotsOnlyAreRemoved)
{
    struct Case {
        std::string rows;       // fl_id values of the old rows, in stored order
        long long keptSim;      // rows left in sim_result
        std::string keptPlots;  // their plots, in stored order
    };
    std::string alternating, alternatingThenOther;
    for (int i = 0; i < 600; ++i) alternating += (i ? ", (" : "(") + std::to_string(1 + i % 2) + ")";
    alternatingThenOther = alternating + ", (3), (1)";
    const Case cases[] = {
        {"(1), (1), (2), (2)", 0, ""},
        {"(1), (1), (3), (2)", 1, "3"},
        {"(2), (2), (NULL), (1)", 1, ""},
        {"(3)", 1, "3"},
        {"(1), (1), (2), (2), (1), (1), (1), (3)", 1, "3"},
        {"(1), (2.5), (2)", 1, "2.5"},
        {"(1), ('x'), (1)", 1, "x"},
        {alternating, 0, ""},
        {alternatingThenOther, 1, "3"},
    };
    const char* indexes[] = {
        "",
        "CREATE INDEX sim_plot ON sim_result (fl_id, m_ix); CREATE INDEX nresult_plot ON rux_nresult (fl_id)",
        "CREATE INDEX sim_plot ON sim_result (m_ix, fl_id)",
    };
    for (const char* index : indexes) {
        for (const Case& k : cases) {
            BalanceFixture fx;
            auto& c = fx.db();
            c.execute("insert into site_state values (1, 1, 0), (2, 1, 0), (3, 0, 0)");
            c.execute("insert into sim_result (fl_id) values " + k.rows);
            c.execute("insert into rux_nresult (fl_id) values " + k.rows);
            if (*index) {
                ASSERT_EQ(sqlite3_exec(c.handle(), index, nullptr, nullptr, nullptr), SQLITE_OK);
            }
            OldResults(c).removeRest();
            const std::string what = k.rows.substr(0, 40) + " " + index;
            for (const char* table : {"sim_result", "rux_nresult"}) {
                EXPECT_EQ(c.scalar(std::string("select count(*) from ") + table).toInt(), k.keptSim) << what << table;
                EXPECT_EQ(c.scalar(std::string("select coalesce(group_concat(fl_id), '') from ") + table).toString(),
                          k.keptPlots)
                    << what << table;
            }
        }
    }
}
