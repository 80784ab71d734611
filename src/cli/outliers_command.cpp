#include "cli/command_registry.h"
#include "cli/eval_output.h"
#include "workbench/outlier_refresh.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

void run_outliers(const std::string& path, Context& ctx)
{
    auto c = open_database(path);
    if (!c->tableExists("measurements")) throw CommandError("the database has no table measurements");
    const auto s = workbench::refresh_outlier_indication(*c);
    ctx.out << "outlier indication: " << workbench::outlier_refresh_report(s) << "\n";
    if (s.flagged == 0) return;
    auto cur = c->query("SELECT tmp_outlist.fl_id AS FL_ID, tmp_outlist.m_ix AS M_IX, tmp_outlist.meas_id AS meas_ID, "
                        " measurements.year, measurements.year_number, measurements.meas_value "
                        " FROM tmp_outlist LEFT JOIN measurements ON measurements.meas_ID = tmp_outlist.meas_id "
                        " ORDER BY tmp_outlist.fl_id, tmp_outlist.m_ix, measurements.year");
    print_table(ctx.out, eval::read_table(cur));
}

const Registrar reg("outliers", [](CLI::App& app, Context& ctx) {
    auto db = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("outliers", "Flag outlying observations (Grubbs' test) for the evaluation");
    cmd->add_option("--db", *db, "Database file")->required();
    cmd->callback([db, &ctx] { run_outliers(*db, ctx); });
});

} // namespace

} // namespace vt::cli
