#include "eval/outlier_indication.h"

#include "db/connection.h"
#include "eval/grubbs_table.h"

namespace vt::eval {

OutlierSummary prepare_outlier_indication(db::Connection& c)
{
    ensure_grubbs_table(c);

    c.executeIgnoringErrors("drop table prepare_teststats");
    c.executeIgnoringErrors(
        "CREATE TABLE prepare_teststats AS SELECT measurements.FL_ID, measurements.M_IX, "
        " Avg(measurements.meas_value) AS MV_OBS, StDev(measurements.meas_value) AS Sd_OBS, "
        " Count(measurements.meas_value) AS N_OBS, Max(measurements.meas_value) AS max_OBS, "
        " Min(measurements.meas_value) AS min_OBS "
        " FROM measurements WHERE measurements.year_number > 0 "
        " GROUP BY measurements.FL_ID, measurements.M_IX ORDER BY measurements.FL_ID, measurements.M_IX");

    // Equal values (standard deviation 0) cannot deviate: such groups are not tested.
    c.executeIgnoringErrors("drop table outlier_check");
    c.executeIgnoringErrors(
        "CREATE TABLE outlier_check AS SELECT t.FL_ID, t.M_IX, "
        " (t.max_OBS - t.MV_OBS) / t.Sd_OBS AS PG_MAX, (t.MV_OBS - t.min_OBS) / t.Sd_OBS AS PG_Min, "
        " z_grubbs.ZGRUBB, "
        " IIF((t.MV_OBS - t.min_OBS) / t.Sd_OBS > z_grubbs.ZGRUBB, -1, 0) AS outlier_MIN, "
        " IIF((t.max_OBS - t.MV_OBS) / t.Sd_OBS > z_grubbs.ZGRUBB, -1, 0) AS outlier_MAX "
        " FROM prepare_teststats t INNER JOIN z_grubbs ON t.N_OBS = z_grubbs.N "
        " WHERE z_grubbs.ZGRUBB > 0 AND t.Sd_OBS > 0");

    c.executeIgnoringErrors("drop table get_outliers");
    const std::string from =
        " FROM (measurements INNER JOIN prepare_teststats ON measurements.FL_ID = prepare_teststats.FL_ID "
        " AND measurements.M_IX = prepare_teststats.M_IX) "
        " INNER JOIN outlier_check ON measurements.FL_ID = outlier_check.FL_ID "
        " AND measurements.M_IX = outlier_check.M_IX ";
    c.executeIgnoringErrors(
        "CREATE TABLE get_outliers AS SELECT measurements.meas_ID, measurements.FL_ID, measurements.M_IX" + from +
        " WHERE measurements.meas_value = prepare_teststats.min_OBS AND outlier_check.outlier_MIN <> 0");
    c.executeIgnoringErrors(
        " insert into get_outliers ( meas_id,fl_id,m_ix ) SELECT measurements.meas_ID, measurements.FL_ID, "
        " measurements.M_IX" + from +
        " WHERE measurements.meas_value = prepare_teststats.max_OBS AND outlier_check.outlier_MAX <> 0");

    c.executeIgnoringErrors("drop table tmp_outlist");
    c.executeIgnoringErrors(" CREATE TABLE tmp_outlist AS SELECT * from get_outliers");

    c.executeIgnoringErrors("alter table measurements add weight double");
    c.executeIgnoringErrors("update measurements set weight=1");
    c.executeIgnoringErrors(
        "update measurements SET weight = 0 WHERE meas_ID IN (SELECT meas_ID FROM tmp_outlist)");

    OutlierSummary s;
    if (c.tableExists("outlier_check")) s.groups = c.scalar("SELECT Count(*) FROM outlier_check").toInt();
    if (c.tableExists("tmp_outlist")) s.flagged = c.scalar("SELECT Count(*) FROM tmp_outlist").toInt();
    return s;
}

} // namespace vt::eval
