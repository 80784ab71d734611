#pragma once
#include <memory>

namespace vt::db {

class Connection;

// A copy of the whole database in memory (the engine's online backup); throws DbError when
// the source cannot be read.
std::unique_ptr<Connection> copy_into_memory(Connection& source);

} // namespace vt::db
