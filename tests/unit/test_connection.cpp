#include "db/connection.h"
#include "db/keys.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <chrono>

using vt::db::Connection;
using vt::db::DbError;

namespace {

TEST(Connection, ExecuteCountsAffectedRows)
{
    auto c = Connection::memory();
    EXPECT_EQ(c->execute("CREATE TABLE t (a INT, b TEXT)"), 0);
    EXPECT_EQ(c->execute("INSERT INTO t VALUES (1,'x'),(2,'y'),(3,'z')"), 3);
    EXPECT_EQ(c->execute("UPDATE t SET b='w' WHERE a>=2"), 2);
    EXPECT_EQ(c->execute("CREATE TABLE u AS SELECT * FROM t"), 0);
    EXPECT_EQ(c->execute("DELETE FROM t"), 3);
}

TEST(Connection, CursorWalksRowsAndFindsFieldsWithoutCase)
{
    auto c = Connection::memory();
    c->execute("CREATE TABLE t (FL_ID INT, meas_value REAL)");
    c->execute("INSERT INTO t VALUES (1, 1.5), (2, 2.5)");
    auto cur = c->query("SELECT * FROM t ORDER BY FL_ID");
    EXPECT_EQ(cur.rowCount(), 2);
    EXPECT_TRUE(cur.hasField("fl_id"));
    EXPECT_FALSE(cur.hasField("year"));
    EXPECT_EQ(cur.getInt("Fl_Id"), 1);
    cur.next();
    EXPECT_DOUBLE_EQ(cur.getDouble("MEAS_VALUE"), 2.5);
    cur.next();
    EXPECT_TRUE(cur.eof());
    cur.first();
    EXPECT_EQ(cur.getInt("fl_id"), 1);
    EXPECT_THROW(cur.field("nothing"), DbError);
}

TEST(Connection, OpeningAMissingTableFails)
{
    auto c = Connection::memory();
    EXPECT_THROW(c->openTable("vtn_setting"), DbError);
    c->execute("CREATE TABLE VTN_Setting (model char(12))");
    EXPECT_NO_THROW(c->openTable("vtn_setting"));
    EXPECT_TRUE(c->columnExists("vtn_setting", "MODEL"));
    EXPECT_FALSE(c->columnExists("vtn_setting", "sc_id"));
}

TEST(Connection, FailuresCarryTheEngineMessage)
{
    auto c = Connection::memory();
    try {
        c->execute("SELECT * FROM no_such_table");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("no such table: no_such_table"), std::string::npos);
    }
}

TEST(Connection, TransactionRollsBackUnlessCommitted)
{
    auto c = Connection::memory();
    c->execute("CREATE TABLE t (a INT)");
    {
        vt::db::Transaction tx(*c);
        c->execute("INSERT INTO t VALUES (1)");
    }
    EXPECT_EQ(c->scalar("SELECT COUNT(*) FROM t").toInt(), 0);
    {
        vt::db::Transaction tx(*c);
        c->execute("INSERT INTO t VALUES (1)");
        tx.commit();
    }
    EXPECT_EQ(c->scalar("SELECT COUNT(*) FROM t").toInt(), 1);
}

TEST(Connection, PreparedStatementIsReusable)
{
    auto c = Connection::memory();
    c->execute("CREATE TABLE t (a INT, b REAL)");
    auto st = c->prepare("INSERT INTO t VALUES (?, ?)");
    for (int i = 0; i < 5; ++i) {
        st.bind(1, i).bind(2, i * 0.5);
        EXPECT_EQ(st.execute(), 1);
    }
    EXPECT_DOUBLE_EQ(c->scalar("SELECT SUM(b) FROM t").toDouble(), 5.0);
}

TEST(Connection, UserTextIsStoredAsTyped)
{
    auto c = Connection::memory();
    c->execute("CREATE TABLE field_description (FL_ID INT, site_description TEXT)");
    const std::string name = "O'Brien's \"Dauerversuch\"; DROP TABLE field_description; --";
    c->execute("INSERT INTO field_description VALUES (1, ?)", {name});
    c->execute("INSERT INTO field_description VALUES (2, " + vt::db::quote(name) + ")");
    auto cur = c->query("SELECT site_description FROM field_description ORDER BY FL_ID");
    EXPECT_EQ(cur.getString("site_description"), name);
    cur.next();
    EXPECT_EQ(cur.getString("site_description"), name);
    EXPECT_THROW(vt::db::quote_ident("a]b"), DbError);
}

