#include "engine/bat_table.h"

#include "db/connection.h"
#include "db/number_format.h"
#include "db/savepoint.h"
#include "engine/climate_tables.h"
#include "engine/prep_context.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::engine {

namespace {

// The no-tillage share of a tillage event (code 14).
std::string tillage_share(bool regional)
{
    return regional ? "cultivation.part" : "iif(cultivation.FL_ID_alt>0, cultivation.FL_ID_alt, 100)";
}

void index_bat_table(const PrepContext& p)
{
    if (!p.guarded("CREATE UNIQUE INDEX idx_fl_yr ON tmp_bat (fl_id, year_0)"))
        throw RunCancelled("ERROR: index creation failed ", "There is probably more than 1 initial Corg value (year_number=0)");
}

struct BatRow {
    long long rowid;
    long long plot;
    long long year;
    double fat;
    double ltem;
    double rain;
};

// BAT and untilled BAT of every year with rain, from its climate and the soil's fine
// fraction; one transaction over the table in plot and year order.
void recalculate_bat(const PrepContext& p, const BatCoefficients& coefficients)
{
    std::vector<BatRow> rows;
    for (auto cur = p.db.query("SELECT rowid, FL_ID, year_0, FAT, ltem, rain FROM tmp_bat ORDER BY fl_id, year_0");
         !cur.eof(); cur.next())
        rows.push_back({cur.field(0).toInt(), cur.getInt("FL_ID"), cur.getInt("year_0"), cur.getDouble("FAT"),
                        cur.getDouble("ltem"), cur.getDouble("rain")});

    db::Savepoint t(p.db, "row_walk");
    auto setBat = p.db.prepare("UPDATE tmp_bat SET BAT = ? WHERE rowid = ?");
    auto setBoth = p.db.prepare("UPDATE tmp_bat SET BAT = ?, BATnotill = ? WHERE rowid = ?");
    const auto total = static_cast<long long>(rows.size());
    for (long long i = 0; i < total; ++i) {
        const BatRow& r = rows[i];
        p.checkStop();
        if (r.ltem < 0)
            throw RunCancelled("unvollständige Klimadaten ?",
                               "LTEM<0 aufgetreten ! (FL_ID " + std::to_string(r.plot) + ", year " +
                                   std::to_string(r.year) + ", ltem " + db::format_number(r.ltem) + ")");
        if (r.rain > 0) {
            const double bat = bat_of_year(r.ltem, r.rain, r.fat, coefficients);
            std::optional<double> notill;
            try {
                notill = bat_without_tillage(r.fat, bat);
            } catch (const std::domain_error&) {
                // An untilled BAT that cannot be computed keeps the plot's mean.
            }
            // One statement per row where both are known.
            if (notill) {
                setBoth.bind(1, bat).bind(2, *notill).bind(3, r.rowid);
                setBoth.execute();
            } else {
                setBat.bind(1, bat).bind(2, r.rowid);
                setBat.execute();
            }
        }
        p.hooks.report(i + 1, total);
    }
    t.release();
    p.hooks.report(0, 0);
}

void set_tillage_level(const PrepContext& p, bool withCycles)
{
    p.run("UPDATE tmp_bat SET t_level = 0");
    p.run("UPDATE tmp_bat SET t_level = iif(field_description.notill=1,100,0) FROM field_description"
          " WHERE field_description.FL_ID = tmp_bat.FL_ID");
    // Plots whose tillage changes take the share of the tillage event of the year (of the
    // recorded year a cycle year repeats).
    const std::string sql =
        withCycles
            ? "UPDATE tmp_bat SET t_level = " + tillage_share(p.regional) +
                  " FROM field_description, eff_climate, tmp_time_int, cultivation"
                  " WHERE field_description.FL_ID = tmp_bat.FL_ID AND field_description.notill=2"
                  " AND eff_climate.FL_ID = tmp_bat.FL_ID AND eff_climate.year_ = tmp_bat.year_0"
                  " AND tmp_time_int.FL_ID = tmp_bat.FL_ID AND cultivation.FL_ID = tmp_bat.FL_ID"
                  " AND cultivation.Macode=14 AND cultivation.[year] = tmp_bat.year_0 - tmp_time_int.intl*eff_climate.cyc"
            : "UPDATE tmp_bat SET t_level = " + tillage_share(p.regional) +
                  " FROM field_description, cultivation"
                  " WHERE field_description.FL_ID = tmp_bat.FL_ID AND field_description.notill=2"
                  " AND cultivation.FL_ID = tmp_bat.FL_ID AND cultivation.Macode=14"
                  " AND cultivation.[year] = tmp_bat.year_0";
    if (!p.guarded(sql)) p.hooks.show("error", "could not update tmp_bat");
}

// An estimate of the initial carbon from a user's nitrogen loss table tmp_nloss; only
// built when the database has one.
void estimate_initial_carbon(const PrepContext& p)
{
    p.drop("tmp_hlpcinit");
    const std::string kappa = "(1.0/(GLDAPARM.K_AOS/(1+GLDAPARM.K_STAB*1.0/GLDAPARM.K_AKT)))";
    p.guarded("CREATE TABLE tmp_hlpcinit AS SELECT tmp_bat.FL_ID AS FL_ID, GLDAPARM.NAME AS NAME,"
              " GLDAPARM.K_AOS AS km, GLDAPARM.K_AKT AS ka, GLDAPARM.K_STAB AS ks, GLDAPARM.CNR_OBS AS CNR_OBS,"
              " tmp_nloss.nloss AS nloss, tmp_bat.BAT AS BAT, tmp_soil_prop.cif AS cif, " +
              kappa + " AS kappa, " + kappa +
              "*tmp_nloss.nloss*GLDAPARM.CNR_OBS/(tmp_bat.BAT*(1-tmp_soil_prop.cif)) AS Corg_init,"
              " tmp_soil_prop.BA_RBS AS BA_RBS, tmp_soil_prop.clay AS clay"
              " FROM ((tmp_bat INNER JOIN tmp_soil_prop ON tmp_bat.FL_ID = tmp_soil_prop.FL_ID"
              " AND tmp_bat.year_0 = tmp_soil_prop.[year])"
              " INNER JOIN tmp_nloss ON tmp_bat.FL_ID = tmp_nloss.fl_id AND tmp_bat.year_0 = tmp_nloss.year0), GLDAPARM"
              " WHERE GLDAPARM.NAME = 'NORM'");
}

} // namespace

