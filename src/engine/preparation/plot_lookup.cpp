#include "engine/preparation/plot_lookup.h"

#include "db/db_error.h"

#include <sqlite3.h>

#include <atomic>

namespace vt::engine {

namespace {
std::atomic<bool> inMemoryLookups{true};
}

void allow_in_memory_lookups(bool allowed) { inMemoryLookups = allowed; }
bool in_memory_lookups_allowed() { return inMemoryLookups; }

void StoredValueFree::operator()(sqlite3_value* v) const { sqlite3_value_free(v); }

StoredValue store_value(sqlite3_value* v)
{
    StoredValue copy(sqlite3_value_dup(v));
    if (!copy) throw db::DbError("out of memory");
    return copy;
}

std::optional<long long> integer_key(sqlite3_value* v)
{
    if (sqlite3_value_type(v) != SQLITE_INTEGER) return std::nullopt;
    return sqlite3_value_int64(v);
}

KeyKind key_kind(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return KeyKind::Integer;
    case SQLITE_NULL: return KeyKind::Null;
    default: return KeyKind::Other;
    }
}

void for_each_row_impl(sqlite3* db, const std::string& sql, void* context, void (*row)(void*, sqlite3_stmt*))
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK)
        throw db::DbError(sqlite3_errmsg(db));
    struct Finalize {
        sqlite3_stmt* st;
        ~Finalize() { sqlite3_finalize(st); }
    } finalize{st};
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(context, st);
    if (rc != SQLITE_DONE) throw db::DbError(sqlite3_errmsg(db));
}

bool scans_first(sqlite3* db, const std::string& sql, const std::string& table)
{
    std::string first;
    try {
        for_each_row(db, "EXPLAIN QUERY PLAN " + sql, [&](sqlite3_stmt* st) {
            if (!first.empty()) return;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 3));
            const std::string detail = text ? text : "";
            if (detail.rfind("SCAN ", 0) == 0 || detail.rfind("SEARCH ", 0) == 0) first = detail;
        });
    } catch (const db::DbError&) {
        return false;
    }
    return first == "SCAN " + table;
}

std::optional<PlotDescriptions> PlotDescriptions::load(sqlite3* db)
{
    PlotDescriptions d;
    bool usable = true;
    for_each_row(db, "SELECT FL_ID, climate_ID, mw_BAT, iif(notill=1,100,0), notill=2 FROM field_description", [&](sqlite3_stmt* st) {
        if (!usable) return;
        const KeyKind kind = key_kind(sqlite3_column_value(st, 0));
        if (kind == KeyKind::Null) return;
        if (kind == KeyKind::Other) {
            usable = false;
            return;
        }
        PlotDescription plot;
        plot.climate = integer_key(sqlite3_column_value(st, 1));
        plot.meanBat = store_value(sqlite3_column_value(st, 2));
        plot.tillageLevel = sqlite3_column_int(st, 3);
        plot.changingTillage = sqlite3_column_int(st, 4) != 0;
        if (!d.plots_.emplace(sqlite3_column_int64(st, 0), std::move(plot)).second) usable = false;
    });
    if (!usable) return std::nullopt;
    return d;
}

} // namespace vt::engine
