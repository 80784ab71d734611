#pragma once
#include "db/connection.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace vt::workbench {

// A database file named by a user that cannot be opened as asked: the message names the
// file ("database not found: PATH", "not a database file: PATH", "database is read-only:
// PATH"). veltrano-cli ends with exit code 2 on it (bad input).
class DatabaseFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a command or window does with the database it opens.
enum class DatabaseAccess {
    Read,    // reads only (exports, listings, reports): opened read-only
    Work,    // reads and builds working tables (statistics, outliers, scripts, runs)
    Update,  // changes stored data: a write-protected file is refused before anything is done
};

// The one way every command opens an existing database: a missing file or a folder is
// refused with DatabaseFileError; with Update a write-protected file too, and a file the
// engine cannot open (not a database) with the engine's message.
std::unique_ptr<db::Connection> open_database_file(const std::string& path, DatabaseAccess access);

// Checks a database file before it is changed: DatabaseFileError when it is missing, a
// folder or write-protected.
void require_writable_database(const std::string& path);

// Opens a database for work that builds working tables only to show their content
// (evaluate, nbalance). A write-protected file, or one in a write-protected folder, is
// copied into memory, where the working tables are built and left; `inMemory` tells. A
// file too large for that is a DatabaseFileError saying so.
inline constexpr std::uintmax_t kEvaluateInMemoryBytes = 1ULL << 30;
std::unique_ptr<db::Connection> open_database_to_evaluate(const std::string& path, bool& inMemory);

// Without any write permission bit a file or folder is protected, even from a user whom
// the system would let write anyway.
bool write_protected(const std::filesystem::path& p);

// Writes a new database file: `fill` works on a temporary file beside it, which takes the
// file's name only when it is complete, so that a failure leaves nothing behind. An
// existing file is replaced only with `force`, and never a write-protected one.
void write_new_database(const std::string& path, bool force, const std::function<void(db::Connection&)>& fill);

} // namespace vt::workbench
