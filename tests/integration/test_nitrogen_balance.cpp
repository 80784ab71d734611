#include "eval/n_deposition.h"
#include "eval/nitrogen_balance.h"
#include "support/eval_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using vt::db::Connection;

namespace {

// Plot 1 records three years of management (2001-2003) repeated three times ("19903"),
// so its results run over twelve years; plot 2 has its three years once and no
// fertiliser.
std::unique_ptr<Connection> repeated_plot()
{
    auto c = Connection::memory();
    vt::test::create_eval_tables(*c);
    c->executeScript(R"(
INSERT INTO gldpflan (ITEM_IX, NAME, HI, N_Gehalt, CEWR, FEWR, kop_ix, nsaat_ix, leg_ix) VALUES (1, 'Weizen', 0.8, 2, 5, 0.1, 0, 1, 0);
INSERT INTO n_saat_input VALUES (1, 100, 2);
INSERT INTO climate_station VALUES (1, 'Station', 0, 0, 0, 0);
INSERT INTO reg_ndeposit VALUES (1, 0, 20);
)");
    for (long long plot : {1LL, 2LL}) {
        vt::test::add_plot(*c, plot, "obsval", plot == 1 ? "19903" : "0");
        vt::test::add_observation(*c, plot, 7, 2000, 0, 12);
        for (int y = 2001; y <= 2003; ++y)
            c->execute("INSERT INTO cultivation (FL_ID, [year], Macode, Item_IX, Quantity, Sim_Quantity) "
                       "VALUES (?, ?, 2, 1, 50, 50)", {plot, y});
        for (int y = 2001; y <= (plot == 1 ? 2012 : 2003); ++y) vt::test::add_simulated_year(*c, plot, y, y - 2000, 10);
    }
    c->execute("INSERT INTO cultivation (FL_ID, [year], Macode, Item_IX, Quantity) VALUES (1, 2001, 4, 0, 100)");
    return c;
}

long long count(Connection& c, const std::string& where)
{
    return c.scalar("SELECT Count(*) FROM rux_n_bilanz WHERE " + where).toInt();
}

TEST(NitrogenBalance, RepetitionCountOfRepCnt)
{
    struct Case { const char* text; int r; };
    for (const Case k : {Case{"0", 0}, Case{"19903", 3}, Case{"2", 2}, Case{"", 0}, Case{" 12 ", 12}, Case{"x", 0}})
        EXPECT_EQ(vt::eval::repetitions_of(k.text), k.r) << k.text;
}

TEST(NitrogenBalance, SinglePlotCountsRepeatedYearsFourTimes)
{
    auto c = repeated_plot();
    vt::test::TempDir dir;
    vt::eval::NBalanceOptions o;
    o.plot = 1;
    o.diagnosticsFolder = dir.path().string();
    vt::eval::nitrogen_balance(*c, o);

    EXPECT_EQ(count(*c, "1=1"), 12);
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM nbil_n_dng").toInt(), 4);
    EXPECT_EQ(count(*c, "n_dng = 100"), 4);
    EXPECT_EQ(count(*c, "n_dng = 100 AND [year] IN (2001, 2004, 2007, 2010)"), 4);
    EXPECT_EQ(count(*c, "n_entz = 100 AND N_EWR = 10 AND N_SAAT = 2"), 12);
    EXPECT_EQ(count(*c, "asym_nbind = 5"), 4);
    EXPECT_EQ(count(*c, "asym_nbind = 10"), 8);
    EXPECT_EQ(count(*c, "n_deposition = 20"), 12);
    // A single plot: one nmin_saldo row per year.
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM nmin_saldo").toInt(), 12);
    EXPECT_DOUBLE_EQ(c->scalar("SELECT n_pflanze_out FROM nmin_saldo WHERE [year]=2004").toDouble(), 110);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "testsql.sql"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "testnbilorgdb.sql"));
}

