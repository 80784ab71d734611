#include "eval/plot_evaluation.h"

#include "db/connection.h"

#include <string>

namespace vt::eval {

Table evaluate_nitrogen(db::Connection& c, long long plot, Phase phase, double limit, bool nullInit,
                        StatsAccumulator& acc)
{
    const std::string p = std::to_string(plot);
    c.executeIgnoringErrors("DROP TABLE tmp_obs_nt");
    c.executeIgnoringErrors("DROP TABLE tmp_dyn_nt");
    // meas_ID holds the id of the observation in tmp_outlist: NULL unless it is an outlier.
    c.execute(
        "CREATE TABLE tmp_obs_nt AS SELECT measurements.FL_ID, measurements.[year], measurements.year_number, "
        " measurements.meas_value, tmp_outlist.meas_ID "
        " FROM measurements LEFT JOIN tmp_outlist ON measurements.M_IX = tmp_outlist.M_IX "
        " AND measurements.FL_ID = tmp_outlist.FL_ID AND measurements.meas_ID = tmp_outlist.meas_ID "
        " WHERE measurements.M_IX=0 AND measurements.year_number>0 AND measurements.FL_ID=" + p);
    c.execute(
        "CREATE TABLE tmp_dyn_nt AS SELECT rux_nresult.[year], sim_result.year_num, rux_nresult.n_org AS n_som, "
        " rux_nresult.FL_ID "
        " FROM rux_nresult INNER JOIN sim_result ON sim_result.fl_id = rux_nresult.FL_ID "
        " AND sim_result.year_ = rux_nresult.[year] "
        " WHERE sim_result.year_num>0 AND rux_nresult.FL_ID=" + p);
    // Simulated nitrogen beside the observation of the same year, and the initial
    // observations (year number 0) with the simulated value -99. UNION ALL keeps
    // replicate observations of equal value.
    auto cur = c.query(
        "SELECT tmp_dyn_nt.[year] AS YEAR_, tmp_dyn_nt.year_num AS YEAR_NUM, "
        " Int(tmp_dyn_nt.n_som*10000+0.5)/10000.0 AS SIM_VALUE, tmp_obs_nt.meas_value AS MEAS_VALUE, "
        " tmp_obs_nt.meas_ID "
        " FROM tmp_dyn_nt LEFT JOIN tmp_obs_nt ON tmp_dyn_nt.FL_ID = tmp_obs_nt.FL_ID "
        " AND tmp_dyn_nt.[year] = tmp_obs_nt.[year] "
        " UNION ALL "
        " SELECT measurements.[year], measurements.year_number, -99, measurements.meas_value, NULL "
        " FROM measurements WHERE measurements.M_IX=0 AND measurements.year_number=0 AND measurements.FL_ID=?"
        " ORDER BY 2, 1",
        {plot});
    Table rows = read_table(cur);
    acc.reset(plot);
    if (rows.empty() || nullInit) return rows;
    const int year = rows.column("YEAR_"), yearNum = rows.column("YEAR_NUM"), sim = rows.column("SIM_VALUE"),
              obs = rows.column("MEAS_VALUE"), outlier = rows.column("meas_ID");
    for (const auto& row : rows.rows) {
        const double n = cell(row, yearNum).toDouble();
        if (!(n > 0) || !in_phase(phase, n, limit)) continue;
        const double o = cell(row, obs).toDouble();
        acc.add(cell(row, year).toDouble(), o > 0, cell(row, outlier).isNull(), cell(row, sim).toDouble(), o);
    }
    return rows;
}

} // namespace vt::eval
