#include "engine/balance/row_capture.h"

#include "db/connection.h"
#include "engine/preparation/stored_order.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace vt::engine {

int statement_column(const db::Statement& s, const std::string& name)
{
    for (int i = 0; i < s.columnCount(); ++i) {
        const std::string n = s.columnName(i);
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

double column_number(const db::Statement& s, int col)
{
    sqlite3_value* v = column_value(s, col);
    return sqlite3_value_type(v) == SQLITE_TEXT ? s.columnDouble(col) : sqlite3_value_double(v);
}
long long column_integer(const db::Statement& s, int col)
{
    sqlite3_value* v = column_value(s, col);
    return sqlite3_value_type(v) == SQLITE_INTEGER ? sqlite3_value_int64(v) : s.columnInt(col);
}

int compare_key(const db::Statement& s, int col, long long id)
{
    sqlite3_value* v = column_value(s, col);
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return -1;
    case SQLITE_INTEGER: {
        const sqlite3_int64 n = sqlite3_value_int64(v);
        return n < id ? -1 : (n > id ? 1 : 0);
    }
    case SQLITE_FLOAT: {
        const double x = sqlite3_value_double(v), d = static_cast<double>(id);
        return x < d ? -1 : (x > d ? 1 : 0);
    }
    default: return 1;
    }
}

namespace {

constexpr const char* kGroupRows = "veltrano_group_rows";
constexpr const char* kCapturePointer = "veltrano_row_capture";

void group_rows_function(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    auto* cap = static_cast<RowCapture*>(argc > 0 ? sqlite3_value_pointer(argv[0], kCapturePointer) : nullptr);
    if (!cap || argc - 1 != cap->columns) {
        sqlite3_result_error(ctx, "veltrano_group_rows: no capture", -1);
        return;
    }
    for (int i = 1; i < argc; ++i) {
        CapturedValue v;
        v.type = sqlite3_value_type(argv[i]);
        if (v.type != SQLITE_NULL) v.number = sqlite3_value_double(argv[i]);
        if (v.type == SQLITE_INTEGER) v.integer = sqlite3_value_int64(argv[i]);
        if (v.type == SQLITE_TEXT)
            v.text.assign(reinterpret_cast<const char*>(sqlite3_value_text(argv[i])),
                          static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
        if (v.type == SQLITE_BLOB && sqlite3_value_bytes(argv[i]) > 0)
            v.text.assign(static_cast<const char*>(sqlite3_value_blob(argv[i])),
                          static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
        cap->values.push_back(std::move(v));
    }
    // A key that is no integer makes a group of its own.
    sqlite3_value* key = argv[1 + cap->keyColumn];
    const bool integer = sqlite3_value_type(key) == SQLITE_INTEGER;
    const bool same = cap->any && integer && cap->lastInteger && sqlite3_value_int64(key) == cap->lastKey;
    cap->any = true;
    cap->lastInteger = integer;
    cap->lastKey = integer ? sqlite3_value_int64(key) : 0;
    sqlite3_result_int(ctx, same ? 0 : 1);
}

} // namespace

double column_number(const RowView& r, int col)
{
    const CapturedValue& v = r.at(col);
    return v.type == SQLITE_TEXT ? db::Value(v.text).toDouble() : v.number;
}
long long column_integer(const RowView& r, int col)
{
    const CapturedValue& v = r.at(col);
    switch (v.type) {
    case SQLITE_INTEGER: return v.integer;
    case SQLITE_FLOAT: return db::Value(v.number).toInt();
    case SQLITE_NULL: return db::Value().toInt();
    default: return db::Value(v.text).toInt();
    }
}
int compare_key(const RowView& r, int col, long long id)
{
    const CapturedValue& v = r.at(col);
    switch (v.type) {
    case SQLITE_NULL: return -1;
    case SQLITE_INTEGER: return v.integer < id ? -1 : (v.integer > id ? 1 : 0);
    case SQLITE_FLOAT: {
        const double d = static_cast<double>(id);
        return v.number < d ? -1 : (v.number > d ? 1 : 0);
    }
    default: return 1;
    }
}

CaptureGroup::CaptureGroup(db::Statement s, int columns, int keyColumn) : rows(std::move(s))
{
    capture.columns = columns;
    capture.keyColumn = keyColumn;
    if (sqlite3_bind_pointer(rows.handle(), 3, &capture, kCapturePointer, nullptr) != SQLITE_OK)
        throw db::DbError("cannot bind a row capture");
}

bool CaptureGroup::next()
{
    const auto width = static_cast<std::ptrdiff_t>(capture.columns);
    capture.values.erase(capture.values.begin(), capture.values.begin() + static_cast<std::ptrdiff_t>(size) * width);
    while (!done) {
        if (!rows.step()) {
            done = true;
            break;
        }
        // The row let through starts a group: the rows before it complete one.
        if (capture.rows() > 1) {
            size = capture.rows() - 1;
            return true;
        }
    }
    size = capture.rows();
    return size > 0;
}

std::vector<db::Statement> grouped_runs(db::Connection& c, const std::string& table,
                                        const std::vector<std::string>& columns, const std::vector<long long>& starts)
{
    if (!prepares(c.handle(), std::string("SELECT ") + kGroupRows + "(NULL)") &&
        sqlite3_create_function_v2(c.handle(), kGroupRows, -1, SQLITE_UTF8, nullptr, group_rows_function, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw db::DbError("cannot register " + std::string(kGroupRows));
    std::string args;
    for (const std::string& col : columns) args += ", " + col;
    const std::string sql = "SELECT 1 FROM " + table + " WHERE rowid >= ?1 AND rowid <= ?2 AND " + kGroupRows + "(?3" +
                            args + ") ORDER BY rowid";
    std::vector<db::Statement> runs;
    long long from = std::numeric_limits<long long>::min();
    for (std::size_t i = 0; i <= starts.size(); ++i) {
        const long long to = i < starts.size() ? starts[i] - 1 : std::numeric_limits<long long>::max();
        db::Statement s = c.prepare(sql);
        s.bind(1, from).bind(2, to);
        runs.push_back(std::move(s));
        if (i < starts.size()) from = starts[i];
    }
    return runs;
}

db::Statement whole_table_grouped(db::Connection& c, const std::string& table)
{
    return std::move(grouped_runs(c, table, {"FL_ID", "year_0"}, {}).front());
}

} // namespace vt::engine
