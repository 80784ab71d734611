#include "db/connection.h"
#include "db/jet_translator.h"
#include "db/sql_script.h"
#include "eval/script_evaluation.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using vt::db::Connection;

namespace {

// A small experiment database: three plots (1 and 3 selected for a run), their results,
// crop rows and crops.
void fill_fixture(Connection& c)
{
    c.executeScript(R"(
        create table field_description (FL_ID int, Location text, site_description text, versuch_code text,
                                        comment text, climate_ID int, soil_ID int);
        insert into field_description values (1, 'A', 'x', '1', null, 1, 1), (2, 'B', 'y', '2', 'old', 1, 2),
                                             (3, 'A', 'z', '1', null, 2, 1);
        create table site_state (FL_ID int, status int);
        insert into site_state values (1, 1), (2, 0), (3, 1);
        create table sim_result (fl_id int, m_ix int, year_ int, sim_value double);
        insert into sim_result values (1, 7, 2000, 1.1), (2, 7, 2000, 2.2), (3, 7, 2000, 3.3), (3, 7, 2001, 3.4);
        create table cultivation (cultivation_id integer primary key, FL_ID int, Macode int, Item_IX int,
                                  Quantity double, Sim_Quantity double);
        insert into cultivation (FL_ID, Macode, Item_IX, Quantity) values (1, 2, 10, 50), (1, 3, 20, 300), (2, 2, 11, 40);
        create table gldpflan (ITEM_IX int primary key, NAME text, HI double);
        insert into gldpflan values (10, 'wheat', 0.8), (11, 'barley', 0.5);
    )");
}

struct Case {
    const char* name;
    std::string jet;            // the user's statement
    int count;                  // rows it reports changed (-1: not checked)
    std::string check;          // a query over the effect (SQLite)
    std::string expected;       // its rows, "|" between columns, ";" between rows
};

std::string rows_of(Connection& c, const std::string& sql)
{
    std::string out;
    for (auto cur = c.query(sql); !cur.eof(); cur.next()) {
        if (!out.empty()) out += ";";
        for (int i = 0; i < cur.fieldCount(); ++i) out += (i ? "|" : "") + cur.field(i).toString();
    }
    return out;
}

class JetTranslator : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<Connection>(dir.file("main.db"), Connection::Mode::ReadWriteCreate);
        fill_fixture(*db);
        Connection other(dir.file("other.db"), Connection::Mode::ReadWriteCreate);
        other.execute("create table field_description (FL_ID int, Location text)");
        other.execute("insert into field_description values (101, 'far')");
    }
    vt::test::TempDir dir;
    std::unique_ptr<Connection> db;
};

