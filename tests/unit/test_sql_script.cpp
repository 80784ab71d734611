#include "db/connection.h"
#include "db/sql_script.h"

#include <gtest/gtest.h>

using vt::db::split_sql_script;

namespace {

TEST(SqlScript, LinesAreSplitAtGoWithCommentsAndDropMarks)
{
    struct Case {
        std::vector<std::string> lines;
        std::vector<std::string> texts;
        std::vector<bool> ignore;
    };
    const std::vector<Case> cases{
        {{"select 1", "from t"}, {"select 1\nfrom t"}, {false}},                 // no go: one statement
        {{"select 1", "GO", "select 2"}, {"select 1\nGO\nselect 2"}, {false}},   // separator is case-sensitive
        {{"  drop table x ", " go ", "select 2"}, {"drop table x", "select 2"}, {true, false}},
        // A date literal stays in its statement (dropping its line would delete every row);
        // only a line beginning with "#" is a comment.
        {{"' a comment", "delete from t", "where d = #1/1/2001#", "go"}, {"delete from t\nwhere d = #1/1/2001#"}, {false}},
        {{"# a comment", "  #another", "select 1"}, {"select 1"}, {false}},
        {{"select 1", "go", "drop table y"}, {"select 1", "drop table y"}, {false, false}},  // last one unprotected
    };
    for (const auto& c : cases) {
        const auto st = split_sql_script(c.lines);
        ASSERT_EQ(st.size(), c.texts.size());
        for (std::size_t i = 0; i < st.size(); ++i) {
            EXPECT_EQ(st[i].text, c.texts[i]);
            EXPECT_EQ(st[i].ignoreErrors, c.ignore[i]) << st[i].text;
        }
    }
}

TEST(SqlScript, ChangingStatementsAreToldByTheirSqlNotByTheirTexts)
{
    EXPECT_TRUE(vt::db::is_changing_statement("SELECT a INTO b FROM c"));
    EXPECT_TRUE(vt::db::is_changing_statement("Delete * from t -- it's"));
    EXPECT_FALSE(vt::db::is_changing_statement("select * from t where s = 'to delete' -- insert"));
    EXPECT_FALSE(vt::db::is_changing_statement("/* update */ select \"drop\""));
}

TEST(SqlScript, MarkedErrorsAreIgnoredAndOthersStopTheScript)
{
    auto db = vt::db::Connection::memory();
    std::vector<bool> changes;
    vt::db::ScriptCallbacks cb;
    cb.onDataChange = [&](bool d) { changes.push_back(d); };
    vt::db::run_sql_script(*db,
                               split_sql_script({"drop table missing", "go", "create table t (a int)", "go",
                                                 "insert into t values (1)", "go", "update t set a=2", "go",
                                                 "select a from t"}),
                               cb);
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM t").toInt(), 1);
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, true, false}));
    EXPECT_THROW(vt::db::run_sql_script(*db, split_sql_script({"insert into nowhere values (1)", "go", "select 1"})),
                 vt::db::DbError);
}

} // namespace
