// The data operations of the main window, the settings dialog and the simulator's plot
// list, on the demo database and on databases that lack their tables.
#include "db/connection.h"
#include "db/demo_database.h"
#include "support/temp_dir.h"
#include "workbench/database_info.h"
#include "workbench/database_upkeep.h"
#include "workbench/run_plots.h"

#include <gtest/gtest.h>

#include <filesystem>

using vt::db::Connection;
namespace wb = vt::workbench;

namespace {

struct Demo {
    vt::test::TempDir dir;
    Connection c{dir.file("demo.db"), Connection::Mode::ReadWriteCreate};
    Demo() { vt::db::create_demo_database(c); }
    long long count(const std::string& sql) { return c.scalar(sql).toInt(); }
};

TEST(WorkbenchDatabase, RegionalModeIsTheColumnPartAndSwitchesBothWays)
{
    Demo d;
    EXPECT_FALSE(wb::is_regional_database(d.c));
    wb::set_regional_mode(d.c, true);
    EXPECT_TRUE(wb::is_regional_database(d.c));
    wb::set_regional_mode(d.c, true);  // already regional: nothing to do
    d.c.execute("UPDATE cultivation SET part = 50");
    wb::set_regional_mode(d.c, false);
    EXPECT_FALSE(wb::is_regional_database(d.c));
    EXPECT_GT(d.count("SELECT count(*) FROM cultivation"), 0);  // the events stay

    auto empty = Connection::memory();
    EXPECT_FALSE(wb::is_regional_database(*empty));  // no cultivation at all
}

TEST(WorkbenchDatabase, MethodIsTheFirstRowOfVtnSetting)
{
    auto c = Connection::memory();
    EXPECT_EQ(wb::stored_method(*c), "");  // no table
    wb::store_method(*c, "  LUFA ");       // creates table and row, trimmed
    EXPECT_EQ(c->scalar("SELECT model FROM vtn_setting").toString(), "LUFA");
    EXPECT_EQ(c->scalar("SELECT count(*) FROM vtn_setting").toInt(), 1);

    c->execute("INSERT INTO vtn_setting (model) VALUES ('SALCA')");
    c->execute("UPDATE vtn_setting SET model = 'HUBAHE      ' WHERE model = 'LUFA'");  // Jet's padding
    EXPECT_EQ(wb::stored_method(*c), "HUBAHE");
    wb::store_method(*c, "RUX");  // the first row only
    EXPECT_EQ(wb::stored_method(*c), "RUX");
    EXPECT_EQ(c->scalar("SELECT model FROM vtn_setting ORDER BY rowid DESC LIMIT 1").toString(), "SALCA");

    c->execute("DELETE FROM vtn_setting");
    EXPECT_EQ(wb::stored_method(*c), "");
    wb::store_method(*c, "HUMOD");  // a table without rows gets one
    EXPECT_EQ(wb::stored_method(*c), "HUMOD");
}

TEST(WorkbenchDatabase, SiteStateGetsARowForEveryPlot)
{
    Demo d;
    const long long plots = d.count("SELECT count(*) FROM field_description");
    d.c.execute("DELETE FROM site_state WHERE FL_ID IN (SELECT FL_ID FROM field_description LIMIT 2)");
    const long long flagged = d.count("SELECT count(*) FROM site_state WHERE status = 1");
    wb::complete_site_state(d.c);
    EXPECT_EQ(d.count("SELECT count(*) FROM site_state"), plots);
    EXPECT_EQ(d.count("SELECT count(*) FROM site_state WHERE status = 1"), flagged);  // new rows are not flagged
    wb::complete_site_state(d.c);
    EXPECT_EQ(d.count("SELECT count(*) FROM site_state"), plots);

    auto empty = Connection::memory();
    EXPECT_NO_THROW(wb::complete_site_state(*empty));
}

TEST(WorkbenchDatabase, SelectionListsFollowTheParameterTablesAndTheLanguage)
{
    Demo d;
    d.c.execute("DELETE FROM gldsel_crop");
    d.c.execute("INSERT INTO gldsel_ops (item_ix, NAME, [select]) VALUES (99999, 'gone', -1)");
    wb::sync_selection_lists(d.c, "d");
    EXPECT_EQ(d.count("SELECT count(*) FROM gldsel_crop"), d.count("SELECT count(*) FROM gldpflan"));
    EXPECT_EQ(d.count("SELECT count(*) FROM gldsel_ops WHERE item_ix = 99999"), 0);
    EXPECT_EQ(d.count("SELECT count(*) FROM gldpflan WHERE NAME IS NOT NAME_de"), 0);
    EXPECT_EQ(d.count("SELECT count(*) FROM gldaktion WHERE [action] IS NOT action_de"), 0);
    wb::sync_selection_lists(d.c, "E");
    EXPECT_EQ(d.count("SELECT count(*) FROM gldopspa WHERE NAME IS NOT NAME_en"), 0);

    // Without NAME_en nothing changes.
    auto old = Connection::memory();
    old->executeScript("CREATE TABLE gldpflan (item_ix int, NAME text); INSERT INTO gldpflan VALUES (1, 'Weizen');"
                       "CREATE TABLE gldsel_crop ([select] int, item_ix int, NAME text);");
    wb::sync_selection_lists(*old, "E");
    EXPECT_EQ(old->scalar("SELECT count(*) FROM gldsel_crop").toInt(), 0);
}

TEST(WorkbenchDatabase, DeletingResultsEmptiesTheResultTablesOnly)
{
    Demo d;
    d.c.execute("INSERT INTO rux_nresult (FL_ID, year_num) VALUES (1, 2000)");
    const long long plots = d.count("SELECT count(*) FROM field_description");
    wb::delete_results(d.c);
    EXPECT_EQ(d.count("SELECT count(*) FROM rux_nresult"), 0);
    EXPECT_EQ(d.count("SELECT count(*) FROM field_description"), plots);

    auto bare = Connection::memory();  // no result tables: nothing to delete, no error
    EXPECT_NO_THROW(wb::delete_results(*bare));
}

TEST(WorkbenchDatabase, DemoFileIsAllOrNothing)
{
    vt::test::TempDir dir;
    const auto path = dir.file("demo.db");
    wb::create_demo_file(path);
    EXPECT_GT(Connection(path).scalar("SELECT count(*) FROM field_description").toInt(), 0);
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    const auto nowhere = dir.file("missing/folder/demo.db");
    EXPECT_ANY_THROW(wb::create_demo_file(nowhere));
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_FALSE(std::filesystem::exists(nowhere + ".part"));
}

TEST(WorkbenchDatabase, PlotsOfTheNextRunAreTheFlaggedOnesByPlotNumber)
{
    Demo d;
    d.c.execute("UPDATE site_state SET status = 0");
    d.c.execute("UPDATE site_state SET status = 1 WHERE FL_ID IN (SELECT FL_ID FROM field_description "
                "ORDER BY FL_ID DESC LIMIT 3)");
    const auto plots = wb::plots_of_next_run(d.c);
    const std::vector<std::string> columns{"FL_ID", "i_con", "site_description", "Location", "station", "profile"};
    EXPECT_EQ(plots.columns, columns);
    ASSERT_EQ(plots.rows.size(), 3u);
    for (std::size_t i = 1; i < plots.rows.size(); ++i)
        EXPECT_LT(std::stoll(plots.rows[i - 1][0]), std::stoll(plots.rows[i][0]));

    d.c.execute("UPDATE site_state SET status = 0");
    EXPECT_TRUE(wb::plots_of_next_run(d.c).rows.empty());
}

} // namespace