TEST_F(JetTranslator, StatementsOfTheDialectHaveTheirEffect)
{
    const std::string other = dir.file("other.db");
    const std::vector<Case> cases{
        {"select into with a double-quoted text", "SELECT FL_ID, Location INTO tmp_a FROM field_description WHERE Location=\"A\"",
         2, "select FL_ID from tmp_a order by 1", "1;3"},
        {"delete *", "DELETE * FROM site_state WHERE status=0", 1, "select FL_ID from site_state order by 1", "1;3"},
        {"delete t.* over a left join", " DELETE sim_result.*, site_state.status FROM site_state LEFT JOIN sim_result "
                                        "ON site_state.FL_ID = sim_result.FL_ID WHERE site_state.status=1 ",
         3, "select fl_id from sim_result", "2"},
        {"delete t.* from a single table", "DELETE sim_result.* FROM sim_result WHERE year_=2001", 1,
         "select count(*) from sim_result", "3"},
        {"update over an inner join", "UPDATE cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX "
                                      "SET cultivation.Sim_Quantity = cultivation.Quantity * gldpflan.HI WHERE Macode=2",
         2, "select FL_ID, Sim_Quantity from cultivation order by cultivation_id", "1|40;1|;2|20"},
        {"update with an alias and unqualified names", "UPDATE cultivation AS c INNER JOIN gldpflan AS p ON c.Item_IX = p.ITEM_IX "
                                                        "SET c.Sim_Quantity = Quantity + HI",
         2, "select Sim_Quantity from cultivation where FL_ID=2", "40.5"},
        {"update of a qualified column", "UPDATE field_description SET field_description.comment = 'n' WHERE FL_ID=3", 1,
         "select comment from field_description where FL_ID=3", "n"},
        {"& concatenation, numbers and Null", "SELECT Location & \"-\" & site_description & FL_ID + 1 & comment AS label "
                                              "INTO lbl FROM field_description WHERE FL_ID=1",
         1, "select label from lbl", "A-x2"},
        {"Yes, No, True, False", "SELECT Yes AS [select], No AS n, True AS t, False AS f INTO sel FROM field_description "
                                 "WHERE FL_ID=1",
         1, "select [select], n, t, f from sel", "-1|0|-1|0"},
        {"date literals", "SELECT #1/15/2020# AS a, #2020-02-03 14:05:00# AS b INTO dates FROM site_state WHERE FL_ID=1", 1,
         "select a, b from dates", "2020-01-15|2020-02-03 14:05:00"},
        {"text functions", "SELECT Left(Location,1) & Mid(\"abcdef\",2,3) & Right('xyz',2) & Len('abcd') & UCase('a') & "
                           "LCase('B') & Trim('  t ') & Format(3.14159, \"0.00\") & Nz(comment, 'none') AS s INTO fn "
                           "FROM field_description WHERE FL_ID=1",
         1, "select s from fn", "Abcdyz4Abt3.14none"},
        {"IIf, Mod and the registered functions", "UPDATE field_description SET comment = IIf(FL_ID Mod 2 = 0, 'even', "
                                                 "CStr(Int(2.7) + Val('3x')))",
         3, "select comment from field_description order by FL_ID", "5;even;5"},
        {"[bracketed names] and TOP", "SELECT TOP 2 [FL_ID] INTO [top two] FROM [field_description] ORDER BY [FL_ID] DESC",
         2, "select FL_ID from [top two]", "3;2"},
        {"select into another file", "SELECT FL_ID INTO copied IN '" + other + "' FROM field_description", 3,
         "select count(*) from sqlite_master where name='copied'", "0"},
        {"insert into another file", "INSERT INTO field_description (FL_ID, Location) IN \"" + other + "\" "
                                     "SELECT FL_ID, Location FROM field_description WHERE FL_ID=2",
         1, "select count(*) from field_description", "3"},
        {"select from another file", "SELECT FL_ID INTO far_plots FROM field_description IN '" + other + "'", 2,
         "select FL_ID from far_plots order by 1", "2;101"},
        {"alter table with two columns", "alter table sim_result add lmbd double, lmbd_org YESNO", 0,
         "select count(*) from pragma_table_info('sim_result') where name like 'lmbd%'", "2"},
        {"drop index on a table", "DROP INDEX ix_c ON cultivation", 0,
         "select count(*) from sqlite_master where name='ix_c'", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.reset();
        std::filesystem::remove(dir.file("case.db"));
        db = std::make_unique<Connection>(dir.file("case.db"), Connection::Mode::ReadWriteCreate);
        fill_fixture(*db);
        db->execute("create index ix_c on cultivation (FL_ID)");
        int n = -2;
        ASSERT_NO_THROW(n = vt::db::execute_jet(*db, c.jet)) << vt::db::translate_jet(c.jet).statements.front();
        if (c.count >= 0) {
            EXPECT_EQ(n, c.count);
        }
        EXPECT_EQ(rows_of(*db, c.check), c.expected);
        EXPECT_EQ(rows_of(*db, "select count(*) from pragma_database_list where name like 'vt_in%'"), "0")
            << "a file stayed attached";
    }
    Connection far(other);
    EXPECT_EQ(rows_of(far, "select count(*) from copied"), "3");
    EXPECT_EQ(rows_of(far, "select FL_ID from field_description order by 1"), "2;101");
}

TEST_F(JetTranslator, QueriesOfTheDialectReturnTheirRows)
{
    std::string got;
    vt::db::query_jet(*db, "SELECT FL_ID & ':' & Location AS l FROM field_description IN '" + dir.file("other.db") + "'",
                      [&](vt::db::Cursor& rows) { got = rows.field(0).toString(); });
    EXPECT_EQ(got, "101:far");
    EXPECT_TRUE(vt::db::translate_jet("select 1").returnsRows);
    EXPECT_FALSE(vt::db::translate_jet("select 1 into t").returnsRows);
}

TEST_F(JetTranslator, AStatementThatCannotBeTranslatedIsRefusedNamingTheFormAndTheStatement)
{
    const std::string jet = "UPDATE cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX "
                            "SET cultivation.Quantity = 1, gldpflan.HI = 2";
    const auto tr = vt::db::translate_jet(jet);
    EXPECT_FALSE(tr.translated);
    EXPECT_EQ(tr.statements, std::vector<std::string>{jet});
    try {
        vt::db::execute_jet(*db, jet);
        FAIL() << "no error";
    } catch (const vt::db::DbError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("cannot be translated: SET changes columns of more than one table"), std::string::npos) << m;
        EXPECT_NE(m.find("[statement: UPDATE cultivation INNER JOIN"), std::string::npos) << m;
    }
    // A failing statement of several changes nothing.
    EXPECT_THROW(vt::db::execute_jet(*db, "alter table gldpflan add a1 double, HI double"), vt::db::DbError);
    EXPECT_FALSE(db->columnExists("gldpflan", "a1"));
}

