#include "support/balance_fixture.h"

#include <algorithm>

namespace vt::test {

namespace {
const char* kTables[] = {
    "create table field_description (FL_ID int, site_description text, Location text, versuch_code text, "
    "Herkunft text, comment text, climate_ID int, soil_ID int, notill double, i_con char(8), repix double)",
    "create table site_state (FL_ID int, status int, res_val double)",
    "create table climate_station (climate_ID int, station text)",
    "create table soilproperties (soil_ID int, profile text)",
    "create table cultivation (cultivation_id int, FL_ID int, [year] int, Macode int, Item_IX int, Quantity double)",
    "create table measurements (meas_ID int, FL_ID int, M_IX int, [year] int, year_number int, meas_value double)",
    "create table Crep_year (FL_ID int, year_0 int, Crep double, n int, year_1 int, Corg double, Norg double)",
    "create table tmp_soil_prop (FL_ID int, [year] int, soil_ID int, i_con text, corg double, norg double, "
    "fchw double, fbio double, deg double, lmbd double, max_lts double, cif double, PWP double, BD double, "
    "skelett double, PD double, FC double, fat double, clay double, silt double)",
    "create table tmp_bat (FL_ID int, year_0 int, FAT double, ltem double, rain double, BAT double, "
    "BATnotill double, t_level double)",
    "create table opstab (FL_ID int, year_ int, NAME_ text, COPS double, ctype text, part double, K double, "
    "ETA double, CNR double, cnr_alt double, item_ix int, mkd int)",
    "create table rux_var_fac (ID int, F_BAT double, F_BD double, F_CREP double)",
    "insert into rux_var_fac values (1, 1, 1, 1)",
    "create table hubi_c_bilanz (FL_ID int, year_ int, Corg double, hb_crop double, HB_ORAM double)",
    "create table sim_result (fl_id int, m_ix int, year_num int, year_ int, sim_value float)",
    "create table rux_nresult (fl_id int, [year] int, year_num int, n_m_om double, n_ops double, c_ops double, "
    "c_som double, c_org double, c_lts double, n_som double, n_org double, c_mic double, c_rep double, bat double, "
    "n_flush double, n_m_fom double, bd double, pwp double, a_age double, s_age double, l_age double, "
    "c_m_tot double, c_m_fom double, sc_id int, pset int, haeq double, n_free_fom double, c_imp_fom double, "
    "n_imp_fom double)",
    "create table rux_zbv (fl_id int, year_ int,c_min_total double,c_min_fom double,c_rep_flx double,c_fom double,"
    "c_fom_in double,c_som double,c_lts double,c_hws double, mkd_a double, mkd_s double,int_A_mic double,"
    "int_A_mes double,int_A_ttl double)",
    "create table rux_protokoll (fl_id int, N_ int, mean_error double, RMSD double, S double, smw double, "
    "bias YESNO, datum_ datetime)",
    "create table rux_driver (fl_id int, year_ int, c_org double)",
    "create table som_state (fl_id integer, yr integer, c_am float, c_sm float, c_lts float, cnr_am float, "
    "cnr_sm float, cnr_lts float)",
    "create table fom_state (fl_id integer, yr integer, nr integer, fom_ix integer, fom_c float, fom_crflx float, "
    "fom_cnr float, fom_k float, fom_eta float)",
    "create table tmp_outlist (fl_id int, m_ix int, meas_id int)",
};
} // namespace

BalanceFixture::BalanceFixture() : db_(db::Connection::memory())
{
    for (const char* sql : kTables) db_->execute(sql);
}

void BalanceFixture::addPlot(const PlotSpec& p)
{
    db::Connection& c = *db_;
    c.execute("insert into field_description (FL_ID, site_description, Location, Herkunft, comment, climate_ID, "
              "soil_ID, notill, i_con) values (?, 'plot', 'site', 'test', '', 1, ?, 0, ?)",
              {p.id, p.id, p.icon});
    c.execute("insert into site_state values (?, ?, 0)", {p.id, p.selected ? 1 : 0});
    if (c.scalar("select count(*) from climate_station").toInt() == 0)
        c.execute("insert into climate_station values (1, 'station')");
    c.execute("insert into soilproperties values (?, 'profile')", {p.id});
    c.execute("insert into tmp_soil_prop (FL_ID, [year], soil_ID, i_con, corg, norg, fchw, fbio, deg, lmbd, max_lts, "
              "cif, PWP, BD, skelett, PD, FC, fat, clay, silt) values (?, ?, ?, ?, ?, ?, ?, ?, ?, -99, ?, ?, -99, ?, "
              "?, 2.6, 30, 20, ?, ?)",
              {p.id, p.years.empty() ? 0 : p.years.front() - 1, p.id, p.icon, p.corg, p.norg, p.fchw, p.fbio, p.deg,
               p.max_lts, p.cif, p.bd, p.skelett, p.clay, p.silt});
    for (int y : p.years) {
        c.execute("insert into Crep_year values (?, ?, 500, 1, ?, -99.9999, -99.9999)", {p.id, y, y + 1});
        if (c.scalar("select count(*) from tmp_bat where FL_ID=? and year_0=?", {p.id, y}).toInt() == 0)
            c.execute("insert into tmp_bat values (?, ?, 20, 8.5, 600, ?, ?, 0)", {p.id, y, p.bat, p.bat * 0.8});
        c.execute("insert into cultivation values (?, ?, ?, 2, 1, 50)", {y * 100 + p.id, p.id, y});
    }
    for (const Addition& a : p.additions)
        c.execute("insert into opstab values (?, ?, 'fom', ?, 'ER', ?, ?, ?, ?, ?, ?, ?)",
                  {p.id, a.year, a.cops, a.part, a.k, a.eta, a.cnr, a.cnr_alt, a.item_ix, a.mkd});
    if (!p.years.empty())
        c.execute("insert into measurements values (?, ?, 7, ?, 0, ?)",
                  {p.id * 1000, p.id, p.years.front(), p.corg});
    for (const auto& [yn, v] : p.observations)
        c.execute("insert into measurements values (?, ?, 7, ?, ?, ?)",
                  {p.id * 1000 + yn, p.id, p.years.front() - 1 + yn, yn, v});
}

engine::RunConfig BalanceFixture::config(const std::string& workDir) const
{
    engine::RunConfig cfg;
    cfg.work_dir = workDir;
    cfg.rux_icon = std::string(1, '*');  // no browser plot: the run's own initial values
    return cfg;
}

engine::RunHooks BalanceFixture::hooks()
{
    lines.clear();
    messages.clear();
    engine::RunHooks h;
    h.log = [this](const std::string& l) { lines.push_back(l); };
    h.message = [this](const std::string& caption, const std::string& text) { messages.emplace_back(caption, text); };
    return h;
}

bool BalanceFixture::logHas(const std::string& text) const
{
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

bool BalanceFixture::messageHas(const std::string& text) const
{
    return std::any_of(messages.begin(), messages.end(), [&](const auto& m) { return m.second == text; });
}

std::vector<double> BalanceFixture::nresult(long long fl_id, const std::string& column)
{
    std::vector<double> v;
    std::string sql = "select ";
    sql += column;
    sql += " from rux_nresult where fl_id=? order by year_num";
    for (auto cur = db_->query(sql, {fl_id});
         !cur.eof(); cur.next())
        v.push_back(cur.field(0).toDouble());
    return v;
}

} // namespace vt::test
