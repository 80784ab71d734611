#include "eval/plot_evaluation.h"

#include "db/connection.h"

#include <string>

namespace vt::eval {

Table evaluate_microbial(db::Connection& c, long long plot, Phase phase, double limit, StatsAccumulator& acc)
{
    const std::string p = std::to_string(plot);
    c.executeIgnoringErrors("DROP TABLE tmp_cmic_dyn");
    // meas_ID holds the id of the observation in tmp_outlist: NULL unless it is an outlier.
    c.execute(
        "CREATE TABLE tmp_cmic_dyn AS SELECT measurements.M_IX, CDbl(measurements.FL_ID) AS fl_id, "
        " CDbl(measurements.[year]) AS year_, 2*5*measurements.[Month]/10 AS month_, "
        " measurements.year_number AS year_num, measurements.year_number, measurements.meas_value, "
        " tmp_outlist.meas_ID "
        " FROM measurements LEFT JOIN tmp_outlist ON measurements.M_IX = tmp_outlist.M_IX "
        " AND measurements.FL_ID = tmp_outlist.FL_ID AND measurements.meas_ID = tmp_outlist.meas_ID "
        " WHERE measurements.M_IX=5 AND measurements.FL_ID=" + p);
    auto cur = c.query(
        " SELECT rux_nresult.FL_ID, rux_nresult.year AS year_, rux_nresult.c_mic AS sim_value, "
        " tmp_cmic_dyn.meas_value, tmp_cmic_dyn.meas_ID, sim_result.year_num AS year_number "
        " FROM (sim_result INNER JOIN rux_nresult ON sim_result.fl_id = rux_nresult.FL_ID "
        " AND sim_result.year_ = rux_nresult.year) "
        " LEFT JOIN tmp_cmic_dyn ON rux_nresult.FL_ID = tmp_cmic_dyn.fl_id AND rux_nresult.year = tmp_cmic_dyn.year_ "
        " WHERE sim_result.fl_id=? ORDER BY rux_nresult.year",
        {plot});
    Table rows = read_table(cur);
    acc.reset(plot);
    add_phase_rows(rows, "year_number", phase, limit, acc);
    return rows;
}

} // namespace vt::eval
