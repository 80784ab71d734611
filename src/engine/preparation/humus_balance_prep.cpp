#include "engine/preparation/humus_balance_prep.h"

#include "engine/preparation/prep_context.h"

namespace vt::engine {

namespace {

bool ends_with(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::vector<std::string> humus_coefficient_updates(const std::string& methode)
{
    std::vector<std::string> out;
    if (methode == "NULL") {
        out.push_back("UPDATE huba_crop SET huba=LUFA1");
        return out;
    }
    const char last = methode.empty() ? '\0' : methode.back();
    if (last == '1' || last == '2' || last == '3') out.push_back("UPDATE huba_oram SET huba=[HÄQ]");
    if (ends_with(methode, "_1")) out.push_back("UPDATE huba_crop SET huba=LUFA1");
    if (ends_with(methode, "_2")) out.push_back("UPDATE huba_crop SET huba=LUFA2");
    if (ends_with(methode, "_3")) out.push_back("UPDATE huba_crop SET huba=LUFA3");
    if (ends_with(methode, "HE")) {
        out.push_back("UPDATE huba_crop SET huba=HE_crop");
        out.push_back("UPDATE huba_oram SET huba=HE_od");
    }
    return out;
}

void build_humus_balance(const PrepContext& p, const std::string& methode)
{
    for (const auto& sql : humus_coefficient_updates(methode)) p.run(sql);

    p.rebuildLogged("hubi_c_from_crop_ :", "hubi_c_from_crop_",
                    "SELECT cultivation.FL_ID AS FL_ID, cultivation.[year] AS [year], 'CROP' AS source,"
                    " huba_crop.crop_IX AS crop_IX, huba_crop.NAME AS NAME, cultivation.Macode AS Macode,"
                    " cultivation.Quantity AS Quantity, huba_crop.huba AS huba"
                    " FROM cultivation INNER JOIN huba_crop ON cultivation.Item_IX = huba_crop.crop_IX"
                    " WHERE cultivation.Macode IN (2,9) ORDER BY cultivation.FL_ID, cultivation.[year]");
    p.rebuildLogged("hubi_c_from_oram_ :", "HUBI_C_from_oram_",
                    "SELECT cultivation.FL_ID AS FL_ID, cultivation.[year] AS [year], 'OD' AS source,"
                    " huba_oram.oram_ix AS item_ix, huba_oram.NAME AS NAME, cultivation.Macode AS Macode,"
                    " cultivation.Quantity AS Quantity, cultivation.Quantity*huba_oram.huba/10.0 AS ros_oram"
                    " FROM cultivation INNER JOIN huba_oram ON cultivation.Item_IX = huba_oram.oram_ix"
                    " WHERE cultivation.Macode=3 ORDER BY cultivation.FL_ID, cultivation.[year]");
    p.runLogged("hubi_c_from_by_prod :",
                "INSERT INTO HUBI_C_from_oram_ (FL_ID, [year], source, item_ix, NAME, Macode, Quantity, ros_oram)"
                " SELECT cultivation.FL_ID, cultivation.[year], 'OD', huba_oram.oram_ix, huba_oram.NAME, 3,"
                " cultivation.Quantity, cultivation.Quantity*huba_crop.HI*huba_oram.huba/10.0"
                " FROM (cultivation INNER JOIN huba_crop ON cultivation.Item_IX = huba_crop.crop_IX)"
                " INNER JOIN huba_oram ON huba_crop.kop_ix = huba_oram.oram_ix WHERE cultivation.Macode=9");
    p.rebuildLogged("hubi_c_from_crop :", "hubi_c_from_crop",
                    "SELECT FL_ID, [year], Sum(huba) AS huba FROM hubi_c_from_crop_ GROUP BY FL_ID, [year]");
    p.rebuildLogged("hubi_c_from_oram :", "HUBI_C_from_oram",
                    "SELECT FL_ID, [year], Sum(ros_oram) AS ros_oram FROM HUBI_C_from_oram_ GROUP BY FL_ID, [year]");

    p.run("DELETE FROM hubi_c_bilanz");
    p.run("INSERT INTO hubi_c_bilanz (FL_ID, year_, Corg) SELECT cultivation.FL_ID, cultivation.[year], -99"
          " FROM cultivation WHERE Macode<>4 GROUP BY cultivation.FL_ID, cultivation.[year]");
    p.runLogged("crop 2 hubi :",
                "UPDATE hubi_c_bilanz SET hb_crop = hubi_c_from_crop.huba FROM hubi_c_from_crop"
                " WHERE hubi_c_from_crop.FL_ID = hubi_c_bilanz.FL_ID AND hubi_c_from_crop.[year] = hubi_c_bilanz.year_");
    p.runLogged("oram 2 hubi :",
                "UPDATE hubi_c_bilanz SET HB_ORAM = HUBI_C_from_oram.ros_oram FROM HUBI_C_from_oram"
                " WHERE HUBI_C_from_oram.FL_ID = hubi_c_bilanz.FL_ID AND HUBI_C_from_oram.[year] = hubi_c_bilanz.year_");
    p.runLogged("corg 2 hubi :",
                "UPDATE hubi_c_bilanz SET Corg = measurements.meas_value FROM measurements"
                " WHERE measurements.FL_ID = hubi_c_bilanz.FL_ID AND measurements.[year] = hubi_c_bilanz.year_"
                " AND measurements.M_IX=7 AND measurements.year_number=0");
}

} // namespace vt::engine
