// The corpus of the users' SQL dialect: each statement with the answer the old engine
// (Access / Jet) gives on a small fixture, run through the translator and through
// `veltrano-cli sql`. Where the answer is not obvious, the row says where it comes from.
#include "db/connection.h"
#include "db/jet_translator.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using vt::db::Connection;

namespace {

const char* kFixture = R"(
    create table site (id integer, name text, location text, area double, sown text, note text);
    insert into site values
        (1, 'Bad Lauchstädt', 'Bad Lauchstädt', 265.0, '2005-03-15', 'barley field'),
        (2, 'Rothamsted', 'Harpenden', 120.5, '1998-11-02 10:30:00', null),
        (3, 'bad lauchstädt', 'BAD LAUCHSTÄDT', 7.0, '2010-07-01', 'Winter Barley'),
        (4, 'Sandhof', 'Sandhof', 0.5, '2005-01-01', 'a*b');
    create table crop (site_id integer, year integer, crop text, yield double);
    insert into crop values (1, 2004, 'barley', 5.5), (1, 2005, 'wheat', 7.25), (1, 2006, 'Barley', null),
        (2, 2004, 'beet', 40.0), (2, 2005, 'barley', 4.5), (3, 2005, 'wheat', 6.0), (4, 2005, 'maize', 9.0);
    create table word (w text);
    insert into word values ('bae'), ('bäd'), ('Bad'), ('Zeta'), ('äpfel'), ('apfel');
)";

struct Case {
    const char* jet;       // the statement as a user wrote it
    const char* expected;  // its rows ("|" between columns, ";" between rows); "!" an error
    const char* check = nullptr;  // for a changing statement: a query over its effect
    const char* source = nullptr; // where Jet's answer comes from, when it is not obvious
};

