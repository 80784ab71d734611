// Plot and experiment operations of the browser and their command-line commands: all or
// nothing, every row keyed by a plot, shifts that cannot mix up plots, names with quotes.
#include "db/connection.h"
#include "support/browser_fixture.h"
#include "support/temp_dir.h"
#include "workbench/browser_plot_ops.h"
#include "workbench/browser_tables.h"
#include "workbench/browser_tree.h"
#include "workbench/results_runs.h"
#include "workbench/session_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>

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
    const auto r = delete_experiment(*c, {"1", std::nullopt});
    EXPECT_EQ(r.rowsOf("experiments"), 1);
    EXPECT_EQ(r.rowsOf("field_description"), 3);
    for (long long id : {10, 12, 20}) EXPECT_EQ(rows_in_all_tables(*c, id), 0);
    EXPECT_EQ(rows_in_all_tables(*c, 15), 2);
}

TEST(BrowserOps, ShiftMovesOnlyTheExperimentWithItsResultsAndStates)
{
    auto c = test::browser_fixture();
    const auto before = rows_in_all_tables(*c, 12);
    const auto r = shift_plots(*c, {"1", std::nullopt}, 100);
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
    const auto p = preview_plot_shift(*c, {"1", std::nullopt}, 5);  // 15..25 holds plot 15
    EXPECT_EQ(p.minId, 10);
    EXPECT_EQ(p.maxId, 20);
    EXPECT_EQ(p.others, 1);
    EXPECT_EQ(p.message(), "1 records in destination range !");
    EXPECT_THROW(shift_plots(*c, {"1", std::nullopt}, 5), BrowserInputError);
    EXPECT_EQ(test::rows_of_plot(*c, "field_description", 10), 1);
    EXPECT_EQ(preview_plot_shift(*c, {"1", std::nullopt}, 1000).message(), "0 records in destination range ! press ok to start transfer");
    // A shift within the experiment's own range moves every plot by the same amount.
    c->execute("delete from field_description where fl_id=15");
    shift_plots(*c, {"1", std::nullopt}, 2);
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
    // The location holds two experiments now: each node acts on its own plot.
    EXPECT_EQ(shift_plots(*c, {"3", name}, 1000).rowsOf("field_description"), 1);
    EXPECT_EQ(delete_experiment(*c, {"3", name}).rowsOf("field_description"), 1);
    EXPECT_EQ(test::rows_of_plot(*c, "field_description", 10), 1);
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

// Two experiments share the location "Nord" (codes 1 and 3), and plot 15 of experiment 2
// was moved there: every experiment operation acts on the plots of its code alone.
class SharedLocation : public BrowserCli {
protected:
    void SetUp() override
    {
        BrowserCli::SetUp();
        db::Connection c(db);
        create_experiment(c, "Nord");  // code 3, plot 41
        move_plot(c, 15, "Nord");
    }
    std::string plots()
    {
        db::Connection c(db);
        return c.scalar("select group_concat(p, ',') from (select fl_id || ':' || versuch_code || ':' || location as p "
                        "from field_description order by fl_id)")
            .toString();
    }
};

TEST_F(SharedLocation, CommandsActOnTheExperimentsOwnPlots)
{
    const std::string before = "10:1:Nord,12:1:Nord,15:2:Nord,20:1:Nord,40:2:Süd,41:3:Nord";
    ASSERT_EQ(plots(), before);
    const struct {
        std::vector<std::string> args;
        std::string after;
    } cases[] = {
        {{"experiment", "delete", "--experiment", "3"}, "10:1:Nord,12:1:Nord,15:2:Nord,20:1:Nord,40:2:Süd"},
        {{"experiment", "delete", "--experiment", "2"}, "10:1:Nord,12:1:Nord,20:1:Nord,41:3:Nord"},
        {{"plot", "shift", "--experiment", "3", "--by", "1000"}, "10:1:Nord,12:1:Nord,15:2:Nord,20:1:Nord,40:2:Süd,1041:3:Nord"},
        {{"plot", "shift", "--experiment", "2", "--by", "1000"}, "10:1:Nord,12:1:Nord,20:1:Nord,41:3:Nord,1015:2:Nord,1040:2:Süd"},
        {{"experiment", "rename", "--experiment", "2", "--code", "8"}, "10:1:Nord,12:1:Nord,15:8:Nord,20:1:Nord,40:8:Süd,41:3:Nord"},
        {{"experiment", "rename", "--experiment", "3", "--location", "Ost"}, "10:1:Nord,12:1:Nord,15:2:Nord,20:1:Nord,40:2:Süd,41:3:Ost"},
        {{"plot", "add", "--experiment", "3"}, before + ",42:3:Nord"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.args[0] + " " + k.args[1] + " " + k.args[3]);
        std::filesystem::remove(db);
        SetUp();
        auto args = k.args;
        args.insert(args.begin() + 2, {"--db", db});
        const auto r = test::run_cli(args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(plots(), k.after);
    }
}

TEST_F(SharedLocation, TreeNodesSelectTheirCodeAtTheirLocation)
{
    db::Connection c(db);
    const ExperimentPlots moved{"2", std::string("Nord")};
    const auto ids = [](const TableGrid& g) {
        const auto id = std::find(g.columns.begin(), g.columns.end(), "FL_ID") - g.columns.begin();
        std::string out;
        for (const auto& row : g.rows) out += (out.empty() ? "" : ",") + row.at(id).toString();
        return out;
    };
    EXPECT_EQ(ids(read_experiment_plots(c, {"1", std::string("Nord")})), "10,12,20");
    EXPECT_EQ(ids(read_experiment_plots(c, moved)), "15");
    EXPECT_EQ(plots_of_experiment_node(c, {"3", std::string("Nord")}), std::vector<long long>{41});
    const auto selection = experiment_selection(c, moved);
    ASSERT_EQ(selection.size(), 1u);
    EXPECT_EQ(selection[0].plot, 15);

    EXPECT_EQ(shift_plots(c, {"1", std::string("Nord")}, 1000).rowsOf("field_description"), 3);
    const auto r = delete_experiment(c, moved);
    EXPECT_EQ(r.rowsOf("field_description"), 1);
    EXPECT_EQ(r.rowsOf("experiments"), 0);  // plot 40 of experiment 2 is left at "Süd"
    EXPECT_EQ(plots(), "40:2:Süd,41:3:Nord,1010:1:Nord,1012:1:Nord,1020:1:Nord");
}

TEST(BrowserOps, CopyKeepsEveryColumnOfEveryRow)
{
    auto c = test::browser_fixture();
    c->execute("update measurements set weight=0.25, vrnz=0.01 where fl_id=12");
    c->execute("update field_description set repix=40, classification='trial', comment='c' where fl_id=12");
    const auto id = copy_plot(*c, 12).flId;
    // The copy's own: its key, its name, the keys the database numbers, no simulated quantity.
    const struct {
        const char* table;
        std::vector<std::string> own;
    } tables[] = {{"field_description", {"FL_ID", "site_description"}},
                  {"measurements", {"FL_ID", "meas_ID"}},
                  {"cultivation", {"FL_ID", "cultivation_id", "Sim_Quantity"}}};
    for (const auto& t : tables) {
        SCOPED_TRACE(t.table);
        const auto columns = c->columns(t.table);
        auto a = c->query(std::string("select * from ") + t.table + " where fl_id=12 order by rowid");
        auto b = c->query(std::string("select * from ") + t.table + " where fl_id=? order by rowid", {id});
        int rows = 0;
        for (; !a.eof(); a.next(), b.next(), ++rows) {
            ASSERT_FALSE(b.eof());
            for (std::size_t k = 0; k < columns.size(); ++k) {
                if (std::find(t.own.begin(), t.own.end(), columns[k]) != t.own.end()) continue;
                EXPECT_EQ(a.field(static_cast<int>(k)), b.field(static_cast<int>(k))) << columns[k] << " of row " << rows;
            }
            if (std::string(t.table) == "cultivation") {
                EXPECT_TRUE(b.field("Sim_Quantity").isNull());
            }
        }
        EXPECT_TRUE(b.eof());
        EXPECT_GT(rows, 0);
    }
    EXPECT_EQ(c->scalar("select weight from measurements where fl_id=? limit 1", {id}).toDouble(), 0.25);
}

TEST(BrowserOps, KeysUseTheWholeRangeOrAreRefusedBeforeAnythingChanges)
{
    const long long top = std::numeric_limits<long long>::max();
    EXPECT_EQ(parse_user_integer("9223372036854775807"), top);
    EXPECT_EQ(parse_user_integer(" -9223372036854775808 "), std::numeric_limits<long long>::min());
    EXPECT_EQ(parse_user_integer("9000000000000001"), 9000000000000001LL);
    EXPECT_FALSE(parse_user_integer("9223372036854775808"));
    EXPECT_EQ(parse_user_integer("1e3"), 1000);

    auto c = test::browser_fixture();
    c->execute("update field_description set fl_id=? where fl_id=40", {top});
    c->execute("update site_state set fl_id=? where fl_id=40", {top});
    const auto count = [&] { return c->scalar("select count(*) || '/' || sum(typeof(fl_id)<>'integer') from field_description").toString(); };
    EXPECT_THROW(copy_plot(*c, 12), BrowserInputError);
    EXPECT_EQ(count(), "5/0");
    // Experiment 2 holds plots 15 and 2^63-1: any upward shift leaves the range.
    EXPECT_TRUE(preview_plot_shift(*c, {"2", std::nullopt}, 1).overflow);
    EXPECT_THROW(shift_plots(*c, {"2", std::nullopt}, 1), BrowserInputError);
    EXPECT_THROW(shift_plots(*c, {"1", std::nullopt}, top), BrowserInputError);
    EXPECT_EQ(count(), "5/0");
    // Downwards it moves exactly and stays whole.
    shift_plots(*c, {"2", std::nullopt}, -(top - 5));
    EXPECT_EQ(c->scalar("select group_concat(fl_id) from (select fl_id from field_description where versuch_code='2' order by fl_id)")
                  .toString(),
              "-9223372036854775787,5");
    EXPECT_EQ(count(), "5/0");
}

TEST_F(BrowserCli, LargeIdsAreNamedAndShiftedExactly)
{
    {
        db::Connection c(db);
        c.execute("update field_description set fl_id=9223372036854775806 where fl_id=40");
    }
    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"plot", "delete", "--db", db, "--plot", "9223372036854775806", "--dry-run"}, 0},
        {{"plot", "copy", "--db", db, "--plot", "15"}, 0},  // 2^63-1
        {{"plot", "copy", "--db", db, "--plot", "9223372036854775807"}, 2},  // no key left above
        {{"plot", "shift", "--db", db, "--experiment", "2", "--by", "9e15"}, 2},  // beyond 2^63-1
        {{"plot", "shift", "--db", db, "--experiment", "1", "--by", "9e15"}, 0},
    };
    for (const auto& k : cases) {
        const auto r = test::run_cli(k.args);
        EXPECT_EQ(r.code, k.code) << k.args[1] << ": " << r.out << r.err;
    }
    db::Connection c(db);
    EXPECT_EQ(c.scalar("select count(*) from field_description where typeof(fl_id)<>'integer'").toInt(), 0);
    EXPECT_EQ(c.scalar("select count(*) from field_description where fl_id=9000000000000012").toInt(), 1);
    EXPECT_EQ(c.scalar("select count(*) from field_description where fl_id=9223372036854775807").toInt(), 1);  // the copy
}
