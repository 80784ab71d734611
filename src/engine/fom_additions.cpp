#include "engine/fom_additions.h"

#include "engine/prep_context.h"

#include "db/connection.h"

#include <string>

namespace vt::engine {

void build_fom_additions(const PrepContext& p)
{
    const std::string events =
        " FROM (cultivation INNER JOIN site_state ON cultivation.FL_ID = site_state.FL_ID)";
    const std::string part = p.regional ? "cultivation.part" : "100";
    const std::string substance = "gldopspa.K AS K, gldopspa.ETA AS ETA, gldopspa.CNR AS CNR, gldopspa.CNR_alt AS CNR_alt,"
                                  " gldopspa.item_ix AS item_ix";

    // By-products left on the field; the whole carbon enters the pools.
    p.rebuildLogged("crop_ap :", "_koppel_prdkt",
                    "SELECT cultivation.FL_ID AS FL_ID, " + part + " AS part, cultivation.[year] AS year_,"
                    " gldopspa.NAME AS name_,"
                    " cultivation.Quantity*100*gldpflan.HI*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS AS C_kop, " +
                        substance + events +
                        " INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX"
                        " INNER JOIN gldopspa ON gldpflan.kop_ix = gldopspa.item_ix"
                        " WHERE site_state.status=1 AND cultivation.Macode=9");
    // Material of ploughed-up grassland.
    const std::string ploughCarbon = p.regional ? "cultivation.Quantity*cultivation.part*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS"
                                                : "cultivation.Quantity*100*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS";
    p.runLogged("plough up :",
                "INSERT INTO _koppel_prdkt (FL_ID, part, year_, name_, C_kop, K, ETA, CNR, CNR_alt, item_ix)"
                " SELECT cultivation.FL_ID, " + part + ", cultivation.[year], gldopspa.NAME, " + ploughCarbon +
                    ", gldopspa.K, gldopspa.ETA, gldopspa.CNR, gldopspa.CNR_alt, gldopspa.item_ix" + events +
                    " INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX"
                    " INNER JOIN gldopspa ON gldpflan.grd_ix = gldopspa.item_ix"
                    " WHERE site_state.status=1 AND cultivation.Macode=0");
    // Organic amendments with the carbon computed into Sim_Quantity.
    p.rebuildLogged("crop_oa :", "_org_dnger",
                    "SELECT cultivation.FL_ID AS FL_ID, " + part + " AS part, cultivation.[year] AS year_,"
                    " cultivation.Sim_Quantity AS Sim_Quantity, gldopspa.NAME AS name_, " +
                        substance + events +
                        " INNER JOIN gldopspa ON cultivation.Item_IX = gldopspa.item_ix"
                        " WHERE site_state.status=1 AND cultivation.Macode=3");

    // Every addition carries its substance's marker; a database without gldopspa.mkd leaves
    // every mark at 0. The marker is taken as the rows are copied: updating the whole
    // table afterwards rewrote every row of it.
    const bool withMarks = p.db.columnExists("gldopspa", "mkd");
    const auto mark = [withMarks](const std::string& source) {
        const std::string match = " FROM gldopspa WHERE gldopspa.item_ix = " + source + ".item_ix";
        return withMarks ? "CASE WHEN EXISTS (SELECT 1" + match + ") THEN (SELECT gldopspa.mkd" + match + " LIMIT 1) ELSE 0 END"
                         : std::string("0");
    };
    const std::string columns = "(FL_ID, year_, NAME_, COPS, ctype, part, K, ETA, CNR, cnr_alt, item_ix, mkd)";
    p.rebuildLogged("cops KPrecs:", "opstab",
                    "SELECT FL_ID, year_, name_ AS NAME_, C_kop AS COPS, 'KP' AS ctype, part, K, ETA, CNR,"
                    " CNR_alt AS cnr_alt, item_ix, " + mark("_koppel_prdkt") + " AS mkd FROM _koppel_prdkt");
    p.runLogged("cops OArecs:", "INSERT INTO opstab " + columns +
                                    " SELECT FL_ID, year_, name_, Sim_Quantity, 'OA', part, K, ETA, CNR, CNR_alt,"
                                    " item_ix, " + mark("_org_dnger") + " FROM _org_dnger");
    p.runLogged("cops ERrecs:", "INSERT INTO opstab " + columns +
                                    " SELECT FL_ID, year_, name_, c_ewr, 'ER', part, K, ETA, CNR, CNR_alt,"
                                    " item_ix, " + mark("_cropping_dt") + " FROM _cropping_dt");
    const long long marked =
        withMarks ? p.db.scalar("SELECT COUNT(*) FROM opstab WHERE item_ix IN (SELECT item_ix FROM gldopspa)").toInt()
                  : 0;
    p.log("mark updated:" + std::to_string(marked));
    p.guarded("CREATE INDEX flid_ix ON opstab (FL_ID, year_)");
    p.log("opstab index created:0");
    p.checkStop();
}

} // namespace vt::engine
