#include "engine/tillage_irrigation.h"

#include "engine/prep_context.h"
#include "engine/time_span.h"

#include <string>

namespace vt::engine {

namespace {

// The irrigation of every plot-year that has one (FL_ID, yr, iramnt, irarea): the years
// yr <= year < yr_mx of each irrigation pattern row, and the year max_yr of a plot with an
// irrigation event in it. The two never meet: no pattern row reaches its plot's max_yr.
// Where several rows claim one plot-year the last of them counts (the pattern row, or the
// event, with the highest rowid), as when each claim was written over the one before.
std::string irrigation_years(const std::string& share)
{
    return "pattern_year(FL_ID, yr, yr_mx, quantity, part, rid) AS ("
           "SELECT FL_ID, yr, yr_mx, quantity, part, rowid FROM tmp_tirg_pattern WHERE Macode=7 AND yr < yr_mx"
           " UNION ALL SELECT FL_ID, yr + 1, yr_mx, quantity, part, rid FROM pattern_year WHERE yr + 1 < yr_mx),"
           " irrigation(FL_ID, yr, iramnt, irarea) AS ("
           "SELECT FL_ID, yr, quantity, part FROM ("
           "SELECT FL_ID, yr, Max(rid), quantity, part FROM pattern_year GROUP BY FL_ID, yr)"
           " UNION ALL SELECT FL_ID, yr, Quantity, part FROM ("
           "SELECT cultivation.FL_ID AS FL_ID, cultivation.[year] AS yr, Max(cultivation.rowid),"
           " cultivation.Quantity AS Quantity, " + share + " AS part"
           " FROM tmp_last_tillage CROSS JOIN cultivation ON cultivation.FL_ID = tmp_last_tillage.fl_id"
           " AND cultivation.[year] = tmp_last_tillage.max_yr"
           " WHERE cultivation.Macode=7 GROUP BY cultivation.FL_ID, cultivation.[year]))";
}

} // namespace

void build_tillage_irrigation(const PrepContext& p)
{
    const CultivationYearIndex seekable(p);
    // Irrigation (7) and tillage (14) events count until the next year with any event.
    const std::string part = p.regional ? "cultivation.part" : "1";
    // The next later year of an event is one index seek per event (a join with all later
    // events of the plot made this the slowest step of a regional run). The events are read
    // in table order (NOT INDEXED: the index order only costs a lookup per row, the grouping
    // sorts anyway) and their next year is sought once each (MATERIALIZED: merged into the
    // outer query, the seek would run for the filter and again for the minimum).
    const std::string groupPart = p.regional ? ", part" : "";
    p.rebuild("tmp_tirg_pattern",
              "WITH event AS MATERIALIZED (SELECT cultivation.FL_ID AS FL_ID, cultivation.Macode AS Macode,"
              " cultivation.Quantity AS quantity, cultivation.[year] AS yr, (SELECT Min(later.[year]) FROM cultivation AS later"
              " WHERE later.FL_ID = cultivation.FL_ID AND later.[year] > cultivation.[year]) AS yr_mx, " + part + " AS part"
              " FROM cultivation NOT INDEXED CROSS JOIN site_state ON cultivation.FL_ID = site_state.FL_ID"
              " WHERE site_state.status=1 AND cultivation.Macode IN (7,14))"
              " SELECT FL_ID, Macode, quantity, yr, Min(yr_mx) AS yr_mx, part FROM event"
              " WHERE yr_mx IS NOT NULL GROUP BY FL_ID, yr, quantity, Macode" + groupPart);
    p.rebuild("tmp_last_tillage", "SELECT fl_id AS fl_id, max(yr_mx) AS max_yr FROM tmp_tirg_pattern GROUP BY fl_id");

    // One row per selected plot, scenario year and distinct notill, in that order, with its
    // irrigation written at once: no irrigation is 0, and the share and amount of the
    // pattern or the last-year event otherwise. part stays at its -99.99 marker. One pass
    // instead of a placeholder table rewritten three times; the literals and CASE give the
    // columns the same (empty) declarations as the placeholders did.
    // tmp_time_scen lies in plot and year order, so walking it in rowid order with the plot's
    // notill values (grouped, hence ascending) as the inner loop needs no sorting.
    const std::string share = p.regional ? "cultivation.part" : "1";
    p.rebuild("tmp_tirgint",
              "WITH RECURSIVE " + irrigation_years(share) + ","
              " plot(FL_ID, notill) AS (SELECT FL_ID, notill FROM field_description"
              " WHERE FL_ID IN (SELECT FL_ID FROM site_state WHERE status=1) GROUP BY FL_ID, notill)"
              " SELECT plot.FL_ID AS FL_ID, tmp_time_scen.yr AS [year], plot.notill AS notill, -99.99 AS part,"
              " CASE WHEN irrigation.FL_ID IS NULL THEN 0 ELSE irrigation.iramnt END AS iramnt,"
              " CASE WHEN irrigation.FL_ID IS NULL THEN 0 ELSE irrigation.irarea END AS irarea"
              " FROM tmp_time_scen CROSS JOIN plot ON plot.FL_ID = tmp_time_scen.fl_id"
              " LEFT JOIN irrigation ON irrigation.FL_ID = tmp_time_scen.fl_id AND irrigation.yr = tmp_time_scen.yr");
    p.checkStop();
}

} // namespace vt::engine
