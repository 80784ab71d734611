// veltrano-cli plot copy|add|delete|move|shift: the browser's plot operations for scripts
// that maintain large databases. Each prints the rows it changed per table; --dry-run
// prints what would change and changes nothing.

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

struct PlotOptions {
    std::string db;
    std::string plot;
    std::string experiment;
    std::string location;
    std::string by;
    bool dryRun = false;
};

void report(Context& ctx, const std::string& what, const workbench::ChangeReport& r, bool printId)
{
    ctx.out << what << '\n';
    print_change_report(ctx.out, r);
    if (printId && r.flId >= 0) ctx.out << "FL_ID=" << r.flId << '\n';
}

CLI::App* sub(CLI::App* plot, const std::string& name, const std::string& help, const std::shared_ptr<PlotOptions>& o)
{
    auto* s = plot->add_subcommand(name, help);
    s->add_option("--db", o->db, "Database file")->required();
    s->add_flag("--dry-run", o->dryRun, "Print what would change and change nothing");
    return s;
}

const Registrar reg("plot", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<PlotOptions>();
    auto* plot = app.add_subcommand("plot", "Copy, add, delete, move plots or shift their ids");
    plot->require_subcommand(1);

    auto* copy = sub(plot, "copy", "Copy a plot with its management events and observations", o);
    copy->add_option("--plot", o->plot, "FL_ID of the plot")->required();
    copy->callback([o, &ctx] {
        const auto id = integer_option(o->plot, "--plot");
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::copy_plot(*c, id, o->dryRun); });
        report(ctx, "copied plot " + std::to_string(id), r, true);
    });

    auto* add = sub(plot, "add", "Add an empty plot to an experiment", o);
    add->add_option("--experiment", o->experiment, "Experiment code")->required();
    add->callback([o, &ctx] {
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::add_plot_to_experiment(*c, o->experiment, o->dryRun); });
        report(ctx, "added a plot to experiment " + o->experiment, r, true);
    });

    auto* del = sub(plot, "delete", "Delete a plot and every row keyed by it (results and stored states included)", o);
    del->add_option("--plot", o->plot, "FL_ID of the plot")->required();
    del->callback([o, &ctx] {
        const auto id = integer_option(o->plot, "--plot");
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::delete_plot(*c, id, o->dryRun); });
        report(ctx, "deleted plot " + std::to_string(id), r, false);
    });

    auto* move = sub(plot, "move", "Move a plot to another location (it keeps its experiment code)", o);
    move->add_option("--plot", o->plot, "FL_ID of the plot")->required();
    move->add_option("--location", o->location, "New location")->required();
    move->callback([o, &ctx] {
        const auto id = integer_option(o->plot, "--plot");
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::move_plot(*c, id, o->location, o->dryRun); });
        report(ctx, "moved plot " + std::to_string(id) + " to " + o->location, r, false);
    });

    auto* shift = sub(plot, "shift", "Add N to the FL_ID of every plot of an experiment, in every table keyed by FL_ID", o);
    shift->add_option("--experiment", o->experiment, "Experiment code")->required();
    shift->add_option("--by", o->by, "The shift N (may be negative)")->required();
    shift->callback([o, &ctx] {
        const auto by = integer_option(o->by, "--by");
        auto c = workbench::open_database_file(o->db, workbench::DatabaseAccess::Update);
        const auto r = run_operation([&] { return workbench::shift_plots(*c, {o->experiment, std::nullopt}, by, o->dryRun); });
        report(ctx, "shifted the plots of experiment " + o->experiment + " by " + std::to_string(by), r, false);
    });
});

} // namespace

} // namespace vt::cli
