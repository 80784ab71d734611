#include "engine/tillage_irrigation.h"

#include "engine/prep_context.h"

#include <string>

namespace vt::engine {

void build_tillage_irrigation(const PrepContext& p)
{
    p.rebuild("tmp_tirgint",
              "SELECT field_description.FL_ID AS FL_ID, tmp_time_scen.yr AS [year], field_description.notill AS notill,"
              " -99.99 AS part, -99.99 AS iramnt, -99.99 AS irarea"
              " FROM (field_description INNER JOIN tmp_time_scen ON field_description.FL_ID = tmp_time_scen.fl_id)"
              " INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID"
              " WHERE site_state.status=1"
              " GROUP BY site_state.status, field_description.FL_ID, tmp_time_scen.yr, field_description.notill");

    // Irrigation (7) and tillage (14) events count until the next year with any event.
    const std::string part = p.regional ? "cultivation.part" : "1";
    // The next later year of an event is one index seek per event (a join with all later
    // events of the plot made this the slowest step of a regional run).
    const std::string groupPart = p.regional ? ", part" : "";
    p.rebuild("tmp_tirg_pattern",
              "SELECT FL_ID, Macode, quantity, yr, Min(yr_mx) AS yr_mx, part FROM ("
              "SELECT cultivation.FL_ID AS FL_ID, cultivation.Macode AS Macode, cultivation.Quantity AS quantity,"
              " cultivation.[year] AS yr, (SELECT Min(later.[year]) FROM cultivation AS later"
              " WHERE later.FL_ID = cultivation.FL_ID AND later.[year] > cultivation.[year]) AS yr_mx, " + part + " AS part"
              " FROM cultivation INNER JOIN site_state ON cultivation.FL_ID = site_state.FL_ID"
              " WHERE site_state.status=1 AND cultivation.Macode IN (7,14))"
              " WHERE yr_mx IS NOT NULL GROUP BY FL_ID, yr, quantity, Macode" + groupPart);
    p.rebuild("tmp_last_tillage", "SELECT fl_id AS fl_id, max(yr_mx) AS max_yr FROM tmp_tirg_pattern GROUP BY fl_id");

    p.run("UPDATE tmp_tirgint SET iramnt=0, irarea=0");
    p.run("UPDATE tmp_tirgint SET irarea = tmp_tirg_pattern.part, iramnt = tmp_tirg_pattern.quantity"
          " FROM tmp_tirg_pattern WHERE tmp_tirg_pattern.FL_ID = tmp_tirgint.FL_ID AND tmp_tirg_pattern.Macode=7"
          " AND tmp_tirgint.[year] >= tmp_tirg_pattern.yr AND tmp_tirgint.[year] < tmp_tirg_pattern.yr_mx");
    // Irrigation in a plot's last pattern year has no later event to end it.
    const std::string share = p.regional ? "cultivation.part" : "1";
    p.run("UPDATE tmp_tirgint SET irarea = " + share + ", iramnt = cultivation.Quantity"
          " FROM cultivation INNER JOIN tmp_last_tillage ON cultivation.FL_ID = tmp_last_tillage.fl_id"
          " WHERE cultivation.Macode=7 AND cultivation.[year] = tmp_last_tillage.max_yr"
          " AND tmp_tirgint.FL_ID = cultivation.FL_ID AND tmp_tirgint.[year] = cultivation.[year]");
    p.checkStop();
}

} // namespace vt::engine
