#pragma once
#include "eval/table_data.h"

#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The result tables the window "RUX N balance" offers in its choice list.
const std::vector<std::string>& nbalance_result_tables();

// All rows of one of those tables ("  SELECT * from " + name); an empty name or a table
// that does not exist (yet) gives no rows. Throws std::invalid_argument for any other name.
eval::Table nbalance_table(db::Connection& c, const std::string& name);

} // namespace vt::workbench
