#include "eval/table_data.h"

#include "db/cursor.h"

#include <algorithm>
#include <cctype>

namespace vt::eval {

namespace {
bool same_name(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
} // namespace

int Table::column(const std::string& name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (same_name(columns[i], name)) return static_cast<int>(i);
    return -1;
}

Table read_table(db::Cursor& cursor)
{
    Table t;
    const int n = cursor.fieldCount();
    for (int i = 0; i < n; ++i) t.columns.push_back(cursor.fieldName(i));
    for (; !cursor.eof(); cursor.next()) {
        std::vector<db::Value> row;
        row.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) row.push_back(cursor.field(i));
        t.rows.push_back(std::move(row));
    }
    return t;
}

} // namespace vt::eval
