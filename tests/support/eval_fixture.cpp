#include "support/eval_fixture.h"

#include "db/keys.h"

namespace vt::test {

void create_eval_tables(db::Connection& c)
{
    c.executeScript(R"(
CREATE TABLE field_description (FL_ID int, site_description text, Location text, versuch_code text, Herkunft text,
  classification text, comment text, climate_ID int, soil_ID int, area float, mw_BAT float, notill float,
  i_con char(8), rep_cnt int, repix double);
CREATE TABLE site_state (FL_ID int, status int, res_val float);
CREATE TABLE measurements (meas_ID int, FL_ID int, M_IX int, [year] int, Month int, day int, year_number int,
  meas_value float, vrnz float, weight double);
CREATE TABLE sim_result (fl_id int, m_ix int, year_num int, year_ int, sim_value float);
CREATE TABLE rux_nresult (fl_id int, [year] int, year_num int, n_m_om double, n_ops double, c_ops double,
  c_som double, c_org double, c_lts double, n_som double, n_org double, c_mic double, c_rep double, bat double,
  n_flush double, n_m_fom double, bd double, pwp double, a_age double, s_age double, l_age double,
  c_m_tot double, c_m_fom double, sc_id int, pset int, haeq double, n_free_fom double, c_imp_fom double,
  n_imp_fom double);
CREATE TABLE tmp_outlist (fl_id int, m_ix int, meas_id int);
CREATE TABLE cultivation (cultivation_id int, FL_ID int, FL_ID_alt float, day int, month int, [year] int,
  Macode int, Item_IX int, Quantity float, Sim_Quantity float);
CREATE TABLE gldpflan (ITEM_IX int, NAME text, HI float, N_Gehalt float, CEWR float, FEWR float, ewr_ix int,
  kop_ix int, grd_ix int, nsaat_ix int, leg_ix int);
CREATE TABLE gldopspa (item_ix int, NAME text, TS_GEHALT float, C_GEH_TS float, CNR float, CNR_alt float);
CREATE TABLE n_saat_input (nsaat_ix int, menge float, n_gehalt float);
CREATE TABLE leg_parm (leg_ix int, faktor float, konstante float);
CREATE TABLE climate_station (climate_ID int, station text, year0_nd int, year1_nd int, ndep_0 float, ndep_1 float);
CREATE TABLE reg_ndeposit (climate_id int, [year] int, N_dep_y float);
CREATE TABLE tmp_ndeposit (climate_id int, [year] int, N_dep_y float);
)");
}

void add_plot(db::Connection& c, long long plot, const std::string& icon, const std::string& repCnt, long long climate)
{
    c.execute("INSERT INTO field_description (FL_ID, site_description, Location, versuch_code, climate_ID, soil_ID, "
              "i_con, rep_cnt) VALUES (?, ?, 'Testort', 'T1', ?, 1, ?, ?)",
              {plot, "plot " + std::to_string(plot), climate, icon, repCnt});
    c.execute("INSERT INTO site_state (FL_ID, status, res_val) VALUES (?, 0, 0)", {plot});
}

long long add_observation(db::Connection& c, long long plot, int mix, int year, int yearNumber, double value)
{
    const long long id = db::get_key(c, "measurements", "meas_ID");
    c.execute("INSERT INTO measurements (meas_ID, FL_ID, M_IX, [year], Month, day, year_number, meas_value, weight) "
              "VALUES (?, ?, ?, ?, 9, 1, ?, ?, 1)",
              {id, plot, mix, year, yearNumber, value});
    return id;
}

void add_simulated_year(db::Connection& c, long long plot, int year, int yearNumber, double carbon, double nitrogen,
                        double cmic)
{
    c.execute("INSERT INTO sim_result (fl_id, m_ix, year_num, year_, sim_value) VALUES (?, 7, ?, ?, ?)",
              {plot, yearNumber, year, carbon});
    c.execute("INSERT INTO rux_nresult (fl_id, [year], year_num, n_m_om, n_ops, c_ops, c_som, c_org, n_org, c_mic, "
              "c_rep, bat, c_m_tot, c_m_fom, haeq) VALUES (?, ?, ?, 50, 10, 100, ?, ?, ?, ?, 1000, 30, 900, 400, 0)",
              {plot, year, yearNumber, carbon * 1000, carbon, nitrogen, cmic});
}

} // namespace vt::test
