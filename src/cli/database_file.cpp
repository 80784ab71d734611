#include "cli/database_file.h"

#include "cli/command_registry.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace vt::cli {

namespace fs = std::filesystem;

namespace {

// Without any write permission bit the file is protected, even from a user whom the
// system would let write anyway.
bool write_protected(const fs::path& p)
{
    std::error_code ec;
    const auto perms = fs::status(p, ec).permissions();
    if (ec) return true;
    constexpr auto any_write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (perms & any_write) == fs::perms::none || ::access(p.c_str(), W_OK) != 0;
}

} // namespace

void require_writable_file(const std::string& path)
{
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec)) throw CommandError("database not found: " + path);
    if (fs::is_directory(p, ec)) throw CommandError("not a database file: " + path);
    if (write_protected(p)) throw CommandError("database is read-only: " + path);
}

std::unique_ptr<db::Connection> open_database_for_update(const std::string& path)
{
    require_writable_file(path);
    std::unique_ptr<db::Connection> c;
    try {
        c = std::make_unique<db::Connection>(path, db::Connection::Mode::ReadWrite);
    } catch (const db::DbError& e) {
        throw CommandError(e.what());
    }
    if (c->readOnly()) throw CommandError("database is read-only: " + path);
    return c;
}

} // namespace vt::cli
