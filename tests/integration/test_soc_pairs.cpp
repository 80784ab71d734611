#include "db/connection.h"
#include "engine/balance/deviation_summary.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>
#include <vector>

using namespace vt;
using engine::SocPair;

namespace {

// The pairs as the pairing query gives them: the definition the reads must meet.
std::vector<SocPair> query_pairs(db::Connection& c)
{
    std::vector<SocPair> pairs;
    for (auto cur = c.query(
             "SELECT sim_result.fl_id, sim_result.year_, sim_result.year_num, measurements.meas_value, "
             "sim_result.sim_value FROM (sim_result INNER JOIN measurements ON (sim_result.fl_id = measurements.FL_ID) "
             "AND (sim_result.year_num = measurements.year_number)) INNER JOIN site_state ON sim_result.fl_id = "
             "site_state.FL_ID WHERE site_state.status=1 AND sim_result.m_ix=7 AND measurements.M_IX=7 AND "
             "measurements.meas_value IS NOT NULL AND NOT EXISTS (SELECT 1 FROM tmp_outlist WHERE tmp_outlist.fl_id = "
             "measurements.FL_ID AND tmp_outlist.m_ix = measurements.M_IX AND tmp_outlist.meas_id = "
             "measurements.meas_ID) ORDER BY sim_result.fl_id, sim_result.year_num, measurements.meas_ID");
         !cur.eof(); cur.next())
        pairs.push_back({cur.field(0).toInt(), cur.field(1).toInt(), cur.field(2).toInt(), cur.field(3).toDouble(),
                         cur.field(4).toDouble()});
    return pairs;
}

std::string text(const std::vector<SocPair>& pairs)
{
    std::string t;
    for (const SocPair& p : pairs)
        t += std::to_string(p.fl_id) + "/" + std::to_string(p.year) + "/" + std::to_string(p.year_num) + " " +
             std::to_string(p.observed) + " " + std::to_string(p.simulated) + "\n";
    return t;
}

} // namespace

// The pairs read from the tables one by one are the query's, in its order and with its
// repetitions; where the stored order or the keys leave that open, the query itself runs.
TEST(SocPairs, ReadsGiveTheQuerysPairs)
{
    struct Case {
        const char* name;
        const char* change;  // SQL applied to the base tables
        bool byQuery;        // the query must run
    };
    const Case cases[] = {
        {"plain", "", false},
        {"plot listed twice", "INSERT INTO site_state VALUES (2, 1)", false},
        {"outlier", "INSERT INTO tmp_outlist VALUES (1, 7, 12)", false},
        {"observations without id", "UPDATE measurements SET meas_ID = NULL WHERE meas_ID IN (11, 22)", false},
        {"other kinds and plots",
         "INSERT INTO sim_result VALUES (1, 5, 2, 2002, 9.9), (3, 7, 1, 2001, 1.7); "
         "INSERT INTO measurements VALUES (40, 3, 7, 2001, 1, 1.5)",
         false},
        {"sim rows out of order",
         "INSERT INTO sim_result VALUES (1, 7, 0, 2000, 0.9); INSERT INTO measurements VALUES (10, 1, 7, 2000, 0, 1.2)",
         true},
        {"sim row twice", "INSERT INTO sim_result VALUES (2, 7, 3, 2003, 1.05)", true},
        {"same observation id twice", "INSERT INTO measurements VALUES (12, 1, 7, 2002, 2, 1.33)", true},
        {"plot number as text", "INSERT INTO sim_result VALUES ('a', 7, 9, 2009, 1.1)", true},
    };
    for (const Case& k : cases) {
        auto c = db::Connection::memory();
        c->execute("CREATE TABLE site_state (FL_ID int, status int)");
        c->execute("CREATE TABLE measurements (meas_ID int, FL_ID int, M_IX int, [year] int, year_number int, "
                   "meas_value double)");
        c->execute("CREATE TABLE sim_result (fl_id int, m_ix int, year_num int, year_ int, sim_value float)");
        c->execute("CREATE TABLE tmp_outlist (fl_id int, m_ix int, meas_id int)");
        c->execute("INSERT INTO site_state VALUES (1, 1), (2, 1), (3, 0)");
        c->execute("INSERT INTO measurements VALUES (12, 1, 7, 2002, 2, 1.31), (11, 1, 7, 2002, 2, 1.29), "
                   "(13, 1, 7, 2003, 3, NULL), (14, 1, 8, 2003, 3, 2.0), (21, 2, 7, 2001, 1, 0.98), "
                   "(22, 2, 7, 2003, 3, 1.12), (23, 2, 7, 2005, 5, 1.4), (31, 3, 7, 2001, 1, 1.6)");
        for (int plot = 1; plot <= 3; ++plot)
            for (int y = 1; y <= 4; ++y)
                c->execute("INSERT INTO sim_result VALUES (?, 7, ?, ?, ?)", {plot, y, 2000 + y, 1.0 + plot * 0.1 + y * 0.01});
        if (*k.change) {
            ASSERT_EQ(sqlite3_exec(c->handle(), k.change, nullptr, nullptr, nullptr), SQLITE_OK) << k.name;
        }
        bool queried = false;
        c->profileStatements([&queried](const std::string& sql, double) {
            if (sql.find("INNER JOIN") != std::string::npos) queried = true;
        }, 0);
        const std::vector<SocPair> pairs = engine::soc_pairs(*c);
        c->profileStatements(nullptr, 0);
        const std::vector<SocPair> expected = query_pairs(*c);
        EXPECT_FALSE(expected.empty()) << k.name;
        EXPECT_EQ(text(pairs), text(expected)) << k.name;
        EXPECT_EQ(queried, k.byQuery) << k.name;
    }
}
