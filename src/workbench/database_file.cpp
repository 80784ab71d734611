#include "workbench/database_file.h"

#include "db/memory_copy.h"

#include <filesystem>
#include <random>
#include <system_error>
#include <unistd.h>

namespace vt::workbench {

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
        if (fs::is_directory(target, ec)) throw DatabaseFileError("not a database file: " + shown);
        if (!force) throw DatabaseFileError(shown + " exists; use --force to replace it");
        if (write_protected(target)) throw DatabaseFileError("database is read-only: " + shown);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) throw DatabaseFileError("folder not found: " + folder.string());
}

} // namespace

namespace {

void require_database_file(const std::string& path)
{
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec)) throw DatabaseFileError("database not found: " + path);
    if (fs::is_directory(p, ec)) throw DatabaseFileError("not a database file: " + path);
}

} // namespace

void require_writable_database(const std::string& path)
{
    require_database_file(path);
    if (write_protected(path)) throw DatabaseFileError("database is read-only: " + path);
}

std::unique_ptr<db::Connection> open_database_file(const std::string& path, DatabaseAccess access)
{
    if (access == DatabaseAccess::Update) {
        require_writable_database(path);
    } else {
        require_database_file(path);
        return std::make_unique<db::Connection>(path, access == DatabaseAccess::Read ? db::Connection::Mode::ReadOnly
                                                                                     : db::Connection::Mode::ReadWrite);
    }
    std::unique_ptr<db::Connection> c;
    try {
        c = std::make_unique<db::Connection>(path, db::Connection::Mode::ReadWrite);
    } catch (const db::DbError& e) {
        throw DatabaseFileError(e.what());
    }
    if (c->readOnly()) throw DatabaseFileError("database is read-only: " + path);
    return c;
}

std::unique_ptr<db::Connection> open_database_to_evaluate(const std::string& path, bool& inMemory)
{
    inMemory = false;
    auto c = open_database_file(path, DatabaseAccess::Work);
    const fs::path file = fs::absolute(path);
    // The engine writes a journal beside the file: a write-protected folder protects the file.
    const bool writable = !c->readOnly() && !write_protected(file) && !write_protected(file.parent_path());
    if (writable) return c;
    const auto size = fs::file_size(file);
    if (size > kEvaluateInMemoryBytes)
        throw DatabaseFileError(path + " is read-only, and at " + std::to_string(size >> 20) +
                                " MB too large to be evaluated in memory; copy it to a writable folder");
    try {
        auto copy = db::copy_into_memory(*c);
        inMemory = true;
        return copy;
    } catch (const db::DbError& e) {
        throw DatabaseFileError("cannot read " + path + ": " + e.what());
    }
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

} // namespace vt::workbench
