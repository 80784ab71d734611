#include "db/connection.h"
#include "db/demo_database.h"
#include "db/schema.h"
#include "engine/types/run_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vt::db::Connection;

namespace {

std::unique_ptr<Connection> fresh()
{
    auto c = Connection::memory();
    vt::db::create_schema(*c);
    return c;
}

} // namespace

TEST(Schema, HoldsEveryPersistentTableWithItsColumns)
{
    auto c = fresh();
    struct Case {
        const char* table;
        std::vector<std::string> columns;
    };
    const std::vector<Case> cases = {
        {"field_description", {"FL_ID", "site_description", "Location", "versuch_code", "Herkunft", "classification",
                               "comment", "climate_ID", "soil_ID", "area", "mw_BAT", "notill", "i_con", "rep_cnt",
                               "repix"}},
        {"site_state", {"FL_ID", "status", "res_val"}},
        {"measurements", {"meas_ID", "FL_ID", "M_IX", "year", "Month", "day", "year_number", "meas_value", "vrnz",
                          "weight"}},
        {"cultivation", {"cultivation_id", "FL_ID", "FL_ID_alt", "day", "month", "year", "Macode", "Item_IX",
                         "Quantity", "Sim_Quantity"}},
        {"climate_data", {"climate_ID", "day", "month", "year", "temperature", "precipitation"}},
        {"rux_nresult", {"fl_id", "year", "year_num", "n_m_om", "n_ops", "c_ops", "c_som", "c_org", "c_lts", "n_som",
                         "n_org", "c_mic", "c_rep", "bat", "n_flush", "n_m_fom", "bd", "pwp", "a_age", "s_age",
                         "l_age", "c_m_tot", "c_m_fom", "sc_id", "pset", "haeq", "n_free_fom", "c_imp_fom",
                         "n_imp_fom"}},
        {"rux_zbv", {"fl_id", "year_", "c_min_total", "c_min_fom", "c_rep_flx", "c_fom", "c_fom_in", "c_som", "c_lts",
                     "c_hws", "mkd_a", "mkd_s", "int_A_mic", "int_A_mes", "int_A_ttl"}},
        {"gldaktion", {"ACTION_ID", "ACTION", "UNIT_INTENSITY", "DEF_INTENSITY", "ACTION_en", "ACTION_de",
                       "DEF_INTENSITY_en", "DEF_INTENSITY_de"}},
    };
    for (const auto& k : cases) EXPECT_EQ(c->columns(k.table), k.columns) << k.table;
    // A new database is not a regional one.
    EXPECT_FALSE(c->columnExists("cultivation", "part"));
}

TEST(Schema, HoldsTheFixedRows)
{
    auto c = fresh();
    const vt::engine::ModelConstants k;
    auto norm = c->query("select * from gldaparm where item_ix=1");
    ASSERT_FALSE(norm.eof());
    EXPECT_EQ(norm.getString("NAME"), "NORM");
    EXPECT_DOUBLE_EQ(norm.getDouble("K_STAB"), k.ks);
    EXPECT_DOUBLE_EQ(norm.getDouble("K_AOS"), k.km);
    EXPECT_DOUBLE_EQ(norm.getDouble("K_AKT"), k.ka);
    EXPECT_DOUBLE_EQ(norm.getDouble("K_DEG"), k.kd);
    EXPECT_DOUBLE_EQ(norm.getDouble("CNR_OBS"), k.cnrsom);
    EXPECT_DOUBLE_EQ(norm.getDouble("H_PWP"), k.hpwp);
    EXPECT_DOUBLE_EQ(norm.getDouble("H_FC"), k.hfc);

    EXPECT_EQ(c->scalar("select group_concat(xfat, ' ') from wmzprm").toString(), "6.0 8.0 11.5 15.0 22.0 32.0 44.0");
    EXPECT_DOUBLE_EQ(c->scalar("select xb from wmzprm where xfat=15").toDouble(), -0.009797);
    EXPECT_EQ(c->scalar("select group_concat(class || ':' || rpx_l || '-' || rpx_h, ' ') from rpx_class").toString(),
              "A:0.0-5.0 B:5.0-17.0 C:17.0-35.0 D:35.0-55.0 E:58.0-99999.0");
    EXPECT_EQ(c->scalar("select model from vtn_setting").toString(), "RUX");
    EXPECT_EQ(c->scalar("select group_concat(M_IX, ',') from (select M_IX from GLN_MWML order by M_IX)").toString(),
              "-1,0,5,7,20");
    EXPECT_EQ(c->scalar("select group_concat(action_id, ',') from gldaktion where action_id in (0,2,3,4,5,7,9,14)")
                  .toString(),
              "0,2,3,4,5,7,9,14");
    EXPECT_EQ(c->scalar("select count(*) from gldaktion where coalesce([action],'')='' or unit_intensity is null")
                  .toInt(),
              0);
    EXPECT_EQ(c->scalar("select F_BAT*F_BD*F_CREP from rux_var_fac where ID=1").toDouble(), 1.0);
}

TEST(Schema, DatabaseFromScriptsRunsThemInOrderAllOrNothing)
{
    auto c = Connection::memory();
    const std::vector<vt::db::SqlScript> scripts = {
        {"10_crops.sql", "insert into gldpflan (ITEM_IX, NAME) values (1, 'winter wheat');"},
        {"20_lists.sql", "insert into gldsel_crop select -1, ITEM_IX, NAME, oeko_code from gldpflan;"},
    };
    vt::db::create_database_from_scripts(*c, scripts);
    EXPECT_EQ(c->scalar("select Name from gldsel_crop where [select]=-1").toString(), "winter wheat");

    auto failing = Connection::memory();
    const std::vector<vt::db::SqlScript> broken = {scripts[0], {"30_typo.sql", "insert into gldpflan_x values (2);"}};
    try {
        vt::db::create_database_from_scripts(*failing, broken);
        ADD_FAILURE() << "a broken script went through";
    } catch (const vt::db::DbError& e) {
        EXPECT_EQ(std::string(e.what()), "30_typo.sql: no such table: gldpflan_x");
    }
    EXPECT_EQ(failing->scalar("select count(*) from sqlite_master").toInt(), 0);
}
