#include "cli/command_registry.h"
#include "cli/eval_output.h"
#include "workbench/command_data.h"
#include "workbench/database_file.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

void run_outliers(const std::string& path, Context& ctx)
{
    auto c = workbench::open_database_file(path, workbench::DatabaseAccess::Work);
    const auto s = workbench::indicate_outliers(*c);
    ctx.out << "outlier indication: " << s.groups << " groups tested, " << s.flagged << " observations flagged\n";
    if (s.flagged == 0) return;
    print_table(ctx.out, s.rows);
}

const Registrar reg("outliers", [](CLI::App& app, Context& ctx) {
    auto db = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("outliers", "Flag outlying observations (Grubbs' test) for the evaluation");
    cmd->add_option("--db", *db, "Database file")->required();
    cmd->callback([db, &ctx] { run_outliers(*db, ctx); });
});

} // namespace

} // namespace vt::cli
