#include "engine/carbon_input.h"

#include "engine/prep_context.h"

#include <string>

namespace vt::engine {

namespace {

// Events of the selected plots.
const std::string kSelectedEvents =
    " FROM (cultivation INNER JOIN site_state ON cultivation.FL_ID = site_state.FL_ID)";

} // namespace

const char* event_share_sql(bool regional)
{
    return regional ? "iif(cultivation.part>0, cultivation.part, 100)"
                    : "iif(cultivation.FL_ID_alt>0, cultivation.FL_ID_alt, 100)";
}

void build_carbon_input(const PrepContext& p)
{
    // Carbon of organic amendments and nitrogen of harvested crops as the model uses them.
    p.runLogged("sql 2:",
                "UPDATE cultivation SET Sim_Quantity = cultivation.Quantity*100*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS"
                " FROM gldopspa, site_state WHERE cultivation.Item_IX = gldopspa.item_ix"
                " AND cultivation.FL_ID = site_state.FL_ID AND site_state.status=1 AND cultivation.Macode=3");
    p.runLogged("sql 3:",
                "UPDATE cultivation SET Sim_Quantity = cultivation.Quantity*gldpflan.N_Gehalt"
                " FROM gldpflan, site_state WHERE gldpflan.ITEM_IX = cultivation.Item_IX"
                " AND cultivation.FL_ID = site_state.FL_ID AND site_state.status=1"
                " AND (cultivation.Macode=2 OR cultivation.Macode=9)");

    const std::string share = event_share_sql(p.regional);

    // Reproduced carbon of harvest residues and roots, organic amendments and by-products.
    p.rebuildLogged("CREP_ewr:", "crep_h1",
                    "SELECT cultivation.FL_ID AS FL_ID, " + share + " AS FLA, cultivation.[year] AS year_,"
                    " gldpflan.ITEM_IX AS ITEM_IX,"
                    " (cultivation.Sim_Quantity*gldpflan.FEWR+gldpflan.CEWR)*gldopspa.CNR_ALT*gldopspa.ETA AS Crep,"
                    " cultivation.Macode AS Macode, 'EWR' AS id_" +
                        kSelectedEvents +
                        " INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX"
                        " INNER JOIN gldopspa ON gldpflan.ewr_ix = gldopspa.item_ix"
                        " WHERE site_state.status=1 AND cultivation.Macode IN (2,9)");
    p.runLogged(" CREP_od:",
                "INSERT INTO crep_h1 (FL_ID, FLA, year_, ITEM_IX, Crep, Macode, id_)"
                " SELECT cultivation.FL_ID, " + share + ", cultivation.[year], gldopspa.item_ix,"
                " cultivation.Sim_Quantity*gldopspa.ETA, cultivation.Macode, 'OD'" +
                    kSelectedEvents +
                    " INNER JOIN gldopspa ON cultivation.Item_IX = gldopspa.item_ix"
                    " WHERE site_state.status=1 AND cultivation.Macode=3");
    p.runLogged("  CREP_kop:",
                "INSERT INTO crep_h1 (FL_ID, FLA, year_, ITEM_IX, Crep, Macode, id_)"
                " SELECT cultivation.FL_ID, " + share + ", cultivation.[year], gldpflan.ITEM_IX,"
                " cultivation.Quantity*gldpflan.HI*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS*gldopspa.ETA*100,"
                " cultivation.Macode, 'KP'" +
                    kSelectedEvents +
                    " INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX"
                    " INNER JOIN gldopspa ON gldpflan.kop_ix = gldopspa.item_ix"
                    " WHERE site_state.status=1 AND cultivation.Macode=9");

    // One row per plot-year with any source; the initial observations are marked in it.
    p.rebuildLogged("crep_year:", "crep_year",
                    "SELECT crep_h1.FL_ID AS FL_ID, crep_h1.year_ AS year_0, Sum(crep_h1.Crep*crep_h1.FLA/100.0) AS Crep,"
                    " Count(crep_h1.id_) AS n, crep_h1.year_+1 AS year_1, -99.9999 AS Corg, -99.9999 AS Norg"
                    " FROM crep_h1 INNER JOIN site_state ON crep_h1.FL_ID = site_state.FL_ID"
                    " GROUP BY crep_h1.FL_ID, crep_h1.year_, site_state.status HAVING site_state.status=1");
    p.runLogged("corg updates:",
                "UPDATE crep_year SET Corg = measurements.meas_value FROM measurements"
                " WHERE crep_year.FL_ID = measurements.FL_ID AND crep_year.year_0 = measurements.[year]"
                " AND measurements.M_IX=7 AND measurements.year_number=0");
    p.runLogged("Norg updates:",
                "UPDATE crep_year SET Norg = measurements.meas_value FROM measurements"
                " WHERE crep_year.FL_ID = measurements.FL_ID AND crep_year.year_0 = measurements.[year]"
                " AND measurements.M_IX=0 AND measurements.year_number=0");

    // Harvest residues and roots of every crop event, for the fresh organic matter.
    const std::string part = p.regional ? "cultivation.part" : "100";
    const std::string nEwr = "(gldpflan.CEWR+cultivation.Sim_Quantity*gldpflan.FEWR)";
    p.rebuildLogged("crop_er :", "_cropping_dt",
                    "SELECT cultivation.FL_ID AS FL_ID, " + part + " AS part, cultivation.[year] AS year_,"
                    " cultivation.Macode AS Macode, cultivation.Sim_Quantity AS yield, gldpflan.ITEM_IX AS crop_ix, " +
                        nEwr + " AS N_ewr, " + nEwr + "*gldopspa.CNR AS c_ewr, gldopspa.K AS K, gldopspa.ETA AS ETA,"
                        " gldopspa.CNR AS CNR, gldopspa.CNR_alt AS CNR_alt, gldpflan.NAME AS name_, " +
                        nEwr + "*gldopspa.CNR*gldopspa.ETA AS Crep, gldopspa.item_ix AS item_ix" + kSelectedEvents +
                        " INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX"
                        " INNER JOIN gldopspa ON gldpflan.ewr_ix = gldopspa.item_ix"
                        " WHERE site_state.status=1 AND cultivation.Macode IN (0,2,9)"
                        " ORDER BY cultivation.FL_ID, cultivation.[year]");
}

} // namespace vt::engine
