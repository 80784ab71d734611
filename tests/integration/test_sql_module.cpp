#include "db/connection.h"
#include "support/temp_dir.h"
#include "workbench/sql_module.h"

#include <gtest/gtest.h>

#include <fstream>

using vt::db::Connection;
using vt::workbench::SqlModule;

namespace {

class SqlModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = Connection::memory();
        db->executeScript("create table t (x int, name text); insert into t values (1, 'a'), (2, 'b'), (3, 'O''Brien');");
    }
    std::vector<vt::workbench::StatementOutcome> run(const std::vector<std::string>& lines)
    {
        module.setLines(lines);
        return module.execute(*db);
    }
    vt::test::TempDir tmp;
    std::unique_ptr<Connection> db;
    SqlModule module;
};

TEST_F(SqlModuleTest, ScriptsRunStatementByStatement)
{
    // Without a "go" line the script is one statement.
    auto out = run({"select x, name", "from t", "where x > 1"});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].hasRows);
    EXPECT_FALSE(module.dataChange());
    EXPECT_EQ(module.result().rows.size(), 2u);

    // A drop of a missing table ended by "go" is passed over; the INTO select is a change.
    out = run({"drop table nope", "go", "select x into t2 from t where x < 3", "go", "' a comment", "select * from t2"});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_FALSE(out[0].ignoredError.empty());
    EXPECT_TRUE(out[1].dataChange);
    EXPECT_FALSE(out[1].hasRows);
    EXPECT_EQ(out[1].changed, 2);
    EXPECT_FALSE(out[2].dataChange);

    // "GO" is not a separator: the text becomes one statement, which fails.
    EXPECT_THROW(run({"select 1", "GO", "select 2"}), vt::db::DbError);

    // A line holding a date literal stays in its statement: only the rows it names go
    // (dropping the line would delete every row). A line beginning with "#" is a comment.
    db->execute("alter table t2 add d text");
    db->execute("update t2 set d = '2001-01-01' where x = 1");
    out = run({"# delete the first of January", "delete from t2", "where d = #1/1/2001#", "go"});
    EXPECT_TRUE(module.dataChange());
    EXPECT_EQ(out[0].changed, 1);
}

TEST_F(SqlModuleTest, AnErrorStopsTheScriptAndKeepsWhatRan)
{
    EXPECT_THROW(run({"insert into t values (9, 'z')", "go", "select nothing from nowhere", "go",
                      "delete from t"}),
                 vt::db::DbError);
    EXPECT_EQ(db->scalar("select count(*) from t").toInt(), 4);
}

TEST_F(SqlModuleTest, ParametersAreScannedOnceAndPutInAsLiterals)
{
    EXPECT_EQ(vt::workbench::scan_parameters({"select * from t where x = $a and name = '$nm'", "or x=$a)", "$ alone $b"}),
              (std::vector<std::string>{"$a", "$nm", "$b"}));

    std::ofstream(tmp.file("p.sql")) << "select name from t where x = $x and name <> '$n'\n";
    module.loadFile(tmp.file("p.sql"));
    module.setParameter("$X", "3");
    module.setParameter("n", "it's");
    module.loadFile(tmp.file("p.sql"));  // the same names again: listed once
    ASSERT_EQ(module.parameterCount(), 2);
    EXPECT_EQ(module.parameters()[0].value, "3");

    module.applyParameters();
    EXPECT_EQ(module.lines()[0], "select name from t where x = 3 and name <> 'it''s'");
    EXPECT_EQ(module.currentSlot(), 1);

    // A value that is not a number goes in as a text, never as SQL.
    module.setLines({"select count(*) from t where name = $who"});
    module.setParameters({{"$who", "x' or 1=1 --"}});
    auto out = module.execute(*db);
    ASSERT_TRUE(out[0].hasRows);
    EXPECT_EQ(out[0].rows.rows[0][0].toInt(), 0);
    module.setParameters({{"$who", "'; drop table t; --"}});
    module.execute(*db);
    EXPECT_TRUE(db->tableExists("t"));
    // The longer name is not eaten by the shorter one.
    EXPECT_EQ(vt::workbench::substitute_parameters("$f + $fl", {{"$f", "1"}, {"$fl", "2"}}), "1 + 2");

    // A parameter without a value is refused before the statement runs.
    module.setLines({"delete from t where x = $none"});
    module.setParameters({});
    EXPECT_THROW(module.execute(*db), vt::db::DbError);
    EXPECT_EQ(db->scalar("select count(*) from t").toInt(), 3);
    module.clearGrid();
    EXPECT_EQ(module.parameterCount(), 0);
}

