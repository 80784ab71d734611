#include "db/connection.h"
#include "db/schema.h"
#include "eval/script_evaluation.h"
#include "support/temp_dir.h"
#include "workbench/r_analysis.h"
#include "workbench/reference_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using vt::db::Connection;

namespace {

bool r_with_rsqlite()
{
    return std::system("Rscript -e 'suppressMessages(library(RSQLite))' >/dev/null 2>&1") == 0;
}

TEST(RAnalysis, RReadsAndWritesTheDatabaseThroughRSQLite)
{
    if (!r_with_rsqlite()) GTEST_SKIP() << "Rscript with RSQLite is not installed";
    vt::test::TempDir dir;
    Connection c(dir.file("x.db"), Connection::Mode::ReadWriteCreate);
    vt::db::create_schema(c);
    c.executeScript("insert into field_description (FL_ID, site_description) values (4, 'a'), (7, 'b');"
                    "insert into sim_result (fl_id, m_ix, year_, year_num, sim_value) values (7, 7, 2000, 1, 1.4);");
    // The companion file is in the users' dialect: SELECT ... INTO, & and a double-quoted text.
    std::ofstream(dir.file("per_plot.txt")) << "drop table per_plot\ngo\n"
                                               "SELECT #fl_id AS fl,\n\"plot \" & #fl_id AS label INTO per_plot\ngo\n";
    std::ofstream(dir.file("user.r")) << "x <- dbGetQuery(ch, \"select fl, label from per_plot\")\n"
                                         "dbWriteTable(ch, \"r_out\", x, append = TRUE)\n"
                                         "dbDisconnect(ch)\n";
    const auto s = vt::workbench::prepare_r_analysis(dir.file("x.db"), {dir.file("per_plot.txt"), dir.file("user.r"), ""},
                                                     "", "result.txt");
    EXPECT_EQ(vt::eval::run_script_evaluation(c, s), 1);  // plot 4 has no results
    EXPECT_EQ(c.scalar("select group_concat(label, ',') from r_out").toString(), "plot 7");
}

TEST(RAnalysis, MissingFilesAreInputOutputErrors)
{
    vt::test::TempDir dir;
    try {
        vt::workbench::prepare_r_analysis(dir.file("x.db"), {dir.file("no.txt"), dir.file("no.r"), ""}, "", "");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "input/output error: " + dir.file("no.r") + ": no such file");
    }
}

TEST(ReferenceList, ReferencesOfAPlotAndTheirLinks)
{
    auto c = Connection::memory();
    vt::db::create_schema(*c);
    c->executeScript("insert into field_description (FL_ID, Location, site_description, versuch_code) values "
                     "(1, 'A', 'p', 'E1');"
                     "insert into referenzen (lit_id, quelle, autor, jahr, Titel, produkt, seite) values "
                     "(1, 'article', 'Miller', 1990, 'Carbon', '', '1-10'), (2, null, 'Smith', 2001, 'N', 'J', '');"
                     "insert into refkey_def values (0, 'all', 'any'), (2, 'climate', 'weather');"
                     "insert into key2ref2fl values (0, 1, 1), (2, 1, 1);");
    auto t = vt::workbench::plot_references(*c, 1);
    EXPECT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(vt::workbench::reference_compact_lines(t, 0),
              (std::vector<std::string>{"article", "Miller", "1990", "Carbon", "1-10"}));
    EXPECT_EQ(vt::workbench::plot_references(*c, 1, 0).rows.size(), 1u);  // "all" is key 0 only

    using vt::workbench::AddReference;
    EXPECT_EQ(vt::workbench::add_reference(*c, 1, "9"), AddReference::NotFound);
    EXPECT_EQ(vt::workbench::add_reference(*c, 1, "2x"), AddReference::NotANumber);
    EXPECT_EQ(c->scalar("select count(*) from ref2vcode").toInt(), 0);
    EXPECT_EQ(vt::workbench::add_reference(*c, 1, " 2 "), AddReference::Added);
    EXPECT_EQ(vt::workbench::add_reference(*c, 1, "2"), AddReference::AlreadyLinked);
    EXPECT_EQ(vt::workbench::plot_references(*c, 1).rows.size(), 3u);

    vt::workbench::add_reference_keyword(*c, 1, 2, 2);
    vt::workbench::add_reference_keyword(*c, 1, 2, 2);
    EXPECT_EQ(vt::workbench::reference_keyword_lines(*c, 1, 2),
              (std::vector<std::string>{"0 :  all  [any]", "2 :  climate  [weather]"}));
    vt::workbench::delete_reference_keyword(*c, 1, 2, 0);
    EXPECT_EQ(vt::workbench::reference_keyword_lines(*c, 1, 2).size(), 1u);
    EXPECT_EQ(vt::workbench::delete_reference_relation(*c, 1, 2, "E1"), 2);
    EXPECT_EQ(vt::workbench::reference_pdf_path("/docs", 12), "/docs/12.pdf");
}

} // namespace
