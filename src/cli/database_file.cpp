#include "cli/database_file.h"

#include "cli/command_registry.h"

#include <filesystem>
#include <random>
#include <system_error>
#include <unistd.h>

namespace vt::cli {

namespace fs = std::filesystem;

bool write_protected(const fs::path& p)
{
    std::error_code ec;
    const auto perms = fs::status(p, ec).permissions();
    if (ec) return true;
    constexpr auto any_write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (perms & any_write) == fs::perms::none || ::access(p.c_str(), W_OK) != 0;
}

namespace {

// A name beside the target that does not exist yet, so that the new database appears
// under its own name only when it is complete.
fs::path temporary_beside(const fs::path& target)
{
    std::random_device rd;
    std::mt19937_64 gen(rd());
    for (;;) {
        fs::path candidate = target;
        candidate += ".creating-" + std::to_string(gen() % 1000000000ULL);
        std::error_code ec;
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

void remove_quietly(const fs::path& p)
{
    std::error_code ec;
    fs::remove(p, ec);
    fs::path journal = p;
    journal += "-journal";
    fs::remove(journal, ec);
}

void check_target(const fs::path& target, bool force)
{
    std::error_code ec;
    const std::string shown = target.string();
    if (fs::exists(target, ec)) {
        if (fs::is_directory(target, ec)) throw CommandError("not a database file: " + shown);
        if (!force) throw CommandError(shown + " exists; use --force to replace it");
        if (write_protected(target)) throw CommandError("database is read-only: " + shown);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) throw CommandError("folder not found: " + folder.string());
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

void write_new_database(const std::string& path, bool force, const std::function<void(db::Connection&)>& fill)
{
    const fs::path target(path);
    check_target(target, force);
    const fs::path temp = temporary_beside(target);
    try {
        {
            db::Connection c(temp.string(), db::Connection::Mode::ReadWriteCreate);
            fill(c);
        }
        fs::rename(temp, target);
    } catch (...) {
        remove_quietly(temp);
        throw;
    }
}

} // namespace vt::cli