BatCoefficients load_bat_coefficients(db::Connection& c, BatCoefficients current)
{
    try {
        std::vector<BatCoefficientRow> stored;
        for (auto cur = c.query("SELECT xfat, xa, xb, xc FROM wmzprm"); !cur.eof() && stored.size() < BatCoefficients::kRows;
             cur.next())
            stored.push_back({cur.getDouble("xfat"), cur.getDouble("xa"), cur.getDouble("xb"), cur.getDouble("xc")});
        current.replace_rows(stored);
    } catch (const db::DbError&) {
    }
    return current;
}

void build_bat_table(const PrepContext& p, const BatCoefficients& coefficients)
{
    p.drop("tmp_bat");
    if (!p.cfg.recalc_bat) {
        p.rebuildLogged("tmp bat :", "tmp_bat",
                        "SELECT field_description.FL_ID AS FL_ID, cultivation.[year] AS year_0,"
                        " Avg(field_description.mw_BAT) AS BAT, -Avg(field_description.mw_BAT) AS BATnotill,"
                        " -99 AS FAT, -99 AS ltem, 0 AS t_level"
                        " FROM (field_description INNER JOIN cultivation ON field_description.FL_ID = cultivation.FL_ID)"
                        " INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID"
                        " WHERE site_state.status=1 GROUP BY field_description.FL_ID, cultivation.[year]");
        p.guarded("CREATE UNIQUE INDEX idx_fl_yr ON tmp_bat (fl_id, year_0)");
        set_tillage_level(p, false);
        return;
    }

    build_climate_tables(p);
    p.log("simple_bat=yes");
    p.rebuildLogged("tmp bat :", "tmp_bat",
                    "SELECT clim4sim.FL_ID AS FL_ID, clim4sim.year_ AS year_0, tmp_soil_prop.FAT AS FAT,"
                    " clim4sim.ltem AS ltem, clim4sim.rain AS rain, clim4sim.mw_BAT AS BAT, -clim4sim.mw_BAT AS BATnotill,"
                    " -99.99 AS t_level"
                    " FROM clim4sim INNER JOIN tmp_soil_prop ON clim4sim.FL_ID = tmp_soil_prop.FL_ID");
    index_bat_table(p);
    recalculate_bat(p, coefficients);
    set_tillage_level(p, true);
    p.log("updt tmp bat :" + std::to_string(p.rowCount("tmp_bat")));
    estimate_initial_carbon(p);
    p.checkStop();
}

} // namespace vt::engine
