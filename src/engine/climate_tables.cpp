#include "engine/climate_tables.h"

#include "engine/prep_context.h"

#include <string>

namespace vt::engine {

namespace {

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

} // namespace

void build_climate_tables(const PrepContext& p)
{
    p.rebuild("beregnung_jsum", std::string("SELECT FL_ID, [year] AS jahr, ") +
                                    (p.regional ? "sum(iramnt*irarea/100.0)" : "sum(iramnt)") +
                                    " AS smenge FROM tmp_tirgint GROUP BY FL_ID, [year]");

    p.rebuild("eff_climate",
              "SELECT field_description.FL_ID AS FL_ID, -99.99 AS ltem, -99.99 AS nied, -99.99 AS irrig, 0 AS cyc,"
              " tmp_time_scen.yr AS year_"
              " FROM (field_description INNER JOIN tmp_time_scen ON field_description.FL_ID = tmp_time_scen.fl_id)"
              " INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID WHERE site_state.status>0");

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
    p.rebuild("clim4sim",
              "SELECT eff_climate.FL_ID AS FL_ID, eff_climate.year_ AS year_, eff_climate.ltem AS ltem,"
              " eff_climate.nied AS nied, (eff_climate.irrig+eff_climate.nied) AS rain,"
              " field_description.mw_BAT AS mw_BAT"
              " FROM eff_climate INNER JOIN field_description ON eff_climate.FL_ID = field_description.FL_ID");
    p.checkStop();
}

} // namespace vt::engine
