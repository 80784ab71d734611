#include "engine/preparation/soil_property_table.h"

#include "db/connection.h"
#include "engine/preparation/prep_context.h"

#include <string>

namespace vt::engine {

namespace {

bool default_initial_values(const RunConfig& cfg) { return cfg.modus == "ACC" && cfg.rux_icon == "null"; }

} // namespace

// `norg` is the plot's initial total N (M_IX 0, year_number 0; the last one entered) where
// one was observed, or the marker -corg/10.99 (not above 0) that tells the soil completion
// and the balance to take the default C/N ratio.
long long build_soil_property_table(const PrepContext& p)
{
    const bool defaults = default_initial_values(p.cfg);
    std::string sql = defaults ? "SELECT site_state.FL_ID AS FL_ID, 0 AS [year], 9.99 AS corg, 0.99 AS norg,"
                               : "SELECT site_state.FL_ID AS FL_ID, measurements.[year] AS [year], measurements.meas_value AS corg,"
                                 " coalesce((SELECT n.meas_value FROM measurements AS n WHERE n.FL_ID = measurements.FL_ID AND n.M_IX=0"
                                 " AND n.year_number=0 AND n.meas_value > 0 ORDER BY n.meas_ID DESC LIMIT 1),"
                                 " measurements.meas_value/(-10.99)) AS norg,";
    sql += " soilproperties.soil_ID AS soil_ID, soilproperties.profile AS profile, soilproperties.BA_RBS AS BA_RBS,"
           " soilproperties.soilclass AS soilclass, field_description.i_con AS i_con";
    for (const char* col : {"clay", "silt", "silt_org", "sand", "sand_org", "FAT", "FAT_org", "PWP", "PWP_org", "PV",
                            "PV_org", "FC", "FC_org", "PD", "PD_org", "BD", "BD_org"})
        sql += std::string(", soilproperties.") + col + " AS " + col;
    sql += p.db.columnExists("soilproperties", "skelett") ? ", soilproperties.skelett/100.0 AS skelett"
                                                          : ", 0 AS skelett";
    sql += ", soilproperties.cif AS cif, soilproperties.cif_org AS cif_org, 0 AS soil_cat";
    for (const char* col : {"fchw", "fbio", "max_lts", "max_lts_org", "deg", "deg_org", "lmbd", "lmbd_org"})
        sql += std::string(", soilproperties.") + col + " AS " + col;
    sql += p.db.columnExists("soilproperties", "BA_KA4") ? ", soilproperties.BA_KA4 AS BA_KA4" : ", '' AS BA_KA4";
    sql += ", -99.0 AS kd, -99.0 AS hf";
    sql += " FROM (site_state INNER JOIN field_description ON site_state.FL_ID = field_description.FL_ID)"
           " INNER JOIN soilproperties ON field_description.soil_ID = soilproperties.soil_ID";
    if (defaults)
        sql += " WHERE site_state.status=1";
    else
        sql += " INNER JOIN measurements ON site_state.FL_ID = measurements.FL_ID"
               " WHERE measurements.M_IX=7 AND measurements.year_number=0 AND site_state.status=1";
    const long long n = p.rebuild("tmp_soil_prop", sql);
    p.log("tmp soil :" + std::to_string(n));
    p.log("checking soil properties");
    return n;
}

} // namespace vt::engine
