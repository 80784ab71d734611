// Plot and experiment operations of the browser and their command-line commands: all or
// nothing, every row keyed by a plot, shifts that cannot mix up plots, names with quotes.
#include "db/connection.h"
#include "support/browser_fixture.h"
#include "support/temp_dir.h"
#include "workbench/browser_plot_ops.h"
#include "workbench/browser_tree.h"

#include <gtest/gtest.h>

using namespace vt;
using namespace vt::workbench;

namespace {

long long rows_in_all_tables(db::Connection& c, long long flId)
{
    long long n = 0;
    for (const auto& t : plot_keyed_tables(c)) n += test::rows_of_plot(c, t, flId);
    return n;
}

} // namespace

TEST(BrowserOps, CopyGivesTheNextIdAnXNameAndTheSameEventsAndObservations)
{
    auto c = test::browser_fixture();
    const auto r = copy_plot(*c, 12);
    EXPECT_EQ(r.flId, 41);
    EXPECT_EQ(c->scalar("select site_description from field_description where fl_id=41").toString(), "xFeld");
    EXPECT_EQ(c->scalar("select location from field_description where fl_id=41").toString(), "Nord");
    EXPECT_EQ(test::rows_of_plot(*c, "cultivation", 41), 4);
    EXPECT_EQ(test::rows_of_plot(*c, "measurements", 41), 4);
    EXPECT_EQ(c->scalar("select status from site_state where fl_id=41").toInt(), 0);
    EXPECT_EQ(test::rows_of_plot(*c, "sim_result", 41), 0);
    EXPECT_EQ(test::rows_of_plot(*c, "som_state", 41), 0);
    EXPECT_EQ(c->scalar("select sum(quantity) from cultivation where fl_id=41").toDouble(),
              c->scalar("select sum(quantity) from cultivation where fl_id=12").toDouble());
}

TEST(BrowserOps, DeletingAPlotLeavesNoRowWithItsId)
{
    auto c = test::browser_fixture();
    ASSERT_GT(rows_in_all_tables(*c, 12), 10);
    const auto r = delete_plot(*c, 12);
    EXPECT_EQ(rows_in_all_tables(*c, 12), 0);
    EXPECT_EQ(r.rowsOf("sim_result"), 2);
    EXPECT_EQ(r.rowsOf("som_state"), 1);
    EXPECT_EQ(test::rows_of_plot(*c, "cultivation", 10), 1);  // other plots keep theirs
    EXPECT_THROW(delete_plot(*c, 12), BrowserInputError);
}

TEST(BrowserOps, DryRunReportsAndChangesNothing)
{
    auto c = test::browser_fixture();
    const auto before = rows_in_all_tables(*c, 12);
    const auto r = delete_plot(*c, 12, true);
    EXPECT_TRUE(r.dryRun);
    EXPECT_EQ(r.total(), before);
    EXPECT_EQ(rows_in_all_tables(*c, 12), before);
}

TEST(BrowserOps, AFailingStatementLeavesTheDatabaseAsItWas)
{
    auto c = test::browser_fixture();
    // A trigger fails the last step of the delete; nothing of it may stay done.
    c->execute("create trigger refuse before delete on som_state begin select raise(abort, 'locked'); end");
    const auto before = rows_in_all_tables(*c, 12);
    EXPECT_THROW(delete_plot(*c, 12), db::DbError);
    EXPECT_EQ(rows_in_all_tables(*c, 12), before);
    EXPECT_EQ(read_browser_tree(*c).plots.size(), 5u);
}

TEST(BrowserOps, DeletingAnExperimentRemovesItsPlotsEverywhere)
{
    auto c = test::browser_fixture();
    const auto r = delete_experiment(*c, "Nord", "1");
    EXPECT_EQ(r.rowsOf("experiments"), 1);
    EXPECT_EQ(r.rowsOf("field_description"), 3);
    for (long long id : {10, 12, 20}) EXPECT_EQ(rows_in_all_tables(*c, id), 0);
    EXPECT_EQ(rows_in_all_tables(*c, 15), 2);
}

