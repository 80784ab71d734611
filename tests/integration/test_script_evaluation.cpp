#include "eval/program_runner.h"
#include "eval/script_evaluation.h"
#include "support/eval_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using vt::eval::ProgramRunner;
using vt::eval::ScriptOutcome;

namespace {

std::string read_file(const fs::path& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A stand-in for the R program: records its working folder and arguments.
fs::path fake_r(const fs::path& dir, const std::string& name)
{
    const fs::path p = dir / name;
    std::ofstream(p) << "#!/bin/sh\necho \"cwd=$(pwd)\" >> \"" << (dir / "calls.txt").string()
                     << "\"\necho \"args=$*\" >> \"" << (dir / "calls.txt").string() << "\"\necho done\n";
    fs::permissions(p, fs::perms::owner_all);
    return p;
}

TEST(ProgramRunner, MissingProgramReportsTheSystemErrorAndNeverFinishes)
{
    ProgramRunner r;
    r.applicationName = "/nonexistent/path_to_r.exe";
    r.execute();
    EXPECT_EQ(r.resultCode(), ENOENT);
    EXPECT_FALSE(r.working());
    EXPECT_FALSE(r.wait());
    EXPECT_FALSE(r.finished());
}

TEST(ProgramRunner, ShortProgramIsReportedFinished)
{
    vt::test::TempDir dir;
    ProgramRunner r;
    r.applicationName = "sh";
    r.parameters = "-c \"exit 3\"";
    r.currentDir = dir.path().string();
    r.execute();
    EXPECT_EQ(r.resultCode(), -1);
    EXPECT_TRUE(r.wait());
    EXPECT_TRUE(r.finished());
    EXPECT_FALSE(r.working());
    EXPECT_EQ(r.exitStatus(), 3);
    EXPECT_EQ(ProgramRunner::split_parameters("CMD BATCH \"a b.r\" x"),
              (std::vector<std::string>{"CMD", "BATCH", "a b.r", "x"}));
}

class ScriptEvaluation : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<vt::db::Connection>(dir.file("x.db"), vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::Transaction tx(*db);
        vt::test::create_eval_tables(*db);
        db->execute("INSERT INTO gldpflan (ITEM_IX, NAME) VALUES (1, 'Weizen')");
        for (long long plot : {4LL, 7LL}) {
            vt::test::add_plot(*db, plot);
            vt::test::add_simulated_year(*db, plot, 2001, 1, 10);
        }
        vt::test::add_plot(*db, 9);  // no results: not evaluated
        db->execute("create table r_log (fl int)");
        tx.commit();
        std::ofstream(dir.path() / "spez100sql.txt")
            << "drop table per_plot\ngo\ncreate table per_plot as\n select #fl_id as fl, '#fl_id' as other\ngo\n"
            << "insert into r_log select #fl_id\ngo\n";
        std::ofstream(dir.path() / "user.r") << "x <- dbGetQuery(ch, \"select * from per_plot\")\n";
        vt::eval::write_r_script(dir.file("x.db"), dir.path().string(), dir.file("user.r"));
        settings.folder = dir.path().string();
        settings.rResult = "result.txt";
    }

    vt::test::TempDir dir;
    std::unique_ptr<vt::db::Connection> db;
    vt::eval::ScriptEvaluationSettings settings;
};

TEST_F(ScriptEvaluation, RScriptConnectsThroughRSQLite)
{
    const std::string r = read_file(dir.path() / "spez100.r");
    EXPECT_EQ(r, "library(RSQLite)\n ch<-dbConnect(RSQLite::SQLite(), \"" + dir.file("x.db") +
                     "\")\nx <- dbGetQuery(ch, \"select * from per_plot\")\n");
}

TEST_F(ScriptEvaluation, RunsCompanionSqlAndRscriptForEveryPlotWithResults)
{
    settings.rCall = fake_r(dir.path(), "Rscript").string();
    EXPECT_EQ(vt::eval::run_script_evaluation(*db, settings), 2);
    EXPECT_EQ(db->scalar("SELECT Count(*) FROM r_log").toInt(), 2);
    EXPECT_EQ(db->scalar("SELECT fl FROM per_plot").toInt(), 7);
    EXPECT_EQ(db->scalar("SELECT other FROM per_plot").toString(), "#fl_id");  // first occurrence only
    EXPECT_TRUE(db->tableExists("data4r"));
    const std::string script = (dir.path() / "spez100.r").string();
    EXPECT_EQ(read_file(dir.path() / "calls.txt"), "cwd=" + dir.path().string() + "\nargs=" + script + "\n" +
                                                        "cwd=" + dir.path().string() + "\nargs=" + script + "\n");
    EXPECT_EQ(read_file(dir.path() / "result.txt"), "done\n");
}

TEST_F(ScriptEvaluation, OtherRProgramsRunInBatchMode)
{
    settings.rCall = fake_r(dir.path(), "R").string();
    EXPECT_EQ(vt::eval::evaluate_plot_by_script(*db, 4, settings), ScriptOutcome::Done);
    EXPECT_EQ(read_file(dir.path() / "calls.txt"), "cwd=" + dir.path().string() + "\nargs=CMD BATCH --slave " +
                                                        dir.file("spez100.r") + " " + dir.file("result.txt") + "\n");
}

TEST_F(ScriptEvaluation, MissingScriptOrProgramIsReported)
{
    std::vector<std::string> messages;
    vt::engine::RunHooks hooks;
    hooks.message = [&](const std::string& caption, const std::string& text) { messages.push_back(caption + "|" + text); };

    settings.rCall = dir.file("no-such-R");
    EXPECT_EQ(vt::eval::run_script_evaluation(*db, settings, hooks), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("could not be started"), std::string::npos);

    messages.clear();
    settings.rScript = "missing.r";
    EXPECT_EQ(vt::eval::evaluate_plot_by_script(*db, 4, settings, hooks), ScriptOutcome::ScriptMissing);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], dir.file("missing.r") + "|file for R script not found");
}

TEST_F(ScriptEvaluation, FailingStatementWithoutDropEndsThePlot)
{
    std::ofstream(dir.path() / "spez100sql.txt") << "select * from no_such_table\ngo\n";
    EXPECT_THROW(vt::eval::run_companion_sql(*db, dir.file("spez100sql.txt"), 4), vt::db::DbError);
}

} // namespace
