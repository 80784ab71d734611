#include "config/rux_settings.h"
#include "db/adapt_datamodel.h"
#include "db/connection.h"
#include "db/demo_database.h"
#include "db/schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using vt::db::adapt_datamodel;
using vt::db::Connection;
using vt::db::DbError;

namespace {

// The whole database as text: every object's definition, then every table's rows.
std::string snapshot(Connection& c)
{
    std::string out;
    std::vector<std::string> tables;
    for (auto cur = c.query("select type, name, coalesce(sql,'') as sql from sqlite_master order by type, name");
         !cur.eof(); cur.next()) {
        out += cur.getString("type") + " " + cur.getString("name") + ": " + cur.getString("sql") + "\n";
        if (cur.getString("type") == "table") tables.push_back(cur.getString("name"));
    }
    for (const auto& t : tables) {
        out += "[" + t + "]\n";
        for (auto rows = c.query("select * from [" + t + "]"); !rows.eof(); rows.next()) {
            for (int i = 0; i < rows.fieldCount(); ++i)
                out += (rows.field(i).isNull() ? std::string("NULL") : rows.field(i).toString()) + "|";
            out += "\n";
        }
    }
    return out;
}

std::string rows_of(Connection& c, const std::string& sql)
{
    std::string out;
    for (auto cur = c.query(sql); !cur.eof(); cur.next()) {
        for (int i = 0; i < cur.fieldCount(); ++i) out += (i ? "," : "") + cur.field(i).toString();
        out += ";";
    }
    return out;
}

// The rows of every table, read by the columns the tables have now; with `columnsOf`, by
// the columns they had then, so that columns added since do not count.
std::map<std::string, std::string> kept_rows(Connection& c, const std::map<std::string, std::string>& columnsOf = {})
{
    std::map<std::string, std::string> out;
    for (auto t = c.query("select name from sqlite_master where type='table'"); !t.eof(); t.next()) {
        const auto table = t.getString("name");
        std::string cols;
        for (const auto& col : c.columns(table)) cols += (cols.empty() ? "" : ",") + ("[" + col + "]");
        const auto it = columnsOf.find(table + "#columns");
        if (!columnsOf.empty()) {
            if (it == columnsOf.end()) continue;  // created since
            cols = it->second;
        }
        out[table + "#columns"] = cols;
        out[table] = rows_of(c, "select " + cols + " from [" + table + "]");
    }
    return out;
}

// A database as an older release left it: the tables the adaptation needs, in their old
// layout, without the tables and columns added since.
const char* kOldDatabase = R"sql(
create table cultivation (cultivation_id integer primary key, FL_ID int, year int, Macode int, Item_IX int, Quantity double);
insert into cultivation values (1, 1, 1990, 2, 1, 70), (2, 2, 1990, 3, 2, 300);
create table measurements (meas_ID integer primary key, FL_ID int, M_IX int, year int, year_number int, meas_value double);
insert into measurements values (1, 1, 7, 1990, 0, 1.2), (2, 2, 7, 1990, 0, 1.4);
create table rux_nresult (fl_id int, year int, year_num int, c_org double);
insert into rux_nresult values (1, 1990, 0, 1.2), (1, 1991, 1, 1.21);
create table field_description (FL_ID int, site_description text, Location text, comment text);
insert into field_description values (1, 'plough', 'Lauterbach', 'mouldboard plough every year'),
  (2, 'direct drilling', 'Lauterbach', 'notill since 1985'), (3, 'strip', 'Lauterbach', 'NoTill strips'),
  (4, 'no comment', 'Lauterbach', NULL);
create table soilproperties (soil_ID int, profile text, clay double, silt double);
insert into soilproperties values (1, 'loess', 18, 70);
create table pore_size_parm (mi double, me double, ma double);
insert into pore_size_parm values (5, 10, 500);
create table gldpflan (ITEM_IX int, NAME text);
insert into gldpflan values (1, 'winter wheat'), (2, 'sugar beet');
create table gldopspa (item_ix int, NAME text, od YESNO);
insert into gldopspa values (1, 'wheat straw', 0), (2, 'farmyard manure', -1), (3, 'slurry', -1);
create table gldmindg (item_ix int, name text);
insert into gldmindg values (1, 'calcium ammonium nitrate');
create table climate_data (climate_ID int, year int, temperature double, precipitation double);
insert into climate_data values (1, 0, 8.7, 480), (1, 1990, 9.1, 510);
create table fom_state (fl_id integer, yr integer, nr integer, fom_c float);
insert into fom_state values (1, 1990, 1, 350.5);
)sql";