const Case kCorpus[] = {
    // Arithmetic: / divides as reals, \ and Mod round their operands (half to even) first.
    {"SELECT 7/2", "3.5"},
    {"SELECT Count(*)/2 FROM crop", "3.5"},
    {"SELECT Sum(yield)/4 FROM crop", "18.0625"},
    {"SELECT 1/4 + 1/4", "0.5"},
    {"SELECT 8/2/2", "2"},
    {"SELECT 2*3/4", "1.5"},
    {"SELECT 1/0", "!", nullptr, "Access: run-time error 11, Division by zero"},
    {"SELECT 7\\2", "3"},
    {"SELECT -7\\2", "-3", nullptr, "Access: \\ truncates the quotient toward zero"},
    {"SELECT 7.5\\2", "4", nullptr, "Access: operands of \\ are rounded (half to even) before dividing"},
    {"SELECT 6.5\\2", "3", nullptr, "Access: 6.5 rounds to 6"},
    {"SELECT 7 Mod 3", "1"},
    {"SELECT 5.5 Mod 2", "0", nullptr, "Access: Mod rounds 5.5 to 6 first"},
    {"SELECT -7 Mod 3", "-1", nullptr, "Access: the result takes the dividend's sign"},
    {"SELECT 10 Mod 3 * 2", "4", nullptr, "Access: * binds tighter than Mod"},
    {"SELECT 2 + 10 \\ 3", "5"},
    {"SELECT 2^3", "!", nullptr, "refused: the power operator is not translated"},
    // & joins as text and skips Null; + adds, joins two texts, and gives Null with Null.
    {"SELECT \"a\" & Null & \"b\"", "ab"},
    {"SELECT IsNull(\"a\" + Null)", "-1"},
    {"SELECT \"ab\" + \"cd\"", "abcd", nullptr, "Access: + of two texts joins them"},
    {"SELECT \"1\" + 2", "3"},
    {"SELECT 1 & 2", "12"},
    {"SELECT name & \"-\" & id FROM site WHERE id = 2", "Rothamsted-2"},
    {"SELECT IsNull(note) FROM site ORDER BY id", "0;-1;0;0"},
    // Texts compare without regard to case, umlauts included.
    {"SELECT id FROM site WHERE name = \"bad lauchstädt\" ORDER BY id", "1;3"},
    {"SELECT id FROM site WHERE name = \"BAD LAUCHSTÄDT\" ORDER BY id", "1;3"},
    {"SELECT Count(*) FROM crop WHERE crop <> \"BARLEY\"", "4"},
    {"SELECT id FROM site WHERE location IN (\"harpenden\", \"sandhof\") ORDER BY id", "2;4"},
    {"SELECT id FROM site WHERE location NOT IN (\"harpenden\", \"sandhof\") ORDER BY id", "1;3"},
    {"SELECT id FROM site WHERE name BETWEEN \"b\" AND \"BZ\" ORDER BY id", "1;3"},
    {"SELECT Count(*) FROM site WHERE name > \"rOT\"", "2"},
    {"SELECT Count(*) FROM (SELECT crop FROM crop GROUP BY crop)", "4"},
    {"SELECT Count(*) FROM (SELECT DISTINCT crop FROM crop)", "4", nullptr, "Access: DISTINCT compares texts without case"},
    {"SELECT DISTINCT year, crop = \"BARLEY\" AS b FROM crop WHERE site_id = 1 ORDER BY year", "2004|-1;2005|0;2006|-1"},
    {"SELECT DISTINCT crop INTO kinds FROM crop", "4", "SELECT Count(*) FROM kinds"},
    {"SELECT name FROM site WHERE id IN (1, 3) ORDER BY name, id", "Bad Lauchstädt;bad lauchstädt"},
    {"SELECT w FROM word ORDER BY w", "apfel;äpfel;Bad;bäd;bae;Zeta", nullptr,
     "Access's General sort order: case ignored, accented letters beside their base letter"},
    {"SELECT site.id FROM site INNER JOIN crop ON site.name = crop.crop", ""},
    {"SELECT StrComp(\"abc\", \"ABC\")", "0", nullptr, "Access: Option Compare Database, texts compare without case"},
    {"SELECT StrComp(\"abc\", \"ABC\", 0)", "1"},
    {"SELECT InStr(\"Barley\", \"ARL\")", "2"},
    {"SELECT InStrRev(\"a-b-c\", \"-\")", "4"},
    // LIKE with Jet's wildcards, ALIKE with ANSI ones; both without case.
    {"SELECT Count(*) FROM crop WHERE crop LIKE \"*barley*\"", "3"},
    {"SELECT id FROM site WHERE name LIKE \"Bad*\" ORDER BY id", "1;3"},
    {"SELECT id FROM site WHERE name LIKE \"?othamsted\"", "2"},
    {"SELECT Count(*) FROM crop WHERE year LIKE \"200#\"", "7", nullptr, "Access: a number is compared as its text"},
    {"SELECT id FROM site WHERE name LIKE \"[r-s]*\" ORDER BY id", "2;4"},
    {"SELECT id FROM site WHERE name LIKE \"[!b]*\" ORDER BY id", "2;4"},
    {"SELECT id FROM site WHERE note LIKE \"*[*]*\"", "4"},
    {"SELECT id FROM site WHERE name NOT LIKE \"b*\" ORDER BY id", "2;4"},
    {"SELECT id FROM site WHERE name ALIKE \"bad%\" ORDER BY id", "1;3"},
    {"SELECT id FROM site WHERE name ALIKE \"_othamsted\"", "2"},
    {"SELECT id FROM site WHERE name LIKE \"%\"", "", nullptr, "Access: % is no wildcard of LIKE"},
    {"SELECT Count(*) FROM site WHERE note LIKE \"*\"", "3", nullptr, "Access: Null matches no pattern"},
    {"SELECT id FROM site WHERE name LIKE \"*\" & \"HOF\"", "4"},
    {"SELECT id FROM site WHERE name LIKE \"[a\"", "!", nullptr, "Access: invalid pattern string"},
    // Rounding half to even; conversions.
    {"SELECT Round(2.5)", "2", nullptr, "Access: Round rounds half to even (banker's rounding)"},
    {"SELECT Round(3.5)", "4"},
    {"SELECT Round(-2.5)", "-2"},
    {"SELECT Round(0.125, 2)", "0.12"},
    {"SELECT Round(1.5) + Round(0.5)", "2"},
    {"SELECT CInt(2.5)", "2", nullptr, "Access: CInt rounds half to even"},
    {"SELECT CInt(3.5)", "4"},
    {"SELECT CLng(-1.5)", "-2"},
    {"SELECT CInt(40000)", "!", nullptr, "Access: run-time error 6, Overflow"},
    {"SELECT Int(-2.5)", "-3"},
    {"SELECT Fix(-2.5)", "-2"},
    {"SELECT Sgn(-3)", "-1"},
    {"SELECT Val(\"12.5 kg\")", "12.5"},
    {"SELECT IsNumeric(\"12.5\"), IsNumeric(\"abc\")", "-1|0"},
    // Choices.
    {"SELECT IIf(area > 100, \"big\", \"small\") FROM site ORDER BY id", "big;big;small;small"},
    {"SELECT Switch(area > 200, \"a\", area > 100, \"b\", True, \"c\") FROM site ORDER BY id", "a;b;c;c"},
    {"SELECT Choose(2, \"x\", \"y\", \"z\")", "y"},
    {"SELECT IsNull(Choose(5, \"x\", \"y\"))", "-1", nullptr, "Access: an index out of range gives Null"},
    {"SELECT Nz(note, \"none\") FROM site WHERE id = 2", "none"},
    // Texts.
    {"SELECT Left(name, 3), Right(name, 3), Mid(name, 2, 3) FROM site WHERE id = 2", "Rot|ted|oth"},
    {"SELECT Len(name) FROM site WHERE id = 1", "14"},
    {"SELECT UCase(name) FROM site WHERE id = 4", "SANDHOF"},
    {"SELECT Replace(\"a-b-c\", \"-\", \"+\")", "a+b+c"},
    {"SELECT Space(3) & \"x\"", "   x"},
    {"SELECT String(3, \"ab\")", "aaa"},
    {"SELECT Trim(\"  x  \") & \".\"", "x."},
    {"SELECT Format(3.14159, \"0.00\")", "3.14"},
    // Dates: literals are stored as yyyy-mm-dd[ hh:mm:ss].
    {"SELECT Year(#3/15/2005#)", "2005"},
    {"SELECT Month(sown), Day(sown) FROM site WHERE id = 1", "3|15"},
    {"SELECT id FROM site WHERE sown >= #1/1/2005# ORDER BY id", "1;3;4"},
    {"SELECT Count(*) FROM site WHERE Year(sown) = 2005", "2"},
    {"SELECT #2005-03-15 2:30 PM#", "2005-03-15 14:30:00"},
    {"SELECT DateSerial(2005, 14, 1)", "2006-02-01", nullptr, "Access: months beyond 12 run into the next year"},
    {"SELECT DateSerial(2005, 3, 0)", "2005-02-28", nullptr, "Access: day 0 is the last day of the month before"},
    {"SELECT DateAdd(\"m\", 1, #1/31/2005#)", "2005-02-28", nullptr, "Access: DateAdd keeps to the month's last day"},
    {"SELECT DateAdd(\"d\", -1, #2005-03-01#)", "2005-02-28"},
    {"SELECT DateAdd(\"h\", 2, sown) FROM site WHERE id = 2", "1998-11-02 12:30:00"},
    {"SELECT DateDiff(\"d\", #1/1/2005#, #3/1/2005#)", "59"},
    {"SELECT DateDiff(\"yyyy\", #12/31/2004#, #1/1/2005#)", "1", nullptr, "Access: DateDiff counts the year boundaries crossed"},
    {"SELECT DateDiff(\"m\", #1/31/2005#, #2/1/2005#)", "1"},
    {"SELECT DatePart(\"q\", #8/15/2005#), DatePart(\"y\", #2/1/2005#)", "3|32"},
    {"SELECT Weekday(#1/1/2005#)", "7", nullptr, "Access: 1 = Sunday by default; 1 Jan 2005 was a Saturday"},
    {"SELECT Hour(sown), Minute(sown) FROM site WHERE id = 2", "10|30"},
    {"SELECT Format(#3/15/2005#, \"yyyy-mm-dd\")", "2005-03-15"},
    {"SELECT Format(sown, \"mmmm yyyy\") FROM site WHERE id = 1", "March 2005"},
    {"SELECT IsDate(\"2005-03-15\"), IsDate(\"abc\")", "-1|0"},
    {"SELECT #1/31/2005# + 1", "2005-02-01", nullptr, "Access: a date plus a number is the date that many days later"},
    {"SELECT #3/1/2005# - #2/1/2005#", "28"},
    {"SELECT sown - 1 FROM site WHERE id = 4", "2004-12-31"},
    {"SELECT 10 - 2 - 3 + 1", "6"},
    {"SELECT Year(Now()) >= 2024 AND Date() <= Now()", "-1", nullptr, "Access: True is -1"},
    {"SELECT name LIKE \"b*\" AS b, id > 2 FROM site WHERE id < 3 ORDER BY id", "-1|0;0|0"},
    {"SELECT -Sum(yield > 5) FROM crop", "5", nullptr, "Access: True is -1, so -Sum counts the rows"},
    // Aggregates.
    {"SELECT First(crop), Last(crop) FROM crop WHERE site_id = 1", "barley|Barley"},
    {"SELECT StDevP(yield), VarP(yield), Var(yield) FROM crop WHERE site_id = 1", "0.875|0.765625|1.53125"},
    {"SELECT IsNull(StDev(yield)) FROM crop WHERE site_id = 3", "-1", nullptr, "Access: StDev of one value is Null"},
    {"SELECT Count(yield) FROM crop", "6"},
    // TOP, DISTINCTROW.
    {"SELECT TOP 2 id FROM site ORDER BY area DESC", "1;2"},
    {"SELECT TOP 50 PERCENT id FROM site ORDER BY area", "4;3"},
    {"SELECT TOP 30 PERCENT year FROM crop ORDER BY yield DESC", "2004;2005;2005", nullptr,
     "Access: TOP n PERCENT rounds the row count up (7 rows, 30 %: 3)"},
    {"SELECT DISTINCTROW crop FROM crop WHERE site_id = 1 ORDER BY year", "barley;wheat;Barley", nullptr,
     "Access: DISTINCTROW over one table is ignored"},
    {"SELECT DISTINCTROW site.name FROM site INNER JOIN crop ON site.id = crop.site_id", "!", nullptr,
     "refused: DISTINCTROW over several tables"},
    {"SELECT DLookup(\"name\", \"site\", \"id=1\")", "!", nullptr, "refused: domain functions"},
    // Crosstabs: one column per pivot value (texts without case), in ascending order.
    {"TRANSFORM Sum(yield) SELECT site_id FROM crop WHERE site_id <= 2 GROUP BY site_id PIVOT crop", "1|5.5||7.25;2|4.5|40|",
     nullptr, "Access: columns barley, beet ... in ascending order; \"Barley\" and \"barley\" are one column"},
    {"TRANSFORM Count(*) SELECT year FROM crop GROUP BY year ORDER BY year PIVOT crop IN (\"wheat\", \"maize\")",
     "2004||;2005|2|1;2006||", nullptr, "Access: a cell without rows is empty (Null), with Count as well"},
    {"TRANSFORM Max(yield) SELECT year FROM crop GROUP BY year PIVOT site_id IN (1, 2)", "2004|5.5|40;2005|7.25|4.5;2006||"},
    // Changing statements.
    {"SELECT name, area INTO big FROM site WHERE area > 100", "Bad Lauchstädt;Rothamsted", "SELECT name FROM big ORDER BY name"},
    {"SELECT crop, year INTO recent FROM crop WHERE year >= Year(#1/1/2005#) AND crop LIKE \"*a*\"", "5",
     "SELECT Count(*) FROM recent"},
    {"UPDATE crop SET yield = yield / 2 WHERE crop = \"BARLEY\"", "5", "SELECT Sum(yield) FROM crop WHERE lower(crop) = 'barley'"},
    {"UPDATE crop INNER JOIN site ON crop.site_id = site.id SET crop.yield = crop.yield * 2 WHERE site.name = \"rothamsted\"",
     "89", "SELECT Sum(yield) FROM crop WHERE site_id = 2"},
    {"UPDATE site SET note = note & \"!\" WHERE id IN (2, 4)", "!;a*b!", "SELECT note FROM site WHERE id IN (2, 4) ORDER BY id"},
    {"UPDATE crop SET yield = Round(yield) WHERE site_id = 1", "6;7;", "SELECT yield FROM crop WHERE site_id = 1 ORDER BY year"},
    {"UPDATE crop SET yield = yield \\ 2 WHERE site_id = 2", "20;2", "SELECT yield FROM crop WHERE site_id = 2 ORDER BY year"},
    {"UPDATE crop SET yield = DateDiff(\"yyyy\", #1/1/2000#, DateSerial(year, 1, 1)) WHERE site_id = 4", "5",
     "SELECT yield FROM crop WHERE site_id = 4"},
    {"DELETE * FROM crop WHERE crop LIKE \"b*\"", "3", "SELECT Count(*) FROM crop"},
    {"DELETE * FROM crop\nWHERE [year] >= Year(#1/1/2005#)", "2", "SELECT Count(*) FROM crop"},
    {"DELETE crop.* FROM crop INNER JOIN site ON crop.site_id = site.id WHERE site.location = \"bad lauchstädt\"", "3",
     "SELECT Count(*) FROM crop"},
    {"DELETE FROM crop WHERE yield / 2 > 3 AND crop <> \"MAIZE\"", "5", "SELECT Count(*) FROM crop"},
};

