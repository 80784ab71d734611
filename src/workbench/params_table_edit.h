#pragma once
#include "db/value.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// What a grid may store in a column, from the column's declared type.
enum class ColumnKind { Integer, Real, YesNo, Text, Any };

struct ColumnInfo {
    std::string name;
    std::string declaredType;
    ColumnKind kind = ColumnKind::Any;
    int maxLength = 0;  // char(n): n; else 0 (no limit)
};

// The columns of a table with what each may hold. Throws db::DbError for a missing table.
std::vector<ColumnInfo> table_columns(db::Connection& c, const std::string& table);

// A value refused by its column: the message names the value, the column and what fits.
class CellError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A number written with a decimal point (or, with `decimalComma`, also a comma), with an
// optional sign; false unless the whole text is one finite number.
bool read_number(std::string text, double& out, bool decimalComma = true);

// The text a user typed, as the value the column stores: empty text is no value (NULL);
// numbers may use a decimal point or comma; yes/no columns take yes/no, true/false,
// ja/nein, -1/1/0. Throws CellError when the text does not fit.
db::Value cell_value(const ColumnInfo& column, const std::string& text);

// Which rows of a table a grid shows: all, or those whose column equals a value, in the
// order of the given columns (stored order when none).
struct GridSource {
    std::string table;
    std::string filterColumn;  // empty: no filter
    db::Value filterValue;
    std::vector<std::string> orderBy;
};

// The rows of a grid; each row keeps the key by which it is written back.
struct GridRows {
    std::vector<ColumnInfo> columns;
    std::vector<long long> rowIds;
    std::vector<std::vector<db::Value>> rows;
};

GridRows read_grid(db::Connection& c, const GridSource& source);
// One row as it is stored now (after a write); empty when it is gone.
std::vector<db::Value> read_grid_row(db::Connection& c, const std::string& table, long long rowId);

// Stores one cell: the row is written in one statement, or not at all. Throws CellError
// when the text does not fit the column, db::DbError when the database refuses the row
// (a key that exists already).
void update_cell(db::Connection& c, const std::string& table, long long rowId, const ColumnInfo& column,
                 const std::string& text);
// Adds a row with the given column values (the others take their defaults); returns its key.
long long insert_grid_row(db::Connection& c, const std::string& table, const std::vector<std::string>& columns,
                          const std::vector<db::Value>& values);
void delete_grid_row(db::Connection& c, const std::string& table, long long rowId);

// The tables of the database by name (not the engine's own catalogue tables).
std::vector<std::string> list_tables(db::Connection& c);

} // namespace vt::workbench
