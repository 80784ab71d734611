#include "integration/run_fixture.h"

#include "db/schema.h"

namespace vt::test {

RunFixture::RunFixture(bool regional) : path_(dir_.file("run.db")), regional_(regional)
{
    db_ = std::make_unique<db::Connection>(path_, db::Connection::Mode::ReadWriteCreate);
    // A throw-away file: no need to wait for the disk after every statement.
    db_->executeScript("PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;");
    db::create_schema(*db_);
    db_->executeScript(R"(
        INSERT INTO gldpflan (ITEM_IX, NAME, kurzbez, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix, grd_ix)
            VALUES (1, 'wheat', 'WW', 0.8, 2.0, 20, 0.5, 101, 102, 103);
        INSERT INTO gldopspa (item_ix, NAME, od, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd)
            VALUES (101, 'wheat residues', 0, 0.05, 0.3, 30, 25, 0.86, 0.45, 0),
            (102, 'wheat straw', 0, 0.04, 0.25, 80, 70, 0.86, 0.45, 1),
            (103, 'grass sward', 0, 0.03, 0.3, 20, 18, 0.2, 0.45, 0),
            (201, 'cattle manure', -1, 0.02, 0.35, 15, 12, 0.25, 0.4, 0);
        DELETE FROM huba_crop;
        DELETE FROM huba_oram;
        INSERT INTO huba_crop (crop_IX, NAME, HI, kop_ix, huba, LUFA1, LUFA2, LUFA3, HE_crop)
            VALUES (1, 'wheat', 0.8, 201, 0, -280, -300, -320, -400);
        INSERT INTO huba_oram (oram_ix, NAME, huba, [HÄQ], HE_od) VALUES (201, 'cattle manure', 0, 40, 50);
    )");
    if (regional_) db_->execute("ALTER TABLE cultivation ADD part double");
}

void RunFixture::addPlot(long long fl, long long soil, long long climate, double notill, int status,
                         const std::string& icon, double mwBat)
{
    db_->execute("INSERT INTO field_description (FL_ID, site_description, climate_ID, soil_ID, mw_BAT, notill, i_con,"
                 " repix) VALUES (?, ?, ?, ?, ?, ?, ?, 29)",
                 {fl, "plot " + std::to_string(fl), climate, soil, mwBat, notill, icon});
    db_->execute("INSERT INTO site_state (FL_ID, status, res_val) VALUES (?, ?, 0)", {fl, status});
}

void RunFixture::addSoil(long long soil, double clay, double silt, double bd, const std::string& rbs)
{
    db_->execute("INSERT INTO soilproperties (soil_ID, profile, soilclass, BA_RBS, clay, silt, silt_org, sand, sand_org,"
                 " FAT, FAT_org, PWP, PWP_org, FC, FC_org, PV, PV_org, PD, PD_org, BD, BD_org, skelett, cif, cif_org,"
                 " fchw, fbio, max_lts, max_lts_org, deg, deg_org, lmbd, lmbd_org)"
                 " VALUES (?, 'profile', 1, ?, ?, ?, ?, -99, 0, -99, 0, -99, 0, -99, 0, -99, 0, -99, 0, ?, ?, 5,"
                 " -99, 0, 15, 0.03, -99, 0, -99, 0, -99, 0)",
                 {soil, rbs, clay, silt, silt > 0 ? -1 : 0, bd, bd > 0 ? -1 : 0});
}

void RunFixture::addClimate(long long climate, long long year, double temperature, double precipitation)
{
    db_->execute("INSERT INTO climate_data (climate_ID, day, month, year, temperature, precipitation)"
                 " VALUES (?, 0, 0, ?, ?, ?)",
                 {climate, year, temperature, precipitation});
}

void RunFixture::addEvent(long long fl, long long year, int macode, long long item, double quantity, double share)
{
    if (regional_)
        db_->execute("INSERT INTO cultivation (FL_ID, year, Macode, Item_IX, Quantity, part) VALUES (?, ?, ?, ?, ?, ?)",
                     {fl, year, macode, item, quantity, share});
    else
        db_->execute("INSERT INTO cultivation (FL_ID, FL_ID_alt, year, Macode, Item_IX, Quantity)"
                     " VALUES (?, ?, ?, ?, ?, ?)",
                     {fl, share, year, macode, item, quantity});
}

void RunFixture::addMeasurement(long long fl, int mix, long long year, long long yearNumber, double value)
{
    db_->execute("INSERT INTO measurements (FL_ID, M_IX, year, year_number, meas_value) VALUES (?, ?, ?, ?, ?)",
                 {fl, mix, year, yearNumber, value});
}

engine::RunConfig RunFixture::config() const
{
    engine::RunConfig cfg;
    cfg.database = path_;
    cfg.hymode = 3;
    cfg.recalc_bat = true;
    return cfg;
}

RunFixture::Run RunFixture::run(const engine::RunConfig& cfg)
{
    Run out;
    engine::RunHooks hooks;
    hooks.log = [&out](const std::string& line) { out.log.push_back(line); };
    hooks.message = [&out](const std::string& caption, const std::string& text) {
        out.messages.push_back(caption + ": " + text);
    };
    engine::RunDriver driver(*db_, cfg, hooks);
    out.result = driver.run();
    return out;
}

double RunFixture::number(const std::string& sql) { return db_->scalar(sql).toDouble(); }

} // namespace vt::test
