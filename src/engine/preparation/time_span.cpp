#include "engine/preparation/time_span.h"

#include "engine/preparation/prep_context.h"
#include "engine/preparation/run_indexes.h"

#include "db/connection.h"

#include <string>

namespace vt::engine {

void build_time_span(const PrepContext& p)
{
    ensure_cultivation_year_index(p);
    p.drop("tmp_tirgint");
    p.drop("tmp_time_int");
    // First and last year of each selected plot with at least one event, plot after plot in
    // the order of FL_ID. Two index seeks per plot (ix_cultivation_fl on FL_ID, year) instead
    // of a walk over every event of the region; a plot whose events have no year keeps its
    // row with empty years.
    p.rebuild("tmp_time_int",
              "SELECT FL_ID, mx AS Maxvonyear, mn AS Minvonyear, mx - mn + 1 AS intl FROM ("
              "SELECT plot.FL_ID AS FL_ID,"
              " (SELECT Max(cultivation.[year]) FROM cultivation WHERE cultivation.FL_ID = plot.FL_ID) AS mx,"
              " (SELECT Min(cultivation.[year]) FROM cultivation WHERE cultivation.FL_ID = plot.FL_ID) AS mn"
              " FROM (SELECT FL_ID FROM site_state WHERE status=1 GROUP BY FL_ID) AS plot"
              " WHERE EXISTS (SELECT 1 FROM cultivation WHERE cultivation.FL_ID = plot.FL_ID))");

    // Joined on the plot when the tillage level of cycle years is looked up.
    p.guarded("CREATE INDEX tmp_time_int_fl ON tmp_time_int (FL_ID)");
    p.run("DELETE FROM tmp_time_scen");
    // Every year from the first to the last of each plot, plot after plot in the order of
    // tmp_time_int, in one statement rather than one insert per plot-year. The plots are the
    // outer loop (CROSS JOIN keeps them there) and the year offsets come from a short counter
    // in ascending order, so the rows are appended in that order without sorting them.
    const std::string first = "CAST(coalesce(tmp_time_int.minvonyear, 0) AS INTEGER)";
    const std::string last = "CAST(coalesce(tmp_time_int.maxvonyear, 0) AS INTEGER)";
    // Plots whose first and last years are integers (all but those without a year) take
    // them as they are, with intl = last - first + 1 as the bound: the same years at less
    // work per row than converting both for every plot and year offset.
    const bool integerYears =
        p.db.scalar("SELECT COUNT(*) FROM tmp_time_int WHERE typeof(Minvonyear) <> 'integer'"
                    " OR typeof(Maxvonyear) <> 'integer' OR typeof(intl) <> 'integer'")
            .toInt() == 0;
    const std::string year = integerYears ? "tmp_time_int.minvonyear" : first;
    const std::string within = integerYears ? "year_offset.i < tmp_time_int.intl" : "year_offset.i <= " + last + " - " + first;
    p.run("WITH RECURSIVE year_offset(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM year_offset"
          " WHERE i < (SELECT Max(" + last + " - " + first + ") FROM tmp_time_int))"
          " INSERT INTO tmp_time_scen (fl_id, yr) SELECT tmp_time_int.fl_id, " + year + " + year_offset.i"
          " FROM tmp_time_int CROSS JOIN year_offset WHERE " + within + " ORDER BY tmp_time_int.rowid");
    p.checkStop();
}

} // namespace vt::engine
