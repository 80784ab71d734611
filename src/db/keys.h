#pragma once
#include <string>

namespace vt::db {

class Connection;

// The next free integer key of a column: max + 1, or 0 for an empty table. New plots,
// experiments, soils, stations, observations and management rows are numbered by it.
long long get_key(Connection& c, const std::string& table, const std::string& column);

} // namespace vt::db
