#pragma once
#include <string>
#include <string_view>

namespace vt::db {

// The one way user text (names, labels, paths, filters) enters SQL text when it cannot
// be a bound value: a string literal with embedded quotes doubled.
std::string quote(std::string_view text);

// A table or column name in square brackets, which both Jet and SQLite accept; a name
// holding a closing bracket cannot be written so and is refused with DbError.
std::string quote_ident(std::string_view name);

// A number written into SQL: decimal point whatever the locale.
std::string sql_number(double v);

} // namespace vt::db