TEST(BrowserOps, ShiftMovesOnlyTheExperimentWithItsResultsAndStates)
{
    auto c = test::browser_fixture();
    const auto before = rows_in_all_tables(*c, 12);
    const auto r = shift_plots(*c, "Nord", 100);
    EXPECT_EQ(r.rowsOf("field_description"), 3);
    EXPECT_EQ(rows_in_all_tables(*c, 12), 0);
    EXPECT_EQ(rows_in_all_tables(*c, 112), before);
    EXPECT_EQ(test::rows_of_plot(*c, "som_state", 112), 1);
    EXPECT_EQ(test::rows_of_plot(*c, "field_description", 15), 1);  // inside 10..20, of the other experiment
    // Plot 15 continued plot 12's stored state; it follows the move.
    EXPECT_EQ(c->scalar("select i_con from field_description where fl_id=15").toString(), "112");
}

TEST(BrowserOps, ShiftIntoOtherPlotsIsRefusedAndChangesNothing)
{
    auto c = test::browser_fixture();
    const auto p = preview_plot_shift(*c, "Nord", 5);  // 15..25 holds plot 15
    EXPECT_EQ(p.minId, 10);
    EXPECT_EQ(p.maxId, 20);
    EXPECT_EQ(p.others, 1);
    EXPECT_EQ(p.message(), "1 records in destination range !");
    EXPECT_THROW(shift_plots(*c, "Nord", 5), BrowserInputError);
    EXPECT_EQ(test::rows_of_plot(*c, "field_description", 10), 1);
    EXPECT_EQ(preview_plot_shift(*c, "Nord", 1000).message(), "0 records in destination range ! press ok to start transfer");
    // A shift within the experiment's own range moves every plot by the same amount.
    c->execute("delete from field_description where fl_id=15");
    shift_plots(*c, "Nord", 2);
    EXPECT_EQ(c->scalar("select group_concat(fl_id) from (select fl_id from field_description where location='Nord' order by fl_id)").toString(),
              "12,14,22");
}

TEST(BrowserOps, NamesWithQuotesRoundTrip)
{
    auto c = test::browser_fixture();
    const std::string name = "O'Brien's \"Hof\"";
    const auto e = create_experiment(*c, name);
    EXPECT_EQ(e.experiment, "3");
    EXPECT_EQ(e.flId, 41);
    EXPECT_EQ(experiment_location(*c, "3"), name);
    move_plot(*c, 10, name);
    const auto tree = read_browser_tree(*c);
    bool found = false;
    for (const auto& x : tree.experiments)
        if (x.location == name && x.vcode == "1") found = x.plots.size() == 2 && get_location(x.label()) == name;
    EXPECT_TRUE(found);
    EXPECT_EQ(shift_plots(*c, name, 1000).rowsOf("field_description"), 2);
    EXPECT_EQ(delete_experiment(*c, name, "3").rowsOf("field_description"), 2);
}

TEST(BrowserOps, AddPlotAndRenameExperiment)
{
    auto c = test::browser_fixture();
    const auto a = add_plot_to_experiment(*c, "2");
    EXPECT_EQ(a.flId, 41);
    auto r = c->query("select location, herkunft, i_con, versuch_code from field_description where fl_id=41");
    EXPECT_EQ(r.getString("location"), "Süd");
    EXPECT_EQ(r.getString("herkunft"), "farm");
    EXPECT_EQ(r.getString("i_con"), "null");
    EXPECT_THROW(add_plot_to_experiment(*c, "9"), BrowserInputError);

    rename_experiment(*c, "2", "5", "Süd-Ost");
    EXPECT_EQ(c->scalar("select count(*) from field_description where versuch_code='5' and location='Süd-Ost'").toInt(), 3);
    EXPECT_EQ(c->scalar("select versuchs_code from ref2vcode").toString(), "5");
    EXPECT_EQ(c->scalar("select exp_id from experiments where vcode='5'").toInt(), 5);
    EXPECT_THROW(rename_experiment(*c, "5", "1", "X"), BrowserInputError);  // code of another experiment
    EXPECT_THROW(rename_experiment(*c, "5", "abc", "X"), BrowserInputError);
}

