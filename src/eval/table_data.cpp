#include "eval/table_data.h"

#include "base/text.h"

#include "db/cursor.h"

#include <algorithm>
#include <cctype>

namespace vt::eval {

int Table::column(const std::string& name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (base::iequals(columns[i], name)) return static_cast<int>(i);
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