class AdaptDatamodel : public ::testing::Test {
protected:
    vt::test::TempDir dir;
    vt::config::RuxSettings settings{dir.file("rux.ini")};
    std::unique_ptr<Connection> c = Connection::memory();

    void oldDatabase() { c->executeScript(kOldDatabase); }
};

TEST_F(AdaptDatamodel, NewDatabaseIsUpToDateAndAdaptingAgainChangesNothing)
{
    vt::db::create_schema(*c);
    const auto created = snapshot(*c);
    const auto first = adapt_datamodel(*c, vt::config::methode_store(&settings));
    EXPECT_EQ(snapshot(*c), created);
    const auto second = adapt_datamodel(*c, vt::config::methode_store(&settings));
    EXPECT_EQ(snapshot(*c), created);
    EXPECT_EQ(second.methode, "RUX");
    EXPECT_EQ(second.caption, "Veltrano; Model=RUX");
    EXPECT_EQ(first.caption, second.caption);
}

TEST_F(AdaptDatamodel, DemoDatabaseIsUpToDate)
{
    vt::db::create_demo_database(*c);
    const auto created = snapshot(*c);
    adapt_datamodel(*c, nullptr);
    EXPECT_EQ(snapshot(*c), created);
}

TEST_F(AdaptDatamodel, OldDatabaseIsBroughtToTheCurrentLayout)
{
    oldDatabase();
    const auto result = adapt_datamodel(*c, vt::config::methode_store(&settings));

    // The outdated yearly balance is rebuilt empty in the current column order.
    EXPECT_EQ(c->columns("rux_nresult"),
              (std::vector<std::string>{"fl_id", "year", "year_num", "n_m_om", "n_ops", "c_ops", "c_som", "c_org",
                                        "c_lts", "n_som", "n_org", "c_mic", "c_rep", "bat", "n_flush", "n_m_fom",
                                        "bd", "pwp", "a_age", "s_age", "l_age", "c_m_tot", "c_m_fom", "sc_id", "pset",
                                        "haeq", "n_free_fom", "c_imp_fom", "n_imp_fom"}));
    EXPECT_EQ(c->scalar("select count(*) from rux_nresult").toInt(), 0);

    // Plot columns and their fill values; "notill" in the comment, in any letter case.
    EXPECT_EQ(rows_of(*c, "select FL_ID, area, notill, rep_cnt, i_con, repix from field_description order by FL_ID"),
              "1,-99,0,0,obsval,29;2,-99,1,0,obsval,29;3,-99,1,0,obsval,29;4,-99,0,0,obsval,29;");

    // Observations and stored states keep their rows and gain their columns.
    EXPECT_EQ(rows_of(*c, "select meas_ID, meas_value, vrnz is null from measurements"), "1,1.2,1;2,1.4,1;");
    EXPECT_EQ(rows_of(*c, "select fl_id, fom_c, fom_crflx, fom_ix from fom_state"), "1,350.5,-999.99,-999;");

    // Soil, pore size and crop columns.
    for (const char* col : {"fchw", "soilclass", "lmbd", "lmbd_org", "deg", "deg_org", "max_lts", "max_lts_org", "fbio"})
        EXPECT_TRUE(c->columnExists("soilproperties", col)) << col;
    EXPECT_EQ(rows_of(*c, "select soilclass, lmbd_org, deg_org, max_lts_org from soilproperties"), "0,0,0,0;");
    EXPECT_EQ(rows_of(*c, "select soilclass, mi from pore_size_parm"), "0,5;");
    EXPECT_TRUE(c->columnExists("gldpflan", "oeko_code"));

    // Created tables.
    for (const char* t : {"sim_result", "tmp_ndeposit", "rpx_class", "reg_ndeposit", "tmp_outlist", "som_state"})
        EXPECT_TRUE(c->tableExists(t)) << t;
    EXPECT_EQ(rows_of(*c, "select class_id, class, name, rpx_l, rpx_h from rpx_class"),
              "1,A,very low,0,5;2,B,low,5,17;3,C,normal,17,35;4,D,high,35,55;5,E,very high,58,99999;");

    // The method: a database without vtn_setting is bound to "RUX".
    EXPECT_EQ(rows_of(*c, "select model from vtn_setting"), "RUX;");
    EXPECT_EQ(result.methode, "RUX");
    EXPECT_EQ(result.caption, "Veltrano; Model=RUX");
    EXPECT_EQ(vt::config::RuxSettings(settings.path()).textOr("methode", "?"), "RUX");

    // Preselection lists: every crop and fertiliser, only the amendments offered as such.
    EXPECT_EQ(rows_of(*c, "select [select], ITEM_IX, Name from gldsel_crop order by ITEM_IX"),
              "-1,1,winter wheat;-1,2,sugar beet;");
    EXPECT_EQ(rows_of(*c, "select [select], ITEM_IX, Name from gldsel_ops order by ITEM_IX"),
              "-1,2,farmyard manure;-1,3,slurry;");
    EXPECT_EQ(rows_of(*c, "select [select], ITEM_IX from gldsel_frt"), "-1,1;");

    // Keys added to the parameter tables and the climate years.
    EXPECT_THROW(c->execute("insert into gldpflan (ITEM_IX, NAME) values (1, 'again')"), DbError);
    EXPECT_THROW(c->execute("insert into gldopspa (item_ix) values (2)"), DbError);
    EXPECT_THROW(c->execute("insert into gldmindg (item_ix) values (1)"), DbError);
    EXPECT_THROW(c->execute("insert into climate_data (climate_ID, year) values (1, 1990)"), DbError);
    c->execute("insert into climate_data (climate_ID, year) values (1, 1991)");

    // Done once; the next connect changes nothing.
    const auto adapted = snapshot(*c);
    EXPECT_EQ(adapt_datamodel(*c, vt::config::methode_store(&settings)).caption, result.caption);
    EXPECT_EQ(snapshot(*c), adapted);
}