TEST(BrowserOps, DragCopiesEventsAndObservations)
{
    auto c = test::browser_fixture();
    EXPECT_EQ(copy_management_events(*c, 12, 40).rowsOf("cultivation"), 4);
    const auto r = copy_observations(*c, 12, 10);
    EXPECT_EQ(r.rowsOf("measurements"), 4);
    EXPECT_EQ(r.rowsOf("sim_result"), 1);
    EXPECT_TRUE(c->scalar("select vrnz from measurements where fl_id=10 and meas_value=0.13").isNull());
}

class BrowserCli : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string db = dir.file("b.db");
    void SetUp() override { test::browser_fixture(db); }
};

TEST_F(BrowserCli, PlotCommandsPrintWhatTheyChanged)
{
    auto copy = test::run_cli({"plot", "copy", "--db", db, "--plot", "12"});
    ASSERT_EQ(copy.code, 0) << copy.err;
    EXPECT_NE(copy.out.find("FL_ID=41\n"), std::string::npos);
    EXPECT_NE(copy.out.find("cultivation: 4 rows"), std::string::npos);

    auto dry = test::run_cli({"plot", "delete", "--db", db, "--plot", "12", "--dry-run"});
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_NE(dry.out.find("sim_result: 2 rows"), std::string::npos);
    auto add = test::run_cli({"plot", "add", "--db", db, "--experiment", "1"});
    EXPECT_NE(add.out.find("FL_ID=42"), std::string::npos) << add.out << add.err;
    EXPECT_EQ(test::run_cli({"plot", "move", "--db", db, "--plot", "42", "--location", "Neu'feld"}).code, 0);
    EXPECT_EQ(test::run_cli({"plot", "shift", "--db", db, "--experiment", "2", "--by", "1000"}).code, 0);
    EXPECT_EQ(test::run_cli({"plot", "delete", "--db", db, "--plot", "12"}).code, 0);

    db::Connection c(db);
    EXPECT_EQ(rows_in_all_tables(c, 12), 0);
    EXPECT_EQ(test::rows_of_plot(c, "field_description", 1015), 1);
    EXPECT_EQ(c.scalar("select location from field_description where fl_id=42").toString(), "Neu'feld");
}

TEST_F(BrowserCli, BadInputEndsWithExitCodeTwoAndChangesNothing)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"plot", "copy", "--db", db, "--plot", "twelve"},
             {"plot", "delete", "--db", db, "--plot", "99"},
             {"plot", "shift", "--db", db, "--experiment", "1", "--by", "5"},
             {"plot", "shift", "--db", db, "--experiment", "1", "--by", "1.5"},
             {"plot", "copy", "--db", db, "--plot", "1e300"},
             {"experiment", "rename", "--db", db, "--experiment", "1", "--code", "1e300"},
             {"experiment", "delete", "--db", db, "--experiment", "8"},
             {"experiment", "rename", "--db", db, "--experiment", "1", "--code", "2"},
             {"plot", "copy", "--db", dir.file("missing.db"), "--plot", "12"}}) {
        const auto r = test::run_cli(args);
        EXPECT_EQ(r.code, 2) << args[1] << ' ' << args.back() << ": " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    db::Connection c(db);
    EXPECT_EQ(c.scalar("select count(*) from field_description").toInt(), 5);
}

TEST_F(BrowserCli, ExperimentCommands)
{
    auto created = test::run_cli({"experiment", "create", "--db", db, "--location", "Ost \"A\""});
    ASSERT_EQ(created.code, 0) << created.err;
    EXPECT_NE(created.out.find("exp_id=3\nFL_ID=41\n"), std::string::npos) << created.out;
    auto renamed = test::run_cli({"experiment", "rename", "--db", db, "--experiment", "3", "--location", "Ost"});
    ASSERT_EQ(renamed.code, 0) << renamed.err;
    auto deleted = test::run_cli({"experiment", "delete", "--db", db, "--experiment", "3"});
    ASSERT_EQ(deleted.code, 0) << deleted.err;
    EXPECT_NE(deleted.out.find("field_description: 1 row"), std::string::npos);
    db::Connection c(db);
    EXPECT_EQ(c.scalar("select count(*) from experiments").toInt(), 2);
}