std::string rows_of(Connection& c, const std::string& sql, bool jet)
{
    std::string out;
    auto take = [&](vt::db::Cursor& cur) {
        for (bool first = true; !cur.eof(); cur.next(), first = false) {
            if (!first) out += ";";
            for (int i = 0; i < cur.fieldCount(); ++i) out += (i ? "|" : "") + cur.field(i).toString();
        }
    };
    if (jet) {
        vt::db::query_jet(c, sql, take);
    } else {
        auto cur = c.query(sql);
        take(cur);
    }
    return out;
}

TEST(JetCorpus, EveryStatementGivesJetsAnswer)
{
    ASSERT_GE(std::size(kCorpus), 80u);
    for (const auto& k : kCorpus) {
        Connection c(":memory:", Connection::Mode::ReadWriteCreate);
        c.executeScript(kFixture);
        std::string got;
        try {
            if (k.check) {
                vt::db::execute_jet(c, k.jet);
                got = rows_of(c, k.check, true);
            } else {
                got = rows_of(c, k.jet, true);
            }
        } catch (const vt::db::DbError& e) {
            got = "!";
            if (std::string(k.expected) != "!") ADD_FAILURE() << k.jet << "\n  " << e.what();
            continue;
        }
        EXPECT_EQ(got, k.expected) << k.jet << "\n  as " << vt::db::translate_jet(k.jet).statements.front();
    }
}

