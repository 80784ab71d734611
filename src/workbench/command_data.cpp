#include "workbench/command_data.h"

#include "db/connection.h"
#include "db/output_file.h"
#include "db/sql_quote.h"
#include "engine/balance/deviation_summary.h"
#include "eval/outlier_indication.h"
#include "eval/plot_evaluation.h"
#include "eval/spreadsheet_export.h"
#include "workbench/browser_plot_ops.h"
#include "workbench/database_file.h"
#include "workbench/outlier_refresh.h"

#include <map>
#include <stdexcept>

namespace vt::workbench {

void refuse_open_database_as_output(const std::string& xlsx, const std::string& csv)
{
    for (const auto& path : {xlsx, csv})
        if (!path.empty() && db::is_open_database(path))
            throw DatabaseFileError(path + ": this is the open database; choose another output file");
}

void export_table(const eval::Table& table, const std::string& xlsx, const std::string& csv, std::optional<int> roundTo)
{
    if (!xlsx.empty()) {
        eval::XlsxOptions options;
        options.roundTo = roundTo;
        eval::write_xlsx(xlsx, table, options);
    } else if (!csv.empty()) {
        eval::write_text_export(csv, table);
    }
}

eval::Table query_rows(db::Connection& c, const std::string& sql)
{
    auto cur = c.query(sql);
    return eval::read_table(cur);
}

eval::Table table_rows(db::Connection& c, const std::string& table)
{
    if (!c.tableExists(table)) throw MissingDataError("no table " + table);
    return query_rows(c, "SELECT * FROM " + db::quote_ident(table));
}

bool known_plot(db::Connection& c, long long plot)
{
    if (!c.tableExists("field_description")) throw MissingDataError("the database has no table field_description");
    return plot_exists(c, plot);
}

eval::UpdateStatisticsResult update_statistics(db::Connection& c, eval::Phase phase, const engine::RunHooks& hooks)
{
    return eval::update_statistics(c, phase, hooks);
}

long long evaluate_by_script(db::Connection& c, const eval::ScriptEvaluationSettings& settings,
                             const engine::RunHooks& hooks)
{
    return eval::run_script_evaluation(c, settings, hooks);
}

std::vector<long long> plots_with_results(db::Connection& c) { return eval::plots_with_results(c); }

int run_companion_sql(db::Connection& c, const std::string& path, long long plot)
{
    return eval::run_companion_sql(c, path, plot);
}

OutlierReport indicate_outliers(db::Connection& c)
{
    if (!c.tableExists("measurements")) throw MissingDataError("the database has no table measurements");
    const auto s = refresh_outlier_indication(c);
    OutlierReport r;
    r.groups = s.groups;
    r.flagged = s.flagged;
    if (s.flagged == 0) return r;
    r.rows = query_rows(c, "SELECT tmp_outlist.fl_id AS FL_ID, tmp_outlist.m_ix AS M_IX, tmp_outlist.meas_id AS meas_ID, "
                           " measurements.year, measurements.year_number, measurements.meas_value "
                           " FROM tmp_outlist LEFT JOIN measurements ON measurements.meas_ID = tmp_outlist.meas_id "
                           " ORDER BY tmp_outlist.fl_id, tmp_outlist.m_ix, measurements.year");
    return r;
}

bool run_nitrogen_balance(db::Connection& c, const eval::NBalanceOptions& options, const engine::RunHooks& hooks)
{
    if (!c.tableExists("rux_nresult")) throw MissingDataError("the database has no table rux_nresult; run the model first");
    return eval::nitrogen_balance(c, options, hooks);
}

namespace {

SocDeviation deviation_of(const std::vector<double>& diffs)
{
    const engine::DeviationSummary s = engine::summarise_deviations(diffs);
    return {s.n, s.meanError, s.rmse};
}

} // namespace

SocReport soc_report(db::Connection& c)
{
    if (!c.tableExists("sim_result")) throw MissingDataError("no simulation results in " + c.path());
    const std::vector<engine::SocPair> pairs = engine::soc_pairs(c);
    SocReport report;
    if (pairs.empty()) return report;
    std::map<long long, std::string> names;
    for (auto cur = c.query("select FL_ID, Location, site_description from field_description"); !cur.eof(); cur.next())
        names[cur.getInt("FL_ID")] = cur.getString("Location") + " - " + cur.getString("site_description");

    std::vector<double> all, plot;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const engine::SocPair& p = pairs[i];
        if (i == 0 || pairs[i - 1].fl_id != p.fl_id) {
            plot.clear();
            report.plots.push_back({p.fl_id, names[p.fl_id], {}, {}});
        }
        report.plots.back().rows.push_back({p.year, p.year_num, p.observed, p.simulated});
        plot.push_back(p.observed - p.simulated);
        all.push_back(p.observed - p.simulated);
        if (i + 1 == pairs.size() || pairs[i + 1].fl_id != p.fl_id) report.plots.back().deviation = deviation_of(plot);
    }
    report.all = deviation_of(all);
    return report;
}

} // namespace vt::workbench
