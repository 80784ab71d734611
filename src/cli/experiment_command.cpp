// veltrano-cli experiment create|delete|rename: the browser's experiment operations for
// scripts. Each prints the rows it changed per table; --dry-run changes nothing.

#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/plot_output.h"
#include "workbench/browser_plot_ops.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace vt::cli {

namespace {

struct ExperimentOptions {
    std::string db;
    std::string experiment;
    std::string location;
    std::string code;
    bool dryRun = false;
};

CLI::App* sub(CLI::App* parent, const std::string& name, const std::string& help, const std::shared_ptr<ExperimentOptions>& o)
{
    auto* s = parent->add_subcommand(name, help);
    s->add_option("--db", o->db, "Database file")->required();
    s->add_flag("--dry-run", o->dryRun, "Print what would change and change nothing");
    return s;
}

const Registrar reg("experiment", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<ExperimentOptions>();
    auto* exp = app.add_subcommand("experiment", "Create, delete or rename experiments");
    exp->require_subcommand(1);

    auto* create = sub(exp, "create", "Create an experiment with its first plot", o);
    create->add_option("--location", o->location, "Location (name) of the experiment")->required();
    create->callback([o, &ctx] {
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::create_experiment(*c, o->location, o->dryRun); });
        ctx.out << "created experiment " << o->location << '\n';
        print_change_report(ctx.out, r);
        ctx.out << "exp_id=" << r.experiment << "\nFL_ID=" << r.flId << '\n';
    });

    auto* del = sub(exp, "delete", "Delete an experiment and every row keyed by its plots (the plots with its code)", o);
    del->add_option("--experiment", o->experiment, "Experiment code")->required();
    del->callback([o, &ctx] {
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::delete_experiment(*c, {o->experiment, std::nullopt}, o->dryRun); });
        ctx.out << "deleted experiment " << o->experiment << '\n';
        print_change_report(ctx.out, r);
    });

    auto* rename = sub(exp, "rename", "Give an experiment a new code and/or location", o);
    rename->add_option("--experiment", o->experiment, "Experiment code")->required();
    rename->add_option("--code", o->code, "New code (a positive whole number)");
    rename->add_option("--location", o->location, "New location");
    rename->callback([o, &ctx] {
        if (o->code.empty() && o->location.empty()) throw CommandError("give --code or --location (or both)");
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] {
            const auto location = o->location.empty() ? std::nullopt : std::optional<std::string>(o->location);
            return workbench::rename_experiment(*c, o->experiment, o->code.empty() ? o->experiment : o->code, location, o->dryRun);
        });
        ctx.out << "renamed experiment " << o->experiment << '\n';
        print_change_report(ctx.out, r);
    });
});

} // namespace

} // namespace vt::cli
