#include "engine/preparation/stored_order.h"

#include "db/connection.h"
#include "db/sql_quote.h"
#include "base/text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace vt::engine {

namespace {

constexpr const char* kRunStarts = "veltrano_run_starts";
constexpr int kMaxStarts = 64;

// The state of one pass; plain data, as the library hands it out zeroed.
struct Pass {
    bool started;
    bool unusable;
    sqlite3_int64 key1, key2;
    int starts;
    sqlite3_int64 start[kMaxStarts];
};

// veltrano_run_starts(rowid, key1, key2, strict), over the rows in rowid order.
void run_starts_step(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* p = static_cast<Pass*>(sqlite3_aggregate_context(ctx, sizeof(Pass)));
    if (!p) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (p->unusable) return;
    if (sqlite3_value_type(argv[1]) != SQLITE_INTEGER || sqlite3_value_type(argv[2]) != SQLITE_INTEGER) {
        p->unusable = true;
        return;
    }
    const sqlite3_int64 a = sqlite3_value_int64(argv[1]), b = sqlite3_value_int64(argv[2]);
    if (p->started) {
        const bool strict = sqlite3_value_int(argv[3]) != 0;
        const bool below = a < p->key1 || (a == p->key1 && (strict ? b <= p->key2 : b < p->key2));
        if (below) {
            if (p->starts == kMaxStarts) {
                p->unusable = true;
                return;
            }
            p->start[p->starts++] = sqlite3_value_int64(argv[0]);
        }
    }
    p->started = true;
    p->key1 = a;
    p->key2 = b;
}

void run_starts_final(sqlite3_context* ctx)
{
    auto* p = static_cast<Pass*>(sqlite3_aggregate_context(ctx, 0));
    if (p && p->unusable) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string text;
    for (int i = 0; p && i < p->starts; ++i) text += (i ? " " : "") + std::to_string(p->start[i]);
    sqlite3_result_text(ctx, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

using base::to_lower;

} // namespace

bool prepares(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* probe = nullptr;
    const bool ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    return ok;
}

std::optional<std::vector<long long>> run_starts(db::Connection& c, const std::string& table, const std::string& key1,
                                                 const std::string& key2, bool strict, int maxRuns)
{
    if (!c.tableExists(table)) return std::nullopt;
    for (const std::string& col : c.columns(table)) {
        const std::string n = to_lower(col);
        if (n == "rowid" || n == "_rowid_" || n == "oid") return std::nullopt;
    }
    // Registered once per connection: replacing a function waits for every statement to end.
    if (!prepares(c.handle(), std::string("SELECT ") + kRunStarts + "(1, 1, 1, 0)") &&
        sqlite3_create_function_v2(c.handle(), kRunStarts, 4, SQLITE_UTF8, nullptr, nullptr, run_starts_step,
                                   run_starts_final, nullptr) != SQLITE_OK)
        return std::nullopt;
    const std::string sql = std::string("SELECT ") + kRunStarts + "(rowid, " + db::quote_ident(key1) + ", " +
                            (key2.empty() ? std::string("0") : db::quote_ident(key2)) + ", " + (strict ? "1" : "0") +
                            ") FROM " + db::quote_ident(table) + " NOT INDEXED";
    db::Value v;
    try {
        v = c.scalar(sql);
    } catch (const db::DbError&) {
        return std::nullopt;  // no rowid (WITHOUT ROWID) or no such column
    }
    if (v.isNull()) return std::nullopt;
    std::vector<long long> starts;
    std::istringstream in(v.toString());
    for (long long r; in >> r;) starts.push_back(r);
    if (static_cast<int>(starts.size()) + 1 > maxRuns) return std::nullopt;
    return starts;
}

std::vector<IndexKeys> index_keys(db::Connection& c, const std::string& table)
{
    std::vector<IndexKeys> indexes;
    for (auto cur = c.query("SELECT name, partial FROM pragma_index_list(?)", {table}); !cur.eof(); cur.next())
        indexes.push_back({cur.field(0).toString(), {}, false, cur.field(1).toInt() != 0});
    for (IndexKeys& index : indexes)
        for (auto cur = c.query("SELECT name, \"desc\" FROM pragma_index_xinfo(?) WHERE key = 1 ORDER BY seqno", {index.name});
             !cur.eof(); cur.next()) {
            index.columns.push_back(cur.field(0).isNull() ? std::string() : base::to_lower(cur.field(0).toString()));
            index.descending = index.descending || cur.field(1).toInt() != 0;
        }
    return indexes;
}

bool has_index_leading_with(db::Connection& c, const std::string& table, const std::vector<std::string>& columns)
{
    for (const IndexKeys& index : index_keys(c, table)) {
        if (index.partial || index.columns.size() < columns.size()) continue;
        bool leads = true;
        for (std::size_t i = 0; i < columns.size() && leads; ++i) leads = index.columns[i] == base::to_lower(columns[i]);
        if (leads) return true;
    }
    return false;
}

} // namespace vt::engine
