#pragma once
#include <optional>
#include <string>

namespace vt::db {

class Connection;

// What a database says about itself, decided here once for the engine, the command line
// and the windows (src/workbench/database_info.h gives the windows the same functions).

// Whether the database is regional: its management events apply to a share of the plot
// area (cultivation has the column `part`, percent of the plot).
bool is_regional_database(Connection& c);

// The model method as stored: `model` of the first row of vtn_setting (stored order),
// blanks kept; NULL reads as empty text. Nothing when the table or the row is missing.
std::optional<std::string> stored_method_text(Connection& c);

// The model method of the database, trimmed; empty when none is stored.
std::string stored_method(Connection& c);

// Stores the method (trimmed) in the first row of vtn_setting, creating the table or the
// row when missing.
void store_method(Connection& c, const std::string& method);

} // namespace vt::db
