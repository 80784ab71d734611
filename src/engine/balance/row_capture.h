#pragma once
#include "db/statement.h"

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

// Low-level reading of statement rows for the balance's input: columns read with one call
// into the library, and rows collected a plot at a time inside the library.

namespace vt::engine {

// The position of a result column of a prepared statement, by name without regard to
// case; -1 when it has none.
int statement_column(const db::Statement& s, const std::string& name);

// Column `col` of the current row, with one call into the library (each sqlite3_column_*
// call takes the connection's lock). The value is unprotected, but it lives in the
// statement's own row, which only the thread that steps the statement changes; it is read
// here as a number without conversion, and text goes through the locked Statement calls.
inline sqlite3_value* column_value(const db::Statement& s, int col) { return sqlite3_column_value(s.handle(), col); }

// Statement::columnDouble and columnInt with one call into the library for a number.
double column_number(const db::Statement& s, int col);
long long column_integer(const db::Statement& s, int col);

// Where the plot number (or year) in column `col` of the current row stands against `id` in
// the order of an index or an ORDER BY: NULL first, numbers by value, text and blobs last.
// 0 exactly when "column = id" holds for a column of integer affinity.
int compare_key(const db::Statement& s, int col, long long id);

inline bool is_integer(const db::Statement& s, int col)
{
    return sqlite3_value_type(column_value(s, col)) == SQLITE_INTEGER;
}

inline bool is_null(const db::Statement& s, int col) { return sqlite3_value_type(column_value(s, col)) == SQLITE_NULL; }

// A value of a row as a function of the connection received it: the number the library
// makes of it, and the text of a text or blob.
struct CapturedValue {
    int type = SQLITE_NULL;
    sqlite3_int64 integer = 0;
    double number = 0;
    std::string text;
};

// The rows of a scan in groups of rows with the same plot number, collected inside the library
// by veltrano_group_rows(capture, v0, v1, ...): it keeps every row's values and lets through
// the first row of each group, so that a step of the statement returns once per plot instead
// of once per row, and no value is read through a locked call.
struct RowCapture {
    int columns = 0;
    int keyColumn = 0;
    std::vector<CapturedValue> values;  // the rows, `columns` values each
    bool any = false;
    bool lastInteger = false;
    sqlite3_int64 lastKey = 0;

    std::size_t rows() const { return columns ? values.size() / static_cast<std::size_t>(columns) : 0; }
};

// A row of a RowCapture.
struct RowView {
    const RowCapture* capture;
    std::size_t row;
    const CapturedValue& at(int col) const
    {
        return capture->values[row * static_cast<std::size_t>(capture->columns) + static_cast<std::size_t>(col)];
    }
};

// The RowView forms of the reads above, with the conversions those make.
double column_number(const RowView& r, int col);
long long column_integer(const RowView& r, int col);
int compare_key(const RowView& r, int col, long long id);
inline bool is_null(const RowView& r, int col) { return r.at(col).type == SQLITE_NULL; }

// A run read in groups of one plot number: the group is the first `size` captured rows.
struct CaptureGroup {
    CaptureGroup(db::Statement s, int columns, int keyColumn);
    CaptureGroup(const CaptureGroup&) = delete;
    CaptureGroup& operator=(const CaptureGroup&) = delete;
    db::Statement rows;
    RowCapture capture;
    std::size_t size = 0;
    bool more = false, done = false;

    // Moves on to the next group; false at the end of the run.
    bool next();
};

// Statements over the runs of `table` that `starts` gives (rowid ranges bound as ?1 and ?2),
// each calling veltrano_group_rows(?3, `columns`...) on its rows in rowid order.
std::vector<db::Statement> grouped_runs(db::Connection& c, const std::string& table,
                                        const std::vector<std::string>& columns, const std::vector<long long>& starts);

// The keys (FL_ID, year_0) of all rows of `table`, as one grouped run.
db::Statement whole_table_grouped(db::Connection& c, const std::string& table);

// Keys (column 0 and 1) of rows read one after another: from a statement, or from one run of a
// table collected a plot at a time inside the library (a CaptureGroup).
class KeyRows {
public:
    explicit KeyRows(db::Statement s) : stmt_(std::move(s)) {}
    explicit KeyRows(db::Statement grouped, int columns)
        : group_(std::make_unique<CaptureGroup>(std::move(grouped), columns, 0))
    {
    }
    // Moves on to the next row (the first one when called first); false at the end.
    bool step()
    {
        if (!group_) return stmt_->step();
        if (started_ && ++row_ < group_->size) return true;
        started_ = true;
        row_ = 0;
        return group_->next();
    }
    long long integer(int col) const
    {
        return group_ ? column_integer(RowView{&group_->capture, row_}, col) : column_integer(*stmt_, col);
    }
    int compareKey(int col, long long id) const
    {
        return group_ ? compare_key(RowView{&group_->capture, row_}, col, id) : compare_key(*stmt_, col, id);
    }

private:
    std::optional<db::Statement> stmt_;
    std::unique_ptr<CaptureGroup> group_;
    std::size_t row_ = 0;
    bool started_ = false;
};

} // namespace vt::engine
