#pragma once
#include "db/db_error.h"
#include "db/scoped_functions.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

namespace vt::engine {

// Whether the climate and BAT tables may be written with values looked up in memory (the
// default); switched off, they are written by their joined statements, so that tests can
// compare the two on the same data.
void allow_in_memory_lookups(bool allowed);
bool in_memory_lookups_allowed();

// A copy of a value as the database stored it, handed back by a registered function
// unchanged (storage class and bits).
struct StoredValueFree {
    void operator()(sqlite3_value* v) const;
};
using StoredValue = std::unique_ptr<sqlite3_value, StoredValueFree>;
StoredValue store_value(sqlite3_value* v);

// What an equality with an integer-keyed INT column sees of a value: its integer, or
// nothing for NULL, a fraction, text or a blob (none of which equals an integer key).
std::optional<long long> integer_key(sqlite3_value* v);

// Whether a key column holds only integers and NULLs: then an equality join on it can be
// replaced by a lookup of integers.
enum class KeyKind { Integer, Null, Other };
KeyKind key_kind(sqlite3_value* v);

// Calls `row` with every row of `sql` (on the connection's own handle); throws DbError.
void for_each_row_impl(sqlite3* db, const std::string& sql, void* context, void (*row)(void*, sqlite3_stmt*));
template <typename Row>
void for_each_row(sqlite3* db, const std::string& sql, Row&& row)
{
    for_each_row_impl(db, sql, &row, [](void* context, sqlite3_stmt* st) { (*static_cast<Row*>(context))(st); });
}

// What `read()` returns, or an empty result when one of its queries fails (a column that
// an older database lacks): the joined statement then runs and reports the fault.
template <typename Read>
auto unless_failing(Read&& read) -> decltype(read())
{
    try {
        return read();
    } catch (const db::DbError&) {
        return {};
    }
}

// Whether the outermost loop of `sql` walks `table` in stored order (the first scan or
// search of its query plan is a plain scan of it): then the statement's rows come in the
// table's order.
bool scans_first(sqlite3* db, const std::string& sql, const std::string& table);

using db::ScopedFunctions;

// The description of a plot as the per-row lookups of the climate and BAT tables need it.
struct PlotDescription {
    std::optional<long long> climate;  // climate_ID when an integer
    StoredValue meanBat;               // mw_BAT
    int tillageLevel = 0;              // iif(notill=1,100,0)
    bool changingTillage = false;      // notill=2
};

// The plots of field_description by FL_ID when every described plot has one row and an
// integer FL_ID (rows with a NULL FL_ID join nothing and are left out).
class PlotDescriptions {
public:
    // Nothing when a FL_ID repeats or is neither an integer nor NULL.
    static std::optional<PlotDescriptions> load(sqlite3* db);
    const PlotDescription* find(long long fl) const
    {
        const auto it = plots_.find(fl);
        return it == plots_.end() ? nullptr : &it->second;
    }

private:
    std::unordered_map<long long, PlotDescription> plots_;
};

} // namespace vt::engine