// The same statements as scripts of `veltrano-cli sql`, each on its own copy of the fixture.
TEST(JetCorpus, TheSqlCommandGivesTheSameAnswers)
{
    vt::test::TempDir dir;
    const std::string fixture = dir.file("fixture.db");
    {
        Connection c(fixture, Connection::Mode::ReadWriteCreate);
        c.executeScript(kFixture);
    }
    int n = 0;
    for (const auto& k : kCorpus) {
        const std::string db = dir.file("case" + std::to_string(++n) + ".db");
        std::filesystem::copy_file(fixture, db);
        const std::string script = dir.file("case" + std::to_string(n) + ".sql");
        std::ofstream(script) << k.jet << "\n" << (k.check ? std::string("go\n") + k.check + "\n" : std::string());
        const auto r = vt::test::run_cli({"sql", "--db", db, "--csv", script});
        if (std::string(k.expected) == "!") {
            EXPECT_NE(r.code, 0) << k.jet;
            continue;
        }
        ASSERT_EQ(r.code, 0) << k.jet << "\n" << r.err;
        // The rows after the header line, in the corpus' notation.
        std::string got;
        const auto header = r.out.find('\n');
        for (std::size_t i = header + 1; i < r.out.size(); ++i) {
            const char ch = r.out[i];
            got += ch == ',' ? '|' : ch == '\n' ? ';' : ch;
        }
        if (!got.empty() && got.back() == ';') got.pop_back();
        EXPECT_EQ(got, k.expected) << k.jet;
    }
}

