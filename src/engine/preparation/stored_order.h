#pragma once
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace vt::db {
class Connection;
}

namespace vt::engine {

// Whether `sql` prepares on the connection (a function or table it names is known).
bool prepares(sqlite3* db, const std::string& sql);

// How a table's rows lie in rowid order against the key (key1, key2): the rowids at which
// the key falls back below the row before it (or, `strict`, fails to rise above it), that
// is, where a new ascending run of rows begins after the first. Empty when the table is
// stored in key order. Read in one pass inside the library, without a row reaching the
// caller. Nothing when a key value is no integer, the table has no rowid of its own, or
// there are more than `maxRuns` runs. An empty `key2` orders by key1 alone.
std::optional<std::vector<long long>> run_starts(db::Connection& c, const std::string& table, const std::string& key1,
                                                 const std::string& key2, bool strict, int maxRuns);

// An index of a table as a walk through it orders the rows: its key columns in order
// (lower case; empty for an expression), whether any of them descends, whether it is partial.
struct IndexKeys {
    std::string name;
    std::vector<std::string> columns;
    bool descending = false;
    bool partial = false;
};
std::vector<IndexKeys> index_keys(db::Connection& c, const std::string& table);

// Whether `table` has an index (not a partial one) whose first columns are `columns`, in
// that order (letter case aside).
bool has_index_leading_with(db::Connection& c, const std::string& table, const std::vector<std::string>& columns);

} // namespace vt::engine
