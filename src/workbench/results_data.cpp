#include "workbench/results_data.h"

#include "db/connection.h"
#include "db/db_error.h"
#include "workbench/browser_management.h"

#include <algorithm>

namespace vt::workbench {

namespace {

eval::Table read(db::Connection& c, const std::string& sql, long long plot)
{
    auto cur = c.query(sql, {plot});
    return eval::read_table(cur);
}

} // namespace

eval::Table misc_results(db::Connection& c, long long plot)
{
    try {
        return read(c,
                    "select [year], int(100*n_m_om)/100.0 as n_m_om, int(100*n_ops)/100.0 as n_ops, "
                    " int(100*C_ops)/100.0 as C_ops, int(100*c_som)/100.0 as c_som, int(n_org*100)/100.0 as n_som, "
                    " int(100*c_lts)/100.0 as c_lts, iif(n_som>0, int(100*c_som/n_som)/100.0, -99) as cnr, "
                    " int(100*c_rep)/100.0 as crep, int(100*bat)/100.0 as bat, int(1000*bd)/1000.0 as bd, "
                    " int(100*pwp)/100.0 as pwp, a_age, s_age, l_age from rux_nresult where fl_id=? order by [year]",
                    plot);
    } catch (const db::DbError&) {
        return {};  // an older result table without some column: the page stays empty
    }
}

const std::vector<Quantity>& turnover_quantities()
{
    static const std::vector<Quantity> q = {
        {"SOM - reproduction", "crepflx"},
        {"SOM - decomposition", "csomloss"},
        {"total C emission", "c2atm"},
        {"total C in soil", "soilcarbon"},
        {"SOM saldo", "saldo"},
        {"BAT", "bat"},
        {"REP_IX", "repix"},
    };
    return q;
}

const std::vector<Quantity>& misc_quantities()
{
    static const std::vector<Quantity> q = {
        {"N-mineralisation kg/ha/a", "N_m_OM"},
        {"N in FOM kg/ha", "N_OPS"},
        {"C in FOM kg/ha", "C_OPS"},
        {"N in SOM kg/ha", "N_som"},
        {"C in SOM kg/ha", "C_SOM"},
        {"phys.stab. SOC kg/ha", "C_lts"},
        {"CNR", "CNR"},
        {"C_rep flux in kg/ha/a", "crep"},
        {"BAT", "bat"},
        {"BD", "bd"},
        {"PWP", "pwp"},
        {"AOS-age", "a_age"},
        {"SOS-age", "s_age"},
        {"LTS-age", "l_age"},
    };
    return q;
}

std::optional<QuantityFigures> quantity_figures(const eval::Table& rows, const std::string& column)
{
    const int col = rows.column(column);
    if (col < 0 || rows.rows.empty()) return std::nullopt;
    QuantityFigures f;
    double sum = 0;
    f.min = 99999999;
    f.max = -9999999;
    for (const auto& row : rows.rows) {
        const double v = eval::cell(row, col).toDouble();
        sum += v;
        f.min = std::min(f.min, v);
        f.max = std::max(f.max, v);
    }
    f.count = static_cast<long long>(rows.rows.size());
    f.mean = sum / static_cast<double>(f.count);
    return f;
}

eval::Table plot_description(db::Connection& c, long long plot)
{
    return read(c, "select * from field_description where FL_ID=?", plot);
}

eval::Table site_description(db::Connection& c, long long plot)
{
    return read(c,
                "SELECT fd.FL_ID, fd.area, fd.comment, fd.mw_bat, fd.Herkunft, fd.Location, fd.classification, "
                " fd.site_description, fd.climate_ID, fd.soil_ID, cs.station, sp.profile, sp.ba_rbs, sp.clay, sp.silt, "
                " sp.sand, sp.FAT, sp.PWP, sp.PV, sp.FC, sp.PD, sp.BD, Avg(cd.temperature) AS mwtemp, "
                " Avg(cd.precipitation) AS mwprec, Count(cd.[year]) AS ycnt "
                " FROM ((field_description fd INNER JOIN soilproperties sp ON fd.soil_ID = sp.soil_ID) "
                " INNER JOIN climate_station cs ON fd.climate_ID = cs.climate_ID) "
                " INNER JOIN climate_data cd ON fd.climate_ID = cd.climate_ID "
                " WHERE fd.FL_ID=? "
                " GROUP BY fd.FL_ID, fd.area, fd.comment, fd.mw_bat, fd.Herkunft, fd.Location, fd.classification, "
                " fd.site_description, fd.climate_ID, fd.soil_ID, cs.station, sp.profile, sp.ba_rbs, sp.clay, "
                " sp.silt, sp.sand, sp.FAT, sp.PWP, sp.PV, sp.FC, sp.PD, sp.BD",
                plot);
}

eval::Table plot_references(db::Connection& c, long long plot)
{
    return read(c,
                "SELECT field_description.FL_ID, referenzen.lit_id, referenzen.Autor, referenzen.Jahr, "
                " substr(referenzen.Titel, 1, 254) AS titel, referenzen.produkt, referenzen.herausgeber, "
                " referenzen.quelle, referenzen.ort, referenzen.band, referenzen.seite, referenzen.ausgabe, "
                " field_description.versuch_code "
                " FROM (referenzen INNER JOIN ref2vcode ON referenzen.lit_id = ref2vcode.lit_id) "
                " INNER JOIN field_description ON ref2vcode.versuchs_code = field_description.versuch_code "
                " WHERE field_description.FL_ID=? ORDER BY referenzen.Jahr, referenzen.lit_id",
                plot);
}

std::string property_axis_title(db::Connection& c, int mIx, const std::string& fallback)
{
    if (!c.tableExists("gln_mwml")) return fallback;
    auto r = c.query("select KURZBEZ, EINHEIT from GLN_MWML where M_IX=?", {db::Value(mIx)});
    if (r.eof()) return fallback;
    const std::string name = r.field(0).toString(), unit = r.field(1).toString();
    if (name.empty()) return fallback;
    return unit.empty() ? name : name + " [" + unit + "]";
}

eval::Table management_report_rows(db::Connection& c, long long plot)
{
    // The rows of the page "Management", named by the same rule.
    eval::Table t;
    t.columns = {"DATUM", "AKTION", "SUBJEKT", "ORIGWERT", "UNIT", "MACODE"};
    for (const auto& r : management_rows(c, plot))
        t.rows.push_back({r.year, r.action.empty() ? std::string("?") : r.action, r.subject, r.quantity, r.unit, r.macode});
    return t;
}

} // namespace vt::workbench
