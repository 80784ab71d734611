#include "cli/command_registry.h"
#include "cli/eval_output.h"
#include "workbench/command_data.h"
#include "workbench/results_nbalance.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct NBalanceCliOptions {
    std::string db;
    std::string plot = "*";
    std::string years, fert;
    bool observedUptake = false;
    std::string show = "nmin_saldo";
    std::string xlsx, csv;
};

std::optional<long long> parse_plot(const std::string& text)
{
    if (text == "*") return std::nullopt;
    std::size_t used = 0;
    long long plot = 0;
    try {
        plot = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size()) throw CommandError("--plot expects a plot number or *, not \"" + text + "\"");
    return plot;
}

void run_nbalance(const NBalanceCliOptions& o, Context& ctx)
{
    eval::NBalanceOptions options;
    options.plot = parse_plot(o.plot);
    if (!o.years.empty()) std::tie(options.limits.yearFrom, options.limits.yearTo) = parse_range(o.years, "--years");
    if (!o.fert.empty()) std::tie(options.limits.fertFrom, options.limits.fertTo) = parse_range(o.fert, "--fert");
    if (options.plot && (!o.years.empty() || !o.fert.empty()))
        ctx.err << "note: --years and --fert apply to all plots only; a single plot is balanced over every year\n";
    options.observedUptake = o.observedUptake;

    auto c = open_database_to_evaluate(o.db, ctx.err);
    workbench::refuse_open_database_as_output(o.xlsx, o.csv);
    if (options.plot) require_plot(*c, *options.plot);
    options.diagnosticsFolder = std::filesystem::absolute(o.db).parent_path().string();

    engine::RunHooks hooks;
    workbench::run_nitrogen_balance(*c, options, hooks);

    const eval::Table table = workbench::nbalance_table(*c, o.show == "nt_saldo" ? "NT_SALDO" : "NMIN_SALDO");
    if (table.empty()) ctx.out << "no plot-years within the limits\n";
    else print_table(ctx.out, table);
    export_table(table, o.xlsx, o.csv, ctx.out, 4);
}

const Registrar reg("nbalance", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<NBalanceCliOptions>();
    auto* cmd = app.add_subcommand("nbalance", "Field nitrogen budget from the yearly results");
    cmd->add_option("--db", o->db, "Database file")->required();
    cmd->add_option("--plot", o->plot, "Plot number, or * for all plots (default)");
    cmd->add_option("--years", o->years, "Years FROM:TO (all plots only; default 0:3000)");
    cmd->add_option("--fert", o->fert, "Mineral N fertiliser FROM:TO kg/ha (all plots only; default 0:3000)");
    cmd->add_flag("--observed-uptake", o->observedUptake, "Use the observed N uptake (M_IX 20) where there is one");
    cmd->add_option("--show", o->show, "Summary to show and export")
        ->check(CLI::IsMember({"nmin_saldo", "nt_saldo"}, CLI::ignore_case));
    auto* x = cmd->add_option("--xlsx", o->xlsx, "Also write the summary to this .xlsx file");
    auto* t = cmd->add_option("--csv", o->csv, "Also write the summary to this semicolon text file");
    x->excludes(t);
    cmd->callback([o, &ctx] { run_nbalance(*o, ctx); });
});

} // namespace

} // namespace vt::cli