TEST_F(AdaptDatamodel, RecentYearlyBalanceKeepsItsRowsAndGainsNewColumns)
{
    oldDatabase();
    c->executeScript("drop table rux_nresult;"
                     "create table rux_nresult (fl_id int, year int, c_org double, sc_id int);"
                     "insert into rux_nresult values (1, 1990, 1.2, -99), (1, 1991, 1.21, -99);");
    adapt_datamodel(*c, nullptr);
    EXPECT_EQ(c->columns("rux_nresult"), (std::vector<std::string>{"fl_id", "year", "c_org", "sc_id", "N_flush", "BD",
                                                                   "PWP", "a_age", "s_age", "l_age", "N_m_fom"}));
    EXPECT_EQ(rows_of(*c, "select fl_id, year, c_org, N_m_fom is null from rux_nresult"), "1,1990,1.2,1;1,1991,1.21,1;");
}

TEST_F(AdaptDatamodel, PaddedModelGivesPaddedCaptionAndTrimmedMethod)
{
    oldDatabase();
    c->executeScript("create table vtn_setting (model char(12)); insert into vtn_setting values ('LUFA        ');");
    settings.setText("methode", "RUX");
    const auto result = adapt_datamodel(*c, vt::config::methode_store(&settings));
    EXPECT_EQ(result.caption, "Veltrano; Model=LUFA        ");
    EXPECT_EQ(result.methode, "LUFA");
    EXPECT_EQ(vt::config::RuxSettings(settings.path()).textOr("methode", "?"), "LUFA");
}

