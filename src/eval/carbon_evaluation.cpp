#include "eval/plot_evaluation.h"

#include "db/connection.h"

namespace vt::eval {

double phase_limit(db::Connection& c, long long plot)
{
    // The last simulated row in stored order. Its own year number is taken rather than
    // that of an observation in the same year, so that a record whose last year was not
    // sampled still splits in half.
    const auto v = c.scalar("SELECT year_num FROM sim_result WHERE fl_id=? ORDER BY rowid DESC LIMIT 1", {plot});
    return v.isNull() ? 0.0 : v.toDouble() / 2.0;
}

Table evaluate_carbon(db::Connection& c, long long plot, Phase phase, double limit, StatsAccumulator& acc)
{
    auto cur = c.query(
        " SELECT sim_result.year_, sim_result.sim_value, measurements.meas_value, sim_result.year_num AS year_num, "
        " sim_result.fl_id, Abs(sim_result.m_ix) AS m_ix, tmp_outlist.meas_ID "
        " FROM (sim_result LEFT JOIN measurements ON sim_result.fl_id = measurements.FL_ID "
        " AND sim_result.m_ix = measurements.M_IX AND sim_result.year_num = measurements.year_number) "
        " LEFT JOIN tmp_outlist ON measurements.M_IX = tmp_outlist.M_IX AND measurements.FL_ID = tmp_outlist.FL_ID "
        " AND measurements.meas_ID = tmp_outlist.meas_ID "
        " WHERE sim_result.fl_id=? ORDER BY sim_result.year_num, sim_result.year_",
        {plot});
    Table rows = read_table(cur);
    acc.reset(plot);
    add_phase_rows(rows, "year_num", phase, limit, acc);
    return rows;
}

void add_phase_rows(const Table& rows, const char* yearNumColumn, Phase phase, double limit, StatsAccumulator& acc)
{
    const int year = rows.column("year_"), yearNum = rows.column(yearNumColumn), sim = rows.column("sim_value"),
              obs = rows.column("meas_value"), outlier = rows.column("meas_ID");
    for (const auto& row : rows.rows) {
        const double n = cell(row, yearNum).toDouble();
        if (!(n > 0) || !in_phase(phase, n, limit)) continue;
        acc.add(cell(row, year).toDouble(), true, cell(row, outlier).isNull(), cell(row, sim).toDouble(),
                cell(row, obs).toDouble());
    }
}

} // namespace vt::eval