// Values land as one literal wherever the parameter stands, read as the engine reads
// the script: a comment holding an apostrophe does not turn the value into SQL.
TEST_F(SqlModuleTest, ValuesStayLiteralsWhateverTheScriptAroundThemHolds)
{
    using vt::workbench::substitute_parameters;
    struct Case {
        std::string text, value, expected;
    };
    const std::vector<Case> cases{
        {"-- the plot's status\nselect * from t where x = $fl", "101; delete from t",
         "-- the plot's status\nselect * from t where x = '101; delete from t'"},
        {"/* it's */ select '$fl' -- $fl", "a'b", "/* it's */ select 'a''b' -- $fl"},
        {"select \"$fl\" from [$fl]", "x\"y", "select \"x\"\"y\" from [x\"y]"},
        {"select x-$fl", "-1", "select x-(-1)"},
        {"select $fl", "2.5", "select 2.5"},
    };
    for (const auto& c : cases) EXPECT_EQ(substitute_parameters(c.text, {{"$fl", c.value}}), c.expected) << c.text;
    EXPECT_THROW(substitute_parameters("select * from [$fl]", {{"$fl", "a] ; drop table t; --"}}), std::invalid_argument);

    // Run: the injected statement never runs.
    module.setLines({"-- the plot's status", "select count(*) from t where x = $fl"});
    module.setParameters({{"$fl", "101; delete from t"}});
    module.execute(*db);
    EXPECT_EQ(db->scalar("select count(*) from t").toInt(), 3);
}

TEST_F(SqlModuleTest, MissingValuesAndOpenTransactionsAreErrors)
{
    // An unset parameter is named and nothing of the script runs.
    module.setLines({"delete from t where x = 1", "go", "select * from t where name = $a"});
    module.setParameters({{"$a", ""}});
    try {
        module.execute(*db);
        FAIL() << "no error";
    } catch (const vt::db::DbError& e) {
        EXPECT_NE(std::string(e.what()).find("the parameter $a has no value"), std::string::npos) << e.what();
    }
    EXPECT_EQ(db->scalar("select count(*) from t").toInt(), 3);

    // "begin" without "commit": rolled back, and said so.
    module.setLines({"begin", "go", "delete from t", "go", "select 1"});
    module.setParameters({});
    EXPECT_THROW(module.execute(*db), vt::db::DbError);
    EXPECT_EQ(db->scalar("select count(*) from t").toInt(), 3);

    // The command line: a folder or an unreadable file as script is an error.
    const auto folder = vt::test::run_cli({"sql", "--db", tmp.file("none.db"), tmp.path().string()});
    EXPECT_NE(folder.code, 0);
    EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
}

TEST_F(SqlModuleTest, TheHistoryKeepsTheLastTenScripts)
{
    for (int i = 1; i <= 11; ++i) run({"select " + std::to_string(i)});
    EXPECT_EQ(module.currentSlot(), 10);
    EXPECT_EQ(module.slot(1), std::vector<std::string>{"select 2"});  // the first is gone
    EXPECT_EQ(module.slot(10), std::vector<std::string>{"select 11"});
    EXPECT_TRUE(module.historyUp());
    EXPECT_EQ(module.lines(), std::vector<std::string>{"select 10"});
    EXPECT_TRUE(module.historyDown());
    EXPECT_FALSE(module.historyDown());  // not above 10
    module.clearHistory();
    EXPECT_EQ(module.currentSlot(), 0);
    EXPECT_FALSE(module.historyUp());
}

TEST(SqlCommand, RunsAScriptWithParametersAndPrintsCountsAndRows)
{
    vt::test::TempDir dir;
    {
        Connection c(dir.file("x.db"), Connection::Mode::ReadWriteCreate);
        c.executeScript("create table t (x int, name text); insert into t values (1, 'a'), (2, 'b,c');");
    }
    std::ofstream(dir.file("s.sql")) << "drop table t2\ngo\nSELECT x, name & \"!\" AS n INTO t2 FROM t WHERE x >= $min\n"
                                        "go\nselect * from t2 order by x\n";
    auto r = vt::test::run_cli({"sql", "--db", dir.file("x.db"), dir.file("s.sql"), "--param", "min=1"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("statement 2: 2 rows changed"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("a!"), std::string::npos) << r.out;

    r = vt::test::run_cli({"sql", "--db", dir.file("x.db"), dir.file("s.sql"), "--param", "$min=2", "--csv"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "x,n\n2,\"b,c!\"\n");
    EXPECT_NE(r.err.find("1 rows changed"), std::string::npos) << r.err;

    r = vt::test::run_cli({"sql", "--db", dir.file("x.db"), dir.file("s.sql"), "--param", "max=2"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("no parameter max"), std::string::npos) << r.err;

    std::ofstream(dir.file("bad.sql")) << "delete * from nowhere\n";
    r = vt::test::run_cli({"sql", "--db", dir.file("x.db"), dir.file("bad.sql")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no such table: nowhere [statement: delete * from nowhere]"), std::string::npos) << r.err;
}

} // namespace
