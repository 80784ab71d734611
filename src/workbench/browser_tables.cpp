#include "workbench/browser_tables.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/keys.h"
#include "db/sql_quote.h"
#include "workbench/browser_common.h"

#include <cmath>

namespace vt::workbench {

namespace {

void require_view_table(const std::string& table)
{
    const auto t = base::to_lower(table);
    if (t != "field_description" && t != "cultivation" && t != "measurements")
        throw BrowserInputError("the table " + table + " is not part of the experiment view");
}

TableGrid read_grid(db::Connection& c, const std::string& table, const std::string& where, const std::vector<db::Value>& params,
                    const std::string& order)
{
    TableGrid g;
    g.table = table;
    g.columns = c.columns(table);
    std::string cols = "rowid";
    for (const auto& col : g.columns) cols += ", " + db::quote_ident(col);
    auto r = c.query("select " + cols + " from " + db::quote_ident(table) + " where " + where + " order by " + order, params);
    for (; !r.eof(); r.next()) {
        g.rowids.push_back(r.field(0).toInt());
        std::vector<db::Value> row;
        row.reserve(g.columns.size());
        for (int i = 1; i <= static_cast<int>(g.columns.size()); ++i) row.push_back(r.field(i));
        g.rows.push_back(std::move(row));
    }
    return g;
}

// Whether the declared type of a column makes it a number column.
bool numeric_column(db::Connection& c, const std::string& table, const std::string& column)
{
    auto r = c.query("select type from pragma_table_info(?) where lower(name)=lower(?)", {table, column});
    if (r.eof()) throw BrowserInputError("the table " + table + " has no column " + column);
    const auto type = base::to_lower(r.field(0).toString());
    for (const char* n : {"int", "double", "float", "real", "num", "yesno", "dec"})
        if (type.find(n) != std::string::npos) return true;
    return false;
}

} // namespace

TableGrid read_experiment_plots(db::Connection& c, const ExperimentPlots& e)
{
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition(e, params);
    return read_grid(c, "field_description", where, params, "FL_ID");
}

TableGrid read_plot_table(db::Connection& c, const std::string& table, long long flId, const std::string& condition)
{
    require_view_table(table);
    std::string where = "fl_id=?";
    const auto cond = base::trim(condition);
    if (!cond.empty() && cond != "1=1") {
        // The condition is the user's own SQL expression, read-only by construction: one
        // SELECT is prepared and only its rows are read.
        if (cond.find(';') != std::string::npos) throw BrowserInputError("the filter condition must be one expression without ';'");
        where += " and (" + cond + ")";
    }
    try {
        return read_grid(c, table, where, {flId}, base::to_lower(table) == "cultivation" ? "[year], Macode, rowid" : "year_number, rowid");
    } catch (const db::DbError& e) {
        throw BrowserInputError(std::string("filter condition: ") + e.what());
    }
}

db::Value update_table_cell(db::Connection& c, const std::string& table, long long rowid, const std::string& column,
                            const std::string& text)
{
    require_view_table(table);
    db::Value v;
    const auto t = base::trim(text);
    if (!t.empty()) {
        if (numeric_column(c, table, column)) {
            const double d = require_user_number(t, column);
            const bool whole = std::fabs(d) < 9e15 && std::floor(d) == d;
            v = whole ? db::Value(static_cast<long long>(d)) : db::Value(d);
        } else {
            v = db::Value(text);
        }
    } else {
        numeric_column(c, table, column);  // the column must exist
    }
    const int n = c.execute("update " + db::quote_ident(table) + " set " + db::quote_ident(column) + "=? where rowid=?", {v, rowid});
    if (n == 0) throw BrowserInputError("the row is no longer in " + table);
    return v;
}

long long insert_plot_row(db::Connection& c, const std::string& table, long long flId,
                          const std::vector<std::pair<std::string, db::Value>>& start)
{
    require_view_table(table);
    const bool cultivation = base::to_lower(table) == "cultivation";
    if (!cultivation && base::to_lower(table) != "measurements") throw BrowserInputError("rows are added to cultivation or measurements only");
    const std::string key = cultivation ? "cultivation_id" : "meas_ID";
    std::string cols = db::quote_ident(key) + ", fl_id";
    std::string marks = "?, ?";
    std::vector<db::Value> values{db::get_key(c, table, key), flId};
    for (const auto& [col, v] : start) {
        numeric_column(c, table, col);  // the column must exist
        cols += ", " + db::quote_ident(col);
        marks += ", ?";
        values.push_back(v);
    }
    c.execute("insert into " + db::quote_ident(table) + " (" + cols + ") values (" + marks + ")", values);
    return c.lastInsertRowId();
}

std::vector<std::pair<std::string, db::Value>> remembered_values(const TableGrid& grid, int row)
{
    std::vector<std::pair<std::string, db::Value>> out;
    if (row < 0 || row >= static_cast<int>(grid.rows.size())) return out;
    const bool cultivation = base::to_lower(grid.table) == "cultivation";
    const std::vector<std::string> keep = cultivation ? std::vector<std::string>{"macode", "day", "month", "year"}
                                                      : std::vector<std::string>{"m_ix", "day", "month", "year", "year_number"};
    for (size_t i = 0; i < grid.columns.size(); ++i)
        for (const auto& k : keep)
            if (base::to_lower(grid.columns[i]) == k) out.emplace_back(grid.columns[i], grid.rows[row][i]);
    return out;
}

} // namespace vt::workbench
