#include "db/sql_quote.h"

#include "db/db_error.h"
#include "base/number_format.h"

namespace vt::db {

std::string quote(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

std::string quote_ident(std::string_view name)
{
    // Square brackets cannot escape a closing bracket in SQLite, so such a name is refused.
    if (name.empty() || name.find(']') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        throw DbError("invalid table or column name: " + std::string(name));
    return "[" + std::string(name) + "]";
}

std::string sql_number(double v) { return base::format_number(v); }

} // namespace vt::db
