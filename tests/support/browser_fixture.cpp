#include "support/browser_fixture.h"

#include "db/schema.h"
#include "db/sql_quote.h"

namespace vt::test {

std::unique_ptr<db::Connection> browser_fixture(const std::string& path)
{
    auto c = path == ":memory:" ? db::Connection::memory()
                                : std::make_unique<db::Connection>(path, db::Connection::Mode::ReadWriteCreate);
    db::create_schema(*c);
    c->executeScript(R"(
        insert into field_description (FL_ID, site_description, Location, versuch_code, Herkunft, climate_ID, soil_ID,
            area, mw_BAT, notill, i_con, rep_cnt) values
          (10, 'Acker', 'Nord', '1', 'trial', 1, 1, 2.5, 30, 0, 'obsval', 0),
          (12, 'Feld', 'Nord', '1', 'trial', 1, 1, 1.5, 30, 0, 'obsval', 19903),
          (20, 'Wiese', 'Nord', '1', 'trial', 1, 1, -99, 30, 0, 'null', 0),
          (15, 'Hang', 'Süd', '2', 'farm', 1, 1, -99, 30, 0, '12', 0),
          (40, 'Tal', 'Süd', '2', 'farm', 1, 1, -99, 30, 0, 'obsval', 0);
        insert into site_state (FL_ID, status, res_val) select FL_ID, 0, 0 from field_description;
        insert into experiments (exp_id, vcode, location, herkunft) values (1, '1', 'Nord', 'trial'), (2, '2', 'Süd', 'farm');
        insert into ref2vcode (lit_id, versuchs_code) values (1, '2');
        insert into climate_station (climate_ID, station) values (1, 'Station A'), (2, 'Station B');
        insert into soilproperties (soil_ID, profile) values (1, 'Loess'), (2, 'Sand');
        insert into gldpflan (ITEM_IX, NAME) values (1, 'winter wheat'), (2, 'sugar beet');
        insert into gldopspa (item_ix, NAME, od) values (101, 'farmyard manure', -1), (102, 'straw', 0);
        insert into gldmindg (item_ix, name) values (1, 'calcium ammonium nitrate');
        insert into gldsel_crop ([select], ITEM_IX, Name) values (-1, 1, 'winter wheat'), (0, 2, 'sugar beet');
        insert into gldsel_ops ([select], ITEM_IX, Name) values (-1, 101, 'farmyard manure');
        insert into gldsel_frt ([select], ITEM_IX, Name) values (-1, 1, 'calcium ammonium nitrate');
        insert into cultivation (cultivation_id, FL_ID, day, month, [year], Macode, Item_IX, Quantity, Sim_Quantity) values
          (1, 12, 1, 8, 1990, 2, 1, 70, 100), (2, 12, 1, 3, 1990, 4, 1, 120, 100),
          (3, 12, 1, 9, 1991, 3, 101, 300, 100), (4, 12, 1, 8, 1991, 9, 2, 500, 100), (5, 10, 1, 8, 1990, 2, 1, 65, 100);
        insert into measurements (meas_ID, FL_ID, M_IX, [year], Month, day, year_number, meas_value, vrnz) values
          (1, 12, 7, 1990, 3, 1, 0, 1.2, 0.01), (2, 12, 7, 1995, 3, 1, 6, 1.25, 0.01),
          (3, 12, 0, 1990, 3, 1, 0, 0.12, 0), (4, 12, 0, 1996, 3, 1, 7, 0.13, 0), (5, 10, 7, 1990, 3, 1, 0, 1.1, 0);
        insert into sim_result (fl_id, m_ix, year_, year_num, sim_value) values (12, 7, 1990, 0, 1.2), (12, 7, 1991, 1, 1.21),
          (10, 7, 1990, 0, 0);
        insert into rux_nresult (fl_id, [year], year_num, c_org, bat) values (12, 1990, 0, 1.2, 30.123), (12, 1991, 1, 1.21, 31.5);
        insert into rux_zbv (fl_id, year_, c_som) values (12, 1990, 1), (12, 1991, 1);
        insert into som_state (fl_id, yr, c_am) values (12, 1995, 1000);
        insert into fom_state (fl_id, yr, nr, fom_ix) values (12, 1995, 1, 101);
        insert into rux_protokoll (fl_id, N_) values (12, 2);
        insert into rs_table (fl_id, [year], M_IX) values (12, 1995, 7);
    )");
    return c;
}

long long rows_of_plot(db::Connection& c, const std::string& table, long long flId)
{
    return c.scalar("select count(*) from " + db::quote_ident(table) + " where fl_id=?", {flId}).toInt();
}

} // namespace vt::test
