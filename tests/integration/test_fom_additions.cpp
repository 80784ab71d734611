#include "integration/run_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using vt::engine::RunOutcome;
using vt::test::RunFixture;

namespace {

// How the substance table looks in the database of a case.
enum class Substances { Few, Many, Repeated, TextKey, WithoutMarker };

struct MarkerCase {
    const char* name;
    Substances substances;
    std::vector<std::string> rows;  // ctype, item_ix and quote(mkd) of each opstab row in table order
    std::string markLine;
};

void shape_substances(RunFixture& f, Substances s)
{
    auto& db = f.db();
    switch (s) {
    case Substances::Few: break;
    case Substances::Many:
        // More substances than the short list of alternatives takes.
        for (int i = 0; i < 80; ++i)
            db.execute("INSERT INTO gldopspa (item_ix, NAME, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd)"
                       " VALUES (?, 'other', 0.05, 0.3, 30, 25, 0.86, 0.45, 3)",
                       {1000 + i});
        break;
    case Substances::Repeated:
        // A table without its key that lists the straw twice: the by-product joins both rows,
        // and every addition of the straw takes the marker of the first.
        db.executeScript("CREATE TABLE g AS SELECT * FROM gldopspa; DROP TABLE gldopspa;"
                         " ALTER TABLE g RENAME TO gldopspa;"
                         " INSERT INTO gldopspa (item_ix, NAME, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd)"
                         "   VALUES (102, 'straw again', 0.04, 0.25, 80, 70, 0.86, 0.45, 7);");
        break;
    case Substances::TextKey:
        // A key that is not a number: the keys are compared as the table holds them.
        db.execute("INSERT INTO gldopspa (item_ix, NAME, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd)"
                   " VALUES ('x201', 'other', 0.05, 0.3, 30, 25, 0.86, 0.45, 3)");
        break;
    case Substances::WithoutMarker: db.execute("ALTER TABLE gldopspa DROP COLUMN mkd"); break;
    }
}

TEST(FomAdditions, EveryAdditionCarriesTheMarkerOfItsSubstance)
{
    // Plot 1: wheat 2001, manure 2003, wheat with straw left on the field 2010. The
    // residues have no marker (NULL), the manure 0.5, the straw 1.
    const std::vector<MarkerCase> cases{
        {"few substances", Substances::Few, {"KP 102 1.0", "OA 201 0.5", "ER 101 NULL", "ER 101 NULL"}, "mark updated:4"},
        {"many substances", Substances::Many, {"KP 102 1.0", "OA 201 0.5", "ER 101 NULL", "ER 101 NULL"}, "mark updated:4"},
        {"a substance listed twice",
         Substances::Repeated,
         {"KP 102 1.0", "KP 102 1.0", "OA 201 0.5", "ER 101 NULL", "ER 101 NULL"},
         "mark updated:5"},
        {"a key that is text", Substances::TextKey, {"KP 102 1.0", "OA 201 0.5", "ER 101 NULL", "ER 101 NULL"}, "mark updated:4"},
        {"no marker column", Substances::WithoutMarker, {"KP 102 0", "OA 201 0", "ER 101 0", "ER 101 0"}, "mark updated:0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture f;
        f.addSoil(1, 15, 40);
        f.addClimate(1, 0, 8.5, 600);
        for (int y = 2001; y <= 2010; ++y) f.addClimate(1, y, 9.0, 550);
        f.addPlot(1);
        f.addEvent(1, 2001, 2, 1, 60);
        f.addEvent(1, 2003, 3, 201, 10);
        f.addEvent(1, 2010, 9, 1, 70);
        f.addMeasurement(1, 7, 2001, 0, 1.2);
        f.db().executeScript("UPDATE gldopspa SET mkd = NULL WHERE item_ix = 101;"
                             " UPDATE gldopspa SET mkd = 0.5 WHERE item_ix = 201;");
        shape_substances(f, c.substances);

        const auto run = f.run();
        ASSERT_EQ(run.result.outcome, RunOutcome::Finished);
        std::vector<std::string> rows;
        for (auto r = f.db().query("SELECT ctype || ' ' || item_ix || ' ' || quote(mkd) FROM opstab ORDER BY rowid");
             !r.eof(); r.next())
            rows.push_back(r.field(0).toString());
        EXPECT_EQ(rows, c.rows);
        EXPECT_NE(std::find(run.log.begin(), run.log.end(), c.markLine), run.log.end());
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name='flid_ix'"), 1);
    }
}

} // namespace

namespace {

std::vector<std::string> years(RunFixture& f, const std::string& table)
{
    std::vector<std::string> out;
    for (auto r = f.db().query("SELECT FL_ID || ' ' || year_ || ' ' || item_ix FROM " + table + " ORDER BY rowid"); !r.eof();
         r.next())
        out.push_back(r.field(0).toString());
    return out;
}

} // namespace

// By-products and amendments come in the order of the events, one row per event and
// substance, of the selected plots only; a plot listed twice in site_state gives each of
// its events twice, and an index that reads the events latest year first gives them in
// that order.
TEST(FomAdditions, AdditionsFollowTheEventsAndTheirJoins)
{
    struct Case {
        const char* name;
        const char* shape;
        std::vector<std::string> byProducts, amendments;
    };
    const std::vector<Case> cases{
        {"keys once each", "", {"1 2005 102", "2 2007 102", "1 2010 102"}, {"2 2002 201", "1 2003 201"}},
        {"a plot listed twice",
         "INSERT INTO site_state (FL_ID, status, res_val) VALUES (1, 1, 0)",
         {"1 2005 102", "1 2005 102", "2 2007 102", "1 2010 102", "1 2010 102"},
         {"2 2002 201", "1 2003 201", "1 2003 201"}},
        {"selected plots not next to each other",
         "UPDATE site_state SET status = CASE FL_ID WHEN 2 THEN 0 ELSE 1 END",
         {"3 2004 102", "1 2005 102", "1 2010 102"},
         {"1 2003 201"}},
        {"an id between the selected plots that is not a whole number",
         "INSERT INTO cultivation (FL_ID, year, Macode, Item_IX, Quantity, part) VALUES (1.5, 2006, 9, 1, 70, 100)",
         {"1 2005 102", "2 2007 102", "1 2010 102"},
         {"2 2002 201", "1 2003 201"}},
        {"events indexed latest year first",
         "CREATE INDEX ix_kind ON cultivation (Macode, [year] DESC)",
         {"1 2010 102", "2 2007 102", "1 2005 102"},
         {"1 2003 201", "2 2002 201"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture f(true);
        f.addSoil(1, 15, 40);
        f.addClimate(1, 0, 8.5, 600);
        for (const long long fl : {1, 2, 3}) {
            f.addPlot(fl, 1, 1, 0, fl == 3 ? 0 : 1);
            f.addMeasurement(fl, 7, 2001, 0, 1.2);
        }
        f.addEvent(1, 2001, 2, 1, 60, 100);
        f.addEvent(2, 2002, 3, 201, 12, 100);
        f.addEvent(1, 2003, 3, 201, 10, 100);
        f.addEvent(3, 2004, 9, 1, 70, 100);  // not selected
        f.addEvent(1, 2005, 9, 1, 70, 100);
        f.addEvent(2, 2007, 9, 1, 50, 100);
        f.addEvent(1, 2010, 9, 1, 70, 100);
        f.addEvent(2, 2010, 2, 1, 60, 100);
        if (*c.shape) f.db().execute(c.shape);
        f.run();  // a later step may stop the run; the additions are built before it
        EXPECT_EQ(years(f, "_koppel_prdkt"), c.byProducts);
        EXPECT_EQ(years(f, "_org_dnger"), c.amendments);
    }
}
