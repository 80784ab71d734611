#pragma once
#include "db/value.h"

#include <string>
#include <vector>

namespace vt::db {
class Cursor;
}

namespace vt::eval {

// The rows of a query as plain data: what a result grid shows and what the exports write.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<db::Value>> rows;  // one Row each

    bool empty() const { return rows.empty(); }
    // Index of a column, matched without regard to case; -1 when absent.
    int column(const std::string& name) const;
};

using Row = std::vector<db::Value>;

// The value of a row in a column found by Table::column.
inline const db::Value& cell(const Row& row, int column) { return row[static_cast<std::size_t>(column)]; }

// Reads every remaining row of a cursor.
Table read_table(db::Cursor& cursor);

} // namespace vt::eval
