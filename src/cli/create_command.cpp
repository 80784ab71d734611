// veltrano-cli create: a new, empty experiment database, or the demo database.

#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "db/connection.h"
#include "db/demo_database.h"
#include "db/schema.h"

#include <memory>
#include <ostream>
#include <string>

namespace vt::cli {

namespace {

struct CreateOptions {
    std::string file;
    bool demo = false;
    bool force = false;
};

void run(const CreateOptions& o, Context& ctx)
{
    workbench::write_new_database(o.file, o.force, [&o](db::Connection& c) {
        if (o.demo)
            db::create_demo_database(c);
        else
            db::create_schema(c);
    });
    ctx.out << (o.demo ? "created demo database " : "created database ") << o.file << '\n';
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
