#include "engine/climate_tables.h"

#include "db/connection.h"
#include "engine/prep_context.h"

#include <string>

namespace vt::engine {

namespace {

// The rows of eff_climate: every scenario year of every plot with a status above 0.
const std::string kPlotYears =
    " FROM (field_description INNER JOIN tmp_time_scen ON field_description.FL_ID = tmp_time_scen.fl_id)"
    " INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID WHERE site_state.status>0";

// Index names are shared by all tables of an SQLite database: the station table's
// indexes carry their table's name, and eff_climate falls back to such names when a
// database already uses clix or clix1 elsewhere.
void index_eff_climate(const PrepContext& p)
{
    if (!p.guarded("CREATE INDEX clix ON eff_climate (FL_ID, year_)"))
        p.guarded("CREATE INDEX eff_climate_clix ON eff_climate (FL_ID, year_)");
    if (!p.guarded("CREATE INDEX clix1 ON eff_climate (FL_ID)"))
        p.guarded("CREATE INDEX eff_climate_clix1 ON eff_climate (FL_ID)");
    p.log("eff_climate index created");
    if (p.guarded("CREATE INDEX climate_data_clix1 ON climate_data (climate_ID, [year])"))
        p.log("climate_data index created");
    if (p.guarded("CREATE INDEX climate_data_clix ON climate_data (climate_ID)")) p.log("climate_data index created");
}

// Whether every plot has one description and every station one row per year: then each
// plot-year finds at most one climate row of its own and one long-term row, and its
// values can be looked up while eff_climate is written.
bool one_climate_row_per_plot_year(const PrepContext& p)
{
    return p.db.scalar("SELECT NOT EXISTS (SELECT 1 FROM field_description GROUP BY FL_ID HAVING count(*)>1)"
                       " AND NOT EXISTS (SELECT 1 FROM climate_data GROUP BY climate_ID, [year] HAVING count(*)>1)")
               .toInt() != 0;
}

// eff_climate written once with its values: the year's own climate, else the station's
// long-term row (year 0), else -99.99; the irrigation sum of the year, else -99.99.
// The plot-years are read in a subquery of their own (LIMIT keeps it from being merged
// into the lookups), so that the table's rows come in the order of the plain select.
void fill_eff_climate_at_once(const PrepContext& p)
{
    const auto climate = [](const std::string& column) {
        return "CASE WHEN year_climate.climate_ID IS NOT NULL THEN year_climate." + column +
               " ELSE (SELECT CASE WHEN count(*)>0 THEN max(long_term." + column +
               ") ELSE -99.99 END FROM climate_data AS long_term"
               " WHERE long_term.climate_ID = field_description.climate_ID AND long_term.[year] = 0) END";
    };
    p.rebuild("eff_climate",
              "SELECT plot_year.FL_ID AS FL_ID, " + climate("temperature") + " AS ltem, " + climate("precipitation") +
                  " AS nied, CASE WHEN beregnung_jsum.FL_ID IS NOT NULL THEN beregnung_jsum.smenge ELSE -99.99 END AS irrig,"
                  " 0 AS cyc, plot_year.yr AS year_"
                  " FROM (SELECT field_description.FL_ID AS FL_ID, field_description.rowid AS description_row,"
                  " tmp_time_scen.yr AS yr" +
                  kPlotYears +
                  " LIMIT -1) AS plot_year"
                  " LEFT JOIN field_description ON field_description.rowid = plot_year.description_row"
                  " LEFT JOIN climate_data AS year_climate ON year_climate.climate_ID = field_description.climate_ID"
                  " AND year_climate.[year] = plot_year.yr"
                  " LEFT JOIN beregnung_jsum ON beregnung_jsum.FL_ID = plot_year.FL_ID AND beregnung_jsum.jahr = plot_year.yr");
    index_eff_climate(p);
}

// eff_climate in steps: placeholders, the repetition cycles, then the long-term climate,
// the year's own climate and the irrigation written over them.
void fill_eff_climate_in_steps(const PrepContext& p)
{
    p.rebuild("eff_climate",
              "SELECT field_description.FL_ID AS FL_ID, -99.99 AS ltem, -99.99 AS nied, -99.99 AS irrig, 0 AS cyc,"
              " tmp_time_scen.yr AS year_" +
                  kPlotYears);

    // Repetition cycles: the years with management events, shifted by k times the
    // number of recorded years.
    if (p.cfg.z_cnt > 0) {
        p.run("WITH RECURSIVE cycle(k) AS (SELECT 1 UNION ALL SELECT k+1 FROM cycle WHERE k < " +
              std::to_string(p.cfg.z_cnt) +
              "), span AS (SELECT FL_ID, count(year_) AS ycnt FROM eff_climate GROUP BY FL_ID),"
              " event_year AS (SELECT DISTINCT FL_ID, [year] AS yr FROM cultivation)"
              " INSERT INTO eff_climate (FL_ID, ltem, nied, irrig, cyc, year_)"
              " SELECT span.FL_ID, -99.99, -99.99, 0, cycle.k, event_year.yr + cycle.k*span.ycnt"
              " FROM span INNER JOIN event_year ON event_year.FL_ID = span.FL_ID, cycle");
    }
    index_eff_climate(p);

    // Long-term climate first, then the year's own values where the station has them.
    p.run("UPDATE eff_climate SET nied = climate_data.precipitation, ltem = climate_data.temperature"
          " FROM field_description INNER JOIN climate_data ON field_description.climate_ID = climate_data.climate_ID"
          " WHERE field_description.FL_ID = eff_climate.FL_ID AND climate_data.[year] = 0");
    p.run("UPDATE eff_climate SET nied = climate_data.precipitation, ltem = climate_data.temperature"
          " FROM field_description INNER JOIN climate_data ON field_description.climate_ID = climate_data.climate_ID"
          " WHERE field_description.FL_ID = eff_climate.FL_ID AND climate_data.[year] = eff_climate.year_");
    p.run("UPDATE eff_climate SET irrig = beregnung_jsum.smenge FROM beregnung_jsum"
          " WHERE beregnung_jsum.FL_ID = eff_climate.FL_ID AND beregnung_jsum.jahr = eff_climate.year_");
    if (p.cfg.z_cnt > 0) {
        // Irrigation of a cycle year repeats the event of its recorded year.
        const std::string amount =
            p.regional ? "cultivation.Quantity*cultivation.part/100.0" : "cultivation.Quantity";
        p.run("UPDATE eff_climate SET irrig = " + amount +
              " FROM cultivation INNER JOIN tmp_time_int ON cultivation.FL_ID = tmp_time_int.FL_ID"
              " WHERE cultivation.FL_ID = eff_climate.FL_ID AND cultivation.Macode=7"
              " AND cultivation.[year] = eff_climate.year_ - tmp_time_int.intl*eff_climate.cyc");
    }
}

} // namespace

long long build_climate_tables(const PrepContext& p)
{
    p.rebuild("beregnung_jsum", std::string("SELECT FL_ID, [year] AS jahr, ") +
                                    (p.regional ? "sum(iramnt*irarea/100.0)" : "sum(iramnt)") +
                                    " AS smenge FROM tmp_tirgint GROUP BY FL_ID, [year]");

    // Without cycles and with one climate row per plot-year the table is written once with
    // its values instead of being rewritten by three updates.
    if (p.cfg.z_cnt <= 0 && one_climate_row_per_plot_year(p))
        fill_eff_climate_at_once(p);
    else
        fill_eff_climate_in_steps(p);

    const long long rows =
        p.rebuild("clim4sim",
                  "SELECT eff_climate.FL_ID AS FL_ID, eff_climate.year_ AS year_, eff_climate.ltem AS ltem,"
                  " eff_climate.nied AS nied, (eff_climate.irrig+eff_climate.nied) AS rain,"
                  " field_description.mw_BAT AS mw_BAT"
                  " FROM eff_climate INNER JOIN field_description ON eff_climate.FL_ID = field_description.FL_ID");
    p.checkStop();
    return rows;
}

} // namespace vt::engine