TEST_F(AdaptDatamodel, EmptyMethodTableIsBoundToRux)
{
    vt::db::create_schema(*c);
    c->execute("delete from vtn_setting");
    EXPECT_EQ(adapt_datamodel(*c, nullptr).methode, "RUX");
    EXPECT_EQ(rows_of(*c, "select model from vtn_setting"), "RUX;");
}

TEST_F(AdaptDatamodel, DuplicateKeysAreLeftAsTheyAre)
{
    oldDatabase();
    c->execute("insert into gldpflan values (1, 'winter wheat, second row')");
    EXPECT_NO_THROW(adapt_datamodel(*c, nullptr));
    EXPECT_EQ(c->scalar("select count(*) from gldpflan where ITEM_IX=1").toInt(), 2);
    EXPECT_TRUE(c->tableExists("gldsel_frt"));  // the last step was reached
}

// A database without a table (or column) that a step needs: the adaptation stops there
// with the engine's message, the later steps are not done and no row is lost.
TEST_F(AdaptDatamodel, MissingTableEndsTheAdaptationWithTheEngineMessage)
{
    struct Case {
        const char* damage;
        const char* message;
        const char* notDoneTable;  // a table that a later step would have changed
        const char* notDoneColumn;
    };
    const std::vector<Case> cases = {
        {"drop table cultivation", "no such table: cultivation", "measurements", "vrnz"},
        {"alter table cultivation drop column Macode", "no such column: macode", "measurements", "vrnz"},
        {"drop table measurements", "no such table: measurements", "field_description", "notill"},
        {"drop table rux_nresult", "no such table: rux_nresult", "field_description", "notill"},
        {"drop table field_description", "no such table: field_description", "fom_state", "fom_ix"},
        {"drop table soilproperties", "no such table: soilproperties", "gldpflan", "oeko_code"},
        {"drop table pore_size_parm", "no such table: pore_size_parm", "gldpflan", "oeko_code"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.damage);
        c = Connection::memory();
        oldDatabase();
        c->execute("alter table rux_nresult add sc_id int");  // recent enough to keep its rows
        c->execute(k.damage);
        const auto before = kept_rows(*c);
        try {
            adapt_datamodel(*c, nullptr);
            ADD_FAILURE() << "adaptation went through";
        } catch (const DbError& e) {
            EXPECT_EQ(std::string(e.what()), k.message);
        }
        EXPECT_FALSE(c->columnExists(k.notDoneTable, k.notDoneColumn));
        EXPECT_FALSE(c->tableExists("gldsel_crop"));
        EXPECT_EQ(kept_rows(*c, before), before);
    }
}

TEST_F(AdaptDatamodel, ReadOnlyOldDatabaseIsRefusedUnchanged)
{
    const auto path = dir.file("old.db");
    {
        Connection w(path, Connection::Mode::ReadWriteCreate);
        vt::db::Transaction t(w);
        w.executeScript(kOldDatabase);
        t.commit();
    }
    Connection ro(path, Connection::Mode::ReadOnly);
    const auto before = snapshot(ro);
    EXPECT_THROW(adapt_datamodel(ro, nullptr), DbError);
    EXPECT_EQ(snapshot(ro), before);
}

TEST_F(AdaptDatamodel, UpToDateDatabaseAdaptsReadOnly)
{
    const auto path = dir.file("new.db");
    {
        Connection w(path, Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(w);
    }
    Connection ro(path, Connection::Mode::ReadOnly);
    EXPECT_EQ(adapt_datamodel(ro, nullptr).methode, "RUX");
}

} // namespace