// A parameter table imported with whole-number columns still divides as real numbers:
// 150 kg seed at 1 % N bring 1.5 kg N, rounded to 2 (not 150*1/100 = 1).
TEST(NitrogenBalance, WholeNumberColumnsDivideAsRealNumbers)
{
    auto c = repeated_plot();
    c->executeScript(R"(
DROP TABLE n_saat_input;
CREATE TABLE n_saat_input (nsaat_ix int, menge int, n_gehalt int);
INSERT INTO n_saat_input VALUES (1, 150, 1);
)");
    vt::test::TempDir dir;
    vt::eval::NBalanceOptions o;
    o.plot = 2;
    o.diagnosticsFolder = dir.path().string();
    vt::eval::nitrogen_balance(*c, o);
    EXPECT_EQ(count(*c, "N_SAAT = 2"), 3);
    EXPECT_DOUBLE_EQ(c->scalar("SELECT n_saat FROM nbil_n_saat WHERE [year]=2002").toDouble(), 1.5);
}

TEST(NitrogenBalance, ObservedUptakeReplacesOnlyObservedYears)
{
    auto c = repeated_plot();
    vt::test::add_observation(*c, 1, 20, 2002, 2, 77);
    vt::test::TempDir dir;
    vt::eval::NBalanceOptions o;
    o.plot = 1;
    o.observedUptake = true;
    o.diagnosticsFolder = dir.path().string();
    vt::eval::nitrogen_balance(*c, o);
    EXPECT_EQ(c->scalar("SELECT n_entz FROM rux_n_bilanz WHERE [year]=2002").toDouble(), 77);
    EXPECT_EQ(count(*c, "n_entz = 100"), 11);
}

TEST(NitrogenBalance, AllPlotsKeepTheYearAndFertiliserLimits)
{
    auto c = repeated_plot();
    vt::test::TempDir dir;
    vt::eval::NBalanceOptions o;
    o.diagnosticsFolder = dir.path().string();
    vt::eval::nitrogen_balance(*c, o);
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM nmin_saldo").toInt(), 2);
    EXPECT_EQ(c->scalar("SELECT anz FROM nmin_saldo WHERE FL_ID=1").toInt(), 12);
    // avg(n_dng) of plot 1 is 400/12 = 33.33, kept as 33.3
    EXPECT_DOUBLE_EQ(c->scalar("SELECT n_mindg_inp FROM nmin_saldo WHERE FL_ID=1").toDouble(), 33.3);

    o.limits.yearFrom = 2001;
    o.limits.yearTo = 2003;
    o.limits.fertFrom = 10;
    vt::eval::nitrogen_balance(*c, o);
    auto cur = c->query("SELECT FL_ID, anz FROM nmin_saldo");
    ASSERT_EQ(cur.rowCount(), 1);
    EXPECT_EQ(cur.getInt("FL_ID"), 1);
    EXPECT_EQ(cur.getInt("anz"), 3);
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM NT_saldo").toInt(), 1);
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM rux_nsaldo").toInt(), 1);
}

} // namespace

namespace {

TEST(NitrogenDeposition, StationCourseThenRegionalValues)
{
    auto c = Connection::memory();
    vt::test::create_eval_tables(*c);
    c->executeScript(R"(
INSERT INTO climate_station VALUES (1, 'A', 2000, 2010, 30, 20);
INSERT INTO climate_station VALUES (2, 'B', 0, 0, 0, 0);
INSERT INTO reg_ndeposit VALUES (1, 0, 15), (1, 2011, 18);
)");
    for (long long plot : {1LL, 2LL}) {
        vt::test::add_plot(*c, plot, "obsval", "0", plot);
        vt::test::add_observation(*c, plot, 7, 1998, 0, 12);
        c->execute("INSERT INTO cultivation (FL_ID, [year], Macode) VALUES (?, 2012, 2)", {plot});
    }
    vt::eval::prepare_deposition(*c);
    auto dep = [&](long long station, int year) {
        return c->scalar("SELECT N_dep_y FROM tmp_ndeposit WHERE climate_id=? AND [year]=?", {station, year}).toDouble();
    };
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM tmp_ndeposit").toInt(), 2 * 15);
    struct Case { int year; double value; };
    for (const Case k : {Case{1998, 30}, Case{2000, 30}, Case{2005, 25}, Case{2010, 20}, Case{2011, 18}, Case{2012, 15}})
        EXPECT_DOUBLE_EQ(dep(1, k.year), k.value) << k.year;
    EXPECT_DOUBLE_EQ(dep(2, 2005), -99.9);
}

} // namespace
