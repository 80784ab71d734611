#include "workbench/params_table_edit.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/sql_quote.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace vt::workbench {

namespace {

ColumnKind kind_of(const std::string& declared, int& maxLength)
{
    const auto t = base::to_upper(declared);
    maxLength = 0;
    if (t.find("YESNO") != std::string::npos || t.find("BOOL") != std::string::npos || t == "BIT") return ColumnKind::YesNo;
    if (t.find("INT") != std::string::npos || t == "LONG" || t == "COUNTER") return ColumnKind::Integer;
    if (t.find("CHAR") != std::string::npos || t.find("TEXT") != std::string::npos || t.find("CLOB") != std::string::npos
        || t.find("MEMO") != std::string::npos) {
        const auto open = t.find('(');
        if (open != std::string::npos) maxLength = std::atoi(t.c_str() + open + 1);
        return ColumnKind::Text;
    }
    if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos || t.find("DOUB") != std::string::npos
        || t.find("NUMERIC") != std::string::npos || t.find("DECIMAL") != std::string::npos
        || t.find("CURRENCY") != std::string::npos || t.find("SINGLE") != std::string::npos)
        return ColumnKind::Real;
    return ColumnKind::Any;
}

bool parse_integer(const std::string& text, long long& out)
{
    double d = 0;
    if (!read_number(text, d) || d != std::floor(d) || std::fabs(d) > 9.0e15) return false;
    out = static_cast<long long>(d);
    return true;
}

std::size_t utf8_length(const std::string& s)
{
    std::size_t n = 0;
    for (unsigned char ch : s)
        if ((ch >> 6) != 0x2) ++n;
    return n;
}

[[noreturn]] void refuse(const ColumnInfo& column, const std::string& text, const std::string& fits)
{
    throw CellError("\"" + text + "\" does not fit the column " + column.name + ": " + fits + ".");
}

} // namespace

bool read_number(std::string text, double& out, bool decimalComma)
{
    if (decimalComma)
        for (auto& ch : text)
            if (ch == ',') ch = '.';
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    const auto* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(out);
}

std::vector<ColumnInfo> table_columns(db::Connection& c, const std::string& table)
{
    if (!c.tableExists(table)) throw db::DbError("no table " + table);
    std::vector<ColumnInfo> out;
    auto cur = c.query("select name, type from pragma_table_info(?)", {db::Value(table)});
    for (; !cur.eof(); cur.next()) {
        ColumnInfo col;
        col.name = cur.field(0).toString();
        col.declaredType = cur.field(1).toString();
        col.kind = kind_of(col.declaredType, col.maxLength);
        out.push_back(std::move(col));
    }
    return out;
}

db::Value cell_value(const ColumnInfo& column, const std::string& raw)
{
    const auto text = base::trim(raw);
    if (text.empty()) return {};
    switch (column.kind) {
    case ColumnKind::Integer: {
        long long v = 0;
        if (!parse_integer(text, v)) refuse(column, text, "a whole number is expected");
        const auto t = base::to_upper(column.declaredType);
        const bool wide = t.find("BIG") != std::string::npos || t == "INTEGER";
        if (!wide && (v < INT_MIN || v > INT_MAX)) refuse(column, text, "the number is too large");
        return db::Value(v);
    }
    case ColumnKind::Real: {
        double v = 0;
        if (!read_number(text, v)) refuse(column, text, "a number is expected");
        return db::Value(v);
    }
    case ColumnKind::YesNo: {
        const auto t = base::to_lower(text);
        if (t == "yes" || t == "true" || t == "ja" || t == "-1" || t == "1" || t == "wahr") return db::Value(true);
        if (t == "no" || t == "false" || t == "nein" || t == "0" || t == "falsch") return db::Value(false);
        refuse(column, text, "yes or no is expected");
    }
    case ColumnKind::Text:
        if (column.maxLength > 0 && utf8_length(text) > static_cast<std::size_t>(column.maxLength))
            refuse(column, text, "at most " + std::to_string(column.maxLength) + " characters");
        return db::Value(raw);
    case ColumnKind::Any: {
        double v = 0;
        if (read_number(text, v)) return db::Value(v);
        return db::Value(raw);
    }
    }
    return {};
}

namespace {

std::string select_rows(const std::string& table) { return "select _rowid_, * from " + db::quote_ident(table); }

std::vector<db::Value> row_values(db::Cursor& cur)
{
    std::vector<db::Value> row;
    for (int i = 1; i < cur.fieldCount(); ++i) row.push_back(cur.field(i));
    return row;
}

} // namespace

GridRows read_grid(db::Connection& c, const GridSource& source)
{
    GridRows g;
    g.columns = table_columns(c, source.table);
    std::string sql = select_rows(source.table);
    std::vector<db::Value> params;
    if (!source.filterColumn.empty()) {
        sql += " where " + db::quote_ident(source.filterColumn) + "=?";
        params.push_back(source.filterValue);
    }
    if (!source.orderBy.empty()) {
        sql += " order by ";
        for (std::size_t i = 0; i < source.orderBy.size(); ++i)
            sql += (i ? ", " : "") + db::quote_ident(source.orderBy[i]);
        sql += ", _rowid_";
    }
    auto cur = c.query(sql, params);
    for (; !cur.eof(); cur.next()) {
        g.rowIds.push_back(cur.field(0).toInt());
        g.rows.push_back(row_values(cur));
    }
    return g;
}

std::vector<db::Value> read_grid_row(db::Connection& c, const std::string& table, long long rowId)
{
    auto cur = c.query(select_rows(table) + " where _rowid_=?", {db::Value(rowId)});
    if (cur.eof()) return {};
    return row_values(cur);
}

void update_cell(db::Connection& c, const std::string& table, long long rowId, const ColumnInfo& column,
                 const std::string& text)
{
    const auto value = cell_value(column, text);
    const int n = c.execute("update " + db::quote_ident(table) + " set " + db::quote_ident(column.name) + "=? where _rowid_=?",
                            {value, db::Value(rowId)});
    if (n == 0) throw db::DbError("the row is no longer in " + table);
}

long long insert_grid_row(db::Connection& c, const std::string& table, const std::vector<std::string>& columns,
                          const std::vector<db::Value>& values)
{
    std::string sql = "insert into " + db::quote_ident(table);
    if (columns.empty()) {
        sql += " default values";
    } else {
        std::string names, marks;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            names += (i ? ", " : "") + db::quote_ident(columns[i]);
            marks += i ? ", ?" : "?";
        }
        sql += " (" + names + ") values (" + marks + ")";
    }
    c.execute(sql, values);
    return c.lastInsertRowId();
}

void delete_grid_row(db::Connection& c, const std::string& table, long long rowId)
{
    c.execute("delete from " + db::quote_ident(table) + " where _rowid_=?", {db::Value(rowId)});
}

std::vector<std::string> list_tables(db::Connection& c)
{
    std::vector<std::string> out;
    auto cur = c.query("select name from sqlite_master where type='table' and name not like 'sqlite\\_%' escape '\\' "
                       "order by name collate nocase");
    for (; !cur.eof(); cur.next()) out.push_back(cur.field(0).toString());
    return out;
}

} // namespace vt::workbench
