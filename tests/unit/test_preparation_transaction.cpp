#include "db/connection.h"
#include "engine/preparation/preparation_transaction.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using vt::db::Connection;
using vt::engine::PreparationTransaction;

namespace {

// A table of `pages` pages or more of 4 KiB (one row of ~3,900 bytes per page).
void fill(Connection& c, const std::string& table, long long pages)
{
    c.execute("CREATE TABLE " + table + " (v BLOB)");
    c.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<?) INSERT INTO " + table +
                  " SELECT zeroblob(3900) FROM n",
              {pages});
}

long long rows_seen_elsewhere(const std::string& path, const std::string& table)
{
    Connection other(path, Connection::Mode::ReadOnly);
    return other.scalar("SELECT count(*) FROM sqlite_master WHERE name=?", {table}).toInt();
}

// What another reader of the file sees tells whether the transaction was committed.
TEST(PreparationTransaction, CommitsAfterDroppingASizeableTableOnly)
{
    vt::test::TempDir dir;
    const std::string path = dir.file("prep.db");
    Connection c(path, Connection::Mode::ReadWriteCreate);
    fill(c, "big", PreparationTransaction::kCommitAfterFreedPages + 10);
    fill(c, "small", 20);
    {
        PreparationTransaction t(c);
        c.execute("CREATE TABLE built_before (a)");

        long long before = t.freePages();
        c.execute("DROP TABLE small");
        t.tableDropped(before);
        EXPECT_EQ(rows_seen_elsewhere(path, "built_before"), 0) << "a small drop keeps the transaction open";

        before = t.freePages();
        c.execute("DROP TABLE big");
        t.tableDropped(before);
        EXPECT_EQ(rows_seen_elsewhere(path, "built_before"), 1) << "committed after the large drop";

        c.execute("CREATE TABLE built_after (a)");
        EXPECT_EQ(rows_seen_elsewhere(path, "built_after"), 0) << "and begun anew";
    }
    EXPECT_EQ(rows_seen_elsewhere(path, "built_after"), 1) << "committed when the preparation ends";
}

} // namespace