TEST_F(JetTranslator, TheSqlCommandRunsTheDialect)
{
    db.reset();
    std::ofstream(dir.file("jet.sql")) << " DELETE sim_result.* FROM site_state\n LEFT JOIN sim_result ON site_state.FL_ID = "
                                          "sim_result.FL_ID WHERE site_state.status=1\ngo\n"
                                          "UPDATE cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX\n"
                                          "SET cultivation.Sim_Quantity = cultivation.Quantity * gldpflan.HI\ngo\n"
                                          "SELECT FL_ID INTO plots_far IN '" << dir.file("other.db") << "' FROM field_description\n"
                                          "go\nSELECT FL_ID & \": \" & Nz(Sim_Quantity, 0) AS q FROM cultivation ORDER BY 1\n";
    const auto r = vt::test::run_cli({"sql", "--db", dir.file("main.db"), dir.file("jet.sql"), "--csv"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "q\n1: 0\n1: 40\n2: 20\n");
    for (const char* line : {"statement 1: 3 rows changed: DELETE sim_result.* FROM site_state\n",
                             "statement 2: 2 rows changed: UPDATE cultivation INNER JOIN", "statement 3: 3 rows changed"})
        EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    Connection far(dir.file("other.db"));
    EXPECT_EQ(rows_of(far, "select count(*) from plots_far"), "3");
}

TEST_F(JetTranslator, RunScriptsAndCompanionFilesAreReadInTheDialect)
{
    // A pre-processing script of a run and an R companion file, both written for Jet.
    std::ofstream(dir.file("ppq.sql")) << "drop table sel_plots\ngo\n"
                                          "SELECT FL_ID INTO sel_plots FROM site_state WHERE status = 1\ngo\n"
                                          "DELETE * FROM sel_plots WHERE FL_ID = 3\n";
    vt::db::run_sql_script_file(*db, dir.file("ppq.sql"));
    EXPECT_EQ(rows_of(*db, "select FL_ID from sel_plots"), "1");
    std::ofstream(dir.file("companion.txt")) << "UPDATE field_description SET comment = \"plot \" & FL_ID\n"
                                                "WHERE FL_ID = #fl_id\ngo\n";
    EXPECT_EQ(vt::eval::run_companion_sql(*db, dir.file("companion.txt"), 2), 1);
    EXPECT_EQ(rows_of(*db, "select comment from field_description where FL_ID=2"), "plot 2");
}

} // namespace
