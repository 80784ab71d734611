#include "engine/time_span.h"

#include "engine/prep_context.h"

namespace vt::engine {

void build_time_span(const PrepContext& p)
{
    p.drop("tmp_tirgint");
    p.drop("tmp_time_int");
    p.rebuild("tmp_time_int",
              "SELECT cultivation.FL_ID AS FL_ID, Max(cultivation.[year]) AS Maxvonyear, Min(cultivation.[year]) AS Minvonyear,"
              " Max(cultivation.[year])-Min(cultivation.[year])+1 AS intl"
              " FROM cultivation, site_state WHERE site_state.status=1 AND cultivation.FL_ID = site_state.FL_ID"
              " GROUP BY cultivation.FL_ID");

    // Joined on the plot when the tillage level of cycle years is looked up.
    p.guarded("CREATE INDEX tmp_time_int_fl ON tmp_time_int (FL_ID)");
    p.run("DELETE FROM tmp_time_scen");
    // Every year from the first to the last of each plot, plot after plot in the order of
    // tmp_time_int, in one statement rather than one insert per plot-year.
    p.run("WITH RECURSIVE span(n, fl_id, yr, yx) AS ("
          "SELECT rowid, fl_id, CAST(coalesce(minvonyear, 0) AS INTEGER), CAST(coalesce(maxvonyear, 0) AS INTEGER)"
          " FROM tmp_time_int WHERE CAST(coalesce(maxvonyear, 0) AS INTEGER) >= CAST(coalesce(minvonyear, 0) AS INTEGER)"
          " UNION ALL SELECT n, fl_id, yr + 1, yx FROM span WHERE yr < yx)"
          " INSERT INTO tmp_time_scen (fl_id, yr) SELECT fl_id, yr FROM span ORDER BY n, yr");
    p.checkStop();
}

} // namespace vt::engine
