// veltrano-cli create: a new, empty experiment database, or the demo database.

#include "cli/command_registry.h"
#include "db/connection.h"
#include "db/demo_database.h"
#include "db/schema.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <system_error>

namespace vt::cli {

namespace {

namespace fs = std::filesystem;

struct CreateOptions {
    std::string file;
    bool demo = false;
    bool force = false;
};

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
        constexpr auto any_write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        if ((fs::status(target, ec).permissions() & any_write) == fs::perms::none)
            throw CommandError("database is read-only: " + shown);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) throw CommandError("folder not found: " + folder.string());
}

void run(const CreateOptions& o, Context& ctx)
{
    const fs::path target(o.file);
    check_target(target, o.force);
    const fs::path temp = temporary_beside(target);
    try {
        auto c = std::make_unique<db::Connection>(temp.string(), db::Connection::Mode::ReadWriteCreate);
        if (o.demo)
            db::create_demo_database(*c);
        else
            db::create_schema(*c);
        c.reset();
        fs::rename(temp, target);
    } catch (...) {
        remove_quietly(temp);
        throw;
    }
    ctx.out << (o.demo ? "created demo database " : "created database ") << target.string() << '\n';
}

const Registrar registrar("create", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<CreateOptions>();
    auto* sub = app.add_subcommand("create", "Create a new experiment database (empty, or the demo database)");
    sub->add_option("FILE", o->file, "The database file to create")->required();
    sub->add_flag("--demo", o->demo, "Fill it with the demo experiments");
    sub->add_flag("--force", o->force, "Replace an existing file");
    sub->callback([o, &ctx] { run(*o, ctx); });
});

} // namespace

} // namespace vt::cli
