#pragma once
#include "db/connection.h"

#include <memory>
#include <string>

namespace vt::cli {

// Checks a database file named on the command line before it is changed: throws
// CommandError with "database not found: PATH", "not a database file: PATH" (a folder)
// or "database is read-only: PATH".
void require_writable_file(const std::string& path);

// Opens an existing database to change it, after the checks above; a file that is not a
// database is refused with the engine's message.
std::unique_ptr<db::Connection> open_database_for_update(const std::string& path);

} // namespace vt::cli
