#include "db/connection.h"
#include "support/eval_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using vt::test::run_cli;

namespace {

class EvalCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = dir.file("exp.db");
        vt::db::Connection c(db, vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::Transaction tx(c);
        vt::test::create_eval_tables(c);
        vt::test::add_plot(c, 1);
        for (int i = 1; i <= 6; ++i) {
            vt::test::add_simulated_year(c, 1, 2000 + i, i, 10 + 0.1 * i, 1.0, 300);
            vt::test::add_observation(c, 1, 7, 2000 + i, i, 10 + 0.1 * i + (i % 2 ? 0.2 : -0.1));
        }
        tx.commit();
    }

    vt::test::TempDir dir;
    std::string db;
};

TEST_F(EvalCli, EvaluatePrintsTheReportOfEachProperty)
{
    const auto r = run_cli({"evaluate", "--db", db, "--plot", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("== C-dynamics\n N         =6\n mean error="), std::string::npos) << r.out;
    // Differences of 0.2 and -0.1 in turn: the mean error is 0.05, written so, without the
    // rounding noise of the decimal fractions.
    EXPECT_NE(r.out.find(" mean error=0.05\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("== N-dynamics (page not shown)\n  fewer than two pairs"), std::string::npos) << r.out;
    const auto late = run_cli({"evaluate", "--db", db, "--plot", "1", "--phase", "late"});
    EXPECT_NE(late.out.find(" N         =3\n"), std::string::npos) << late.out;
}

TEST_F(EvalCli, StatsAndOutliersReportWhatTheyDid)
{
    const auto s = run_cli({"stats", "--db", db, "--phase", "early"});
    ASSERT_EQ(s.code, 0) << s.err;
    EXPECT_EQ(s.out, "statistics (early years) of 1 plots stored in rux_stat_corg and rux_stat_nt\n");
    const auto o = run_cli({"outliers", "--db", db});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out.rfind("outlier indication: 1 groups tested, 0 observations flagged", 0), 0u) << o.out;
}

TEST_F(EvalCli, ExportWritesTheChosenFormat)
{
    const auto x = run_cli({"export", "--db", db, "--table", "measurements", "--xlsx", dir.file("m.xlsx")});
    ASSERT_EQ(x.code, 0) << x.err;
    EXPECT_TRUE(std::filesystem::file_size(dir.file("m.xlsx")) > 0);
    const auto t = run_cli({"export", "--db", db, "--query", "SELECT FL_ID, year_ FROM sim_result WHERE year_num=1",
                            "--csv", dir.file("q.txt")});
    ASSERT_EQ(t.code, 0) << t.err;
    EXPECT_EQ(t.out, "wrote 1 rows to " + dir.file("q.txt") + "\n");
}

TEST_F(EvalCli, RScriptRunsTheUsersScriptsThroughTheGivenProgram)
{
    setenv("VELTRANO_CONFIG", dir.file("rux.ini").c_str(), 1);
    std::ofstream(dir.path() / "user.r") << "print(1)\n";
    // "#fl_id" is replaced once per line; a second one would stay, and is no date literal.
    std::ofstream(dir.path() / "user.sql") << "create table r_in_#fl_id as\nselect #fl_id as fl\ngo\n";
    const auto fake = dir.path() / "fakeR";
    std::ofstream(fake) << "#!/bin/sh\necho \"$*\" >> calls.txt\n";
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);

    const auto r = run_cli({"rscript", "--db", db, "--r", dir.file("user.r"), "--sql", dir.file("user.sql"),
                            "--r-call", fake.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "R script evaluated for 1 plots\n");
    EXPECT_TRUE(vt::db::Connection(db).tableExists("r_in_1"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "calls.txt"));

    const auto missing = run_cli({"rscript", "--db", db, "--r", dir.file("user.r"), "--r-call", dir.file("no-R")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("could not be started"), std::string::npos) << missing.err;
    unsetenv("VELTRANO_CONFIG");
}

TEST_F(EvalCli, BadInputEndsWithAMessage)
{
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"evaluate", "--db", db, "--plot", "99"}, 2, "unknown plot 99"},
        {{"evaluate", "--db", db, "--plot", "1", "--phase", "middle"}, 2, "--phase must be all, early or late"},
        {{"evaluate", "--db", dir.file("none.db"), "--plot", "1"}, 2, "database not found: "},
        {{"nbalance", "--db", db, "--years", "2000-2010"}, 2, "--years expects FROM:TO"},
        {{"nbalance", "--db", db, "--years", "2010:2000"}, 2, "--years expects FROM:TO"},
        {{"nbalance", "--db", db, "--fert", "a:b"}, 2, "--fert expects FROM:TO"},
        {{"nbalance", "--db", db, "--plot", "1; drop table sim_result"}, 2, "--plot expects a plot number or *"},
        {{"nbalance", "--db", db, "--plot", "99"}, 2, "unknown plot 99"},
        {{"export", "--db", db, "--table", "no_such"}, 2, "export needs --xlsx or --csv"},
        {{"export", "--db", db, "--table", "no_such", "--csv", dir.file("a.txt")}, 2, "no table no_such"},
        {{"export", "--db", db, "--query", "DELETE FROM sim_result", "--csv", dir.file("a.txt")}, 1, "readonly"},
        {{"export", "--db", db, "--table", "sim_result", "--xlsx", dir.file("nope/a.xlsx")}, 1, "does not exist"},
    };
    for (const auto& k : cases) {
        const auto r = run_cli(k.args);
        EXPECT_EQ(r.code, k.code) << k.args[0] << " " << k.message << ": " << r.err;
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
    }
    vt::db::Connection c(db);
    EXPECT_EQ(c.scalar("SELECT Count(*) FROM sim_result").toInt(), 6);
}

} // namespace