TEST(Connection, GetKeyIsMaxPlusOneAndZeroWhenEmpty)
{
    auto c = Connection::memory();
    c->execute("CREATE TABLE measurements (meas_ID INT)");
    EXPECT_EQ(vt::db::get_key(*c, "measurements", "meas_ID"), 0);
    c->execute("INSERT INTO measurements VALUES (4), (17)");
    EXPECT_EQ(vt::db::get_key(*c, "measurements", "meas_id"), 18);
}

TEST(Connection, BadFilesGiveClearErrors)
{
    vt::test::TempDir dir;
    EXPECT_THROW(Connection(dir.file("missing.db")), DbError);
    {
        std::ofstream(dir.file("text.db")) << "this is not a database, just some text that is long enough\n";
    }
    try {
        Connection c(dir.file("text.db"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("not a database"), std::string::npos) << e.what();
    }
}

} // namespace

TEST(Connection, ProfileReportsStatementsUntilTurnedOff)
{
    auto c = Connection::memory();
    std::vector<std::string> seen;
    c->profileStatements([&seen](const std::string& sql, double ms) {
        EXPECT_GE(ms, 0);
        seen.push_back(sql);
    });
    c->execute("CREATE TABLE t (a)");
    c->execute("INSERT INTO t VALUES (1)");
    c->profileStatements({});
    c->execute("INSERT INTO t VALUES (2)");
    EXPECT_EQ(seen, (std::vector<std::string>{"CREATE TABLE t (a)", "INSERT INTO t VALUES (1)"}));
}

namespace {

// A script may change the user's data, never reach the process's memory or load code.
TEST(Connection, ScriptsCannotReachMemoryOrLoadCode)
{
    auto c = Connection::memory();
    for (const char* sql : {"select fts3_tokenizer('simple', x'4141414141414141')",
                            "select load_extension('libm.so.6')"})
        EXPECT_THROW(c->scalar(sql), DbError) << sql;
    // The one-argument form would give the address of the tokenizer.
    try {
        const auto v = c->scalar("select fts3_tokenizer('simple')");
        EXPECT_FALSE(v.isText() && v.toString().size() == sizeof(void*)) << "an address was revealed";
        EXPECT_TRUE(v.isNull());
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("not available"), std::string::npos) << e.what();
    }
    // Defensive mode: the schema table cannot be written, even with writable_schema.
    c->execute("create table t (a)");
    c->executeIgnoringErrors("pragma writable_schema=1");
    EXPECT_THROW(c->execute("update sqlite_master set sql='create table t (a, b)' where name='t'"), DbError);
    EXPECT_EQ(c->columns("t").size(), 1u);
}

// Another program's write transaction: every write waits kBusyTimeoutMs for it, also
// after a read in the same transaction, and a lock that stays is named as such.
TEST(Connection, WritersWaitForAnotherProgramsLockAndNameIt)
{
    vt::test::TempDir dir;
    const auto path = dir.file("lock.db");
    {
        Connection c(path, Connection::Mode::ReadWriteCreate);
        c.execute("create table t (a integer)");
        c.execute("insert into t values (1)");
    }
    Connection other(path);
    Connection ours(path);
    const auto readThenWrite = [&] {
        vt::db::Savepoint sp(ours, "op");
        const auto next = vt::db::get_key(ours, "t", "a");
        ours.execute("insert into t values (?)", {next});
        sp.release();
    };

    other.execute("begin immediate");
    other.execute("insert into t values (100)");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.execute("commit");
    });
    EXPECT_NO_THROW(readThenWrite());
    release.join();
    EXPECT_EQ(ours.scalar("select max(a) from t").toInt(), 101);

    other.execute("begin immediate");
    try {
        vt::db::Transaction t(ours);
        ADD_FAILURE() << "the lock was not noticed";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("another program is writing to this database"), std::string::npos) << e.what();
    }
    other.execute("rollback");
}

} // namespace
