#include "engine/balance/input_queries.h"

namespace vt::engine {

std::string humus_balance_select(bool into)
{
    return std::string(" SELECT site_state.FL_ID, hubi_c_bilanz.year_ AS year_0, hubi_c_bilanz.Corg, "
                       "hubi_c_bilanz.hb_crop, hubi_c_bilanz.hb_ORAM, "
                       " tmp_soil_prop.BD,tmp_soil_prop.skelett, 999 AS cif ") +
           (into ? " into huba_fin_res " : "") +
           " FROM (tmp_soil_prop INNER JOIN site_state ON tmp_soil_prop.FL_ID = site_state.FL_ID) "
           "INNER JOIN hubi_c_bilanz ON site_state.FL_ID = hubi_c_bilanz.FL_ID "
           " WHERE (((site_state.status)=1)) ORDER BY site_state.FL_ID, hubi_c_bilanz.year_ ";
}

std::string carbon_input_query(bool sensitivity)
{
    std::string sql =
        "SELECT field_description.FL_ID, field_description.i_con, field_description.comment, "
        "field_description.notill, tmp_soil_prop.fchw, tmp_soil_prop.fbio, ";
    // The balance reads fbio and max_lts in both variants.
    if (!sensitivity) sql += "tmp_soil_prop.deg, tmp_soil_prop.lmbd, ";
    sql += "tmp_soil_prop.max_lts, tmp_soil_prop.cif, tmp_soil_prop.corg, tmp_soil_prop.norg, "
           "tmp_soil_prop.PWP, ";
    sql += sensitivity ? "tmp_soil_prop.BD*rux_var_fac.F_BD AS BD, " : "tmp_soil_prop.BD, ";
    sql += "tmp_soil_prop.skelett, tmp_soil_prop.PD, tmp_soil_prop.FC, tmp_soil_prop.fat, tmp_soil_prop.clay, "
           "tmp_soil_prop.silt, ";
    if (sensitivity)
        sql += "tmp_bat.BAT*rux_var_fac.F_BAT AS BAT, Crep_year.year_0, Crep_year.Crep*rux_var_fac.F_CREP AS Crep, ";
    else
        sql += "tmp_bat.BAT AS TillBAT, (tmp_bat.BAT*(100-tmp_bat.t_level)+tmp_BAT.BATnotill*tmp_bat.t_level)/100 AS BAT, "
               "tmp_bat.ltem, Crep_year.year_0, Crep_year.Crep, ";
    sql += "3250 AS cl "
           "FROM (((Crep_year INNER JOIN field_description ON Crep_year.FL_ID = field_description.FL_ID) "
           "INNER JOIN site_state ON site_state.FL_ID = field_description.FL_ID) "
           "INNER JOIN tmp_soil_prop ON (tmp_soil_prop.FL_ID = field_description.FL_ID) "
           "AND (tmp_soil_prop.soil_ID = field_description.soil_ID)) "
           "INNER JOIN tmp_bat ON (tmp_bat.FL_ID = Crep_year.FL_ID) AND (tmp_bat.year_0 = Crep_year.year_0) ";
    if (sensitivity) sql += "CROSS JOIN rux_var_fac ";
    sql += "WHERE site_state.status=1 ";
    if (sensitivity) sql += "AND rux_var_fac.ID=1 ";
    sql += "ORDER BY field_description.FL_ID, Crep_year.year_0";
    return sql;
}

std::string initial_observation_check_query()
{
    return "  SELECT Min(cultivation.year) AS Minvonyear, measurements.year, cultivation.FL_ID, "
           "field_description.Herkunft, field_description.Location, field_description.site_description "
           " FROM ((cultivation INNER JOIN measurements ON cultivation.FL_ID = measurements.FL_ID) "
           "INNER JOIN field_description ON cultivation.FL_ID = field_description.FL_ID) "
           "INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID  "
           " WHERE (((measurements.year_number)=0) AND ((cultivation.Macode) In (2,3,9)) AND ((site_state.status)=1)) "
           " GROUP BY measurements.year, cultivation.FL_ID, field_description.Herkunft, field_description.Location, "
           "field_description.site_description "
           " HAVING (((Min(cultivation.year))>[measurements].[year])) ";
}

std::string initial_observation_conflict_query(bool eventIndex, bool fromObservations)
{
    const std::string from = "SELECT site_state.FL_ID FROM (site_state INNER JOIN field_description"
                             " ON field_description.FL_ID = site_state.FL_ID)"
                             " INNER JOIN measurements ON measurements.FL_ID = site_state.FL_ID";
    if (eventIndex && fromObservations) {
        // When most plots are selected, one pass over the observations costs less than a
        // search of each selected plot's observations; the same rows meet the same test.
        return "SELECT site_state.FL_ID FROM measurements NOT INDEXED CROSS JOIN site_state CROSS JOIN"
               " field_description WHERE field_description.FL_ID = site_state.FL_ID"
               " AND measurements.FL_ID = site_state.FL_ID AND site_state.status=1 AND measurements.year_number=0"
               " AND measurements.[year] < (SELECT cultivation.[year] FROM cultivation WHERE cultivation.FL_ID ="
               " site_state.FL_ID AND cultivation.[year] IS NOT NULL AND cultivation.Macode IN (2,3,9)"
               " ORDER BY cultivation.[year] LIMIT 1) LIMIT 1";
    }
    if (eventIndex) {
        // Driven by the selected plots: the first event year of a plot is the first entry of
        // the index on (FL_ID, year) whose event counts, instead of a walk over every event.
        return from + " WHERE site_state.status=1 AND measurements.year_number=0 AND measurements.[year] <"
                      " (SELECT cultivation.[year] FROM cultivation WHERE cultivation.FL_ID = site_state.FL_ID"
                      " AND cultivation.[year] IS NOT NULL AND cultivation.Macode IN (2,3,9)"
                      " ORDER BY cultivation.[year] LIMIT 1) LIMIT 1";
    }
    // Without such an index the subquery above walks every event once per observation; the
    // first event year of every plot comes from one pass over the events instead (Min skips
    // the NULL years and orders as ORDER BY does).
    return from + " INNER JOIN (SELECT cultivation.FL_ID AS FL_ID, Min(cultivation.[year]) AS first_year"
                  " FROM cultivation WHERE cultivation.Macode IN (2,3,9) GROUP BY cultivation.FL_ID) AS first_event"
                  " ON first_event.FL_ID = site_state.FL_ID"
                  " WHERE site_state.status=1 AND measurements.year_number=0"
                  " AND measurements.[year] < first_event.first_year LIMIT 1";
}

std::string plot_list_query()
{
    return "SELECT field_description.FL_ID,field_description.i_con, field_description.site_description, "
           "field_description.Location, climate_station.station, soilproperties.profile "
           "FROM ((field_description INNER JOIN climate_station ON field_description.climate_ID = "
           "climate_station.climate_ID) INNER JOIN soilproperties ON field_description.soil_ID = "
           "soilproperties.soil_ID) INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID "
           "WHERE (((site_state.status)=1))";
}

} // namespace vt::engine