// PARAMETERS: the values come by name (from the grid, --param, or asked for in the
// window) and are read as the declared type; a missing one stops the script before it runs.
TEST(JetCorpus, DeclaredParametersTakeTheirValuesByName)
{
    Connection c(":memory:", Connection::Mode::ReadWriteCreate);
    c.executeScript(kFixture);
    const std::string jet = "PARAMETERS [From year] Short, crop_name Text;\n"
                            "SELECT Count(*) FROM crop WHERE year >= [From year] AND crop = crop_name";
    std::string got;
    vt::db::query_jet(c, jet, [&](vt::db::Cursor& r) { got = r.field(0).toString(); },
                      {{"from year", "2005"}, {"crop_name", "WHEAT"}});
    EXPECT_EQ(got, "2");
    EXPECT_THROW(vt::db::query_jet(c, jet, nullptr, {{"from year", "2005"}}), vt::db::DbError);
    EXPECT_THROW(vt::db::query_jet(c, jet, nullptr, {{"from year", "soon"}, {"crop_name", "x"}}), vt::db::DbError);

    vt::test::TempDir dir;
    const std::string db = dir.file("p.db");
    {
        Connection f(db, Connection::Mode::ReadWriteCreate);
        f.executeScript(kFixture);
    }
    std::ofstream(dir.file("p.sql")) << "delete from crop where year = 2004\ngo\n" << jet << "\n";
    auto r = vt::test::run_cli({"sql", "--db", db, "--csv", dir.file("p.sql"), "--param", "From year=2005", "--param",
                                "crop_name=wheat"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Count(*)\n2\n");
    r = vt::test::run_cli({"sql", "--db", db, dir.file("p.sql"), "--param", "From year=2005"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the parameter [crop_name] has no value"), std::string::npos) << r.err;
    Connection f(db);
    EXPECT_EQ(f.scalar("select count(*) from crop").toInt(), 5);  // the first statement ran only once
}

} // namespace
