#pragma once
#include "db/connection.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vt::cli {

// Without any write permission bit a file or folder is protected, even from a user whom
// the system would let write anyway.
bool write_protected(const std::filesystem::path& p);

// Checks a database file named on the command line before it is changed: throws
// CommandError with "database not found: PATH", "not a database file: PATH" (a folder)
// or "database is read-only: PATH".
void require_writable_file(const std::string& path);

// Opens an existing database to change it, after the checks above; a file that is not a
// database is refused with the engine's message.
std::unique_ptr<db::Connection> open_database_for_update(const std::string& path);

// Writes a new database file: `fill` works on a temporary file beside it, which takes the
// file's name only when it is complete, so that a failure leaves nothing behind. An
// existing file is replaced only with `force`, and never a write-protected one.
void write_new_database(const std::string& path, bool force, const std::function<void(db::Connection&)>& fill);

} // namespace vt::cli
