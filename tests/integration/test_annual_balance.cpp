#include "engine/balance/annual_balance.h"
#include "support/balance_fixture.h"
#include "support/temp_dir.h"

#include "engine/soil/soil_physics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

using namespace vt::engine;
using vt::test::Addition;
using vt::test::BalanceFixture;
using vt::test::PlotSpec;

namespace {

std::vector<int> years(int from, int to)
{
    std::vector<int> y;
    for (int i = from; i <= to; ++i) y.push_back(i);
    return y;
}

struct BalanceRun {
    BalanceFixture fx;
    vt::test::TempDir dir;
    RunConfig cfg;
    BalanceRun() : cfg(fx.config(dir.path().string())) {}
    RunResult go()
    {
        const RunHooks h = fx.hooks();
        return run_annual_balance(fx.db(), cfg, h);
    }
    double scalar(const std::string& sql) { return fx.db().scalar(sql).toDouble(); }
    bool reportWritten() const { return std::filesystem::exists(dir.path() / kReportFile); }
};

PlotSpec rich_plot(long long id)
{
    PlotSpec p;
    p.id = id;
    p.years = years(1991, 2010);
    p.corg = 1.1 + 0.1 * static_cast<double>(id);
    p.norg = 0.12;
    for (int y = 1991; y <= 2010; ++y) {
        p.additions.push_back({y, 1800, 0.004, 0.25, 60, 45, 100});
        if (y % 3 == 0) p.additions.push_back({y, 2500, 0.01, 0.35, 12, 10, 200, 100, 1});
    }
    return p;
}

// Previous total + carbon added = new total + carbon mineralised, every plot-year.
void expect_balance_closes(BalanceRun& r, long long id, double initialStock)
{
    double prev = initialStock;
    for (auto cur = r.fx.db().query("select n.c_som, n.c_ops, n.c_imp_fom, n.c_m_tot from rux_nresult n where "
                                    "n.fl_id=? order by n.year_num", {id});
         !cur.eof(); cur.next()) {
        const double now = cur.getDouble("c_som") + cur.getDouble("c_ops");
        EXPECT_NEAR(prev + cur.getDouble("c_imp_fom"), now + cur.getDouble("c_m_tot"), 0.001) << "plot " << id;
        prev = now;
    }
}

TEST(AnnualBalance, CarbonBalanceClosesWithDynamicOptions)
{
    for (int hassink : {0, 1}) {
        BalanceRun r;
        for (long long id = 1; id <= 3; ++id) r.fx.addPlot(rich_plot(id));
        r.cfg.dyn_bd = r.cfg.dyn_lts = true;
        r.cfg.hassink = hassink;
        const RunResult res = r.go();
        ASSERT_EQ(res.outcome, RunOutcome::Finished) << res.message;
        EXPECT_EQ(res.plots, 3);
        EXPECT_EQ(res.plotYears, 60);
        EXPECT_FALSE(r.fx.logHas("error in carbon balance"));
        // The dynamic bulk density starts at the density of the initial content.
        for (long long id = 1; id <= 3; ++id) {
            const double corg = 1.1 + 0.1 * static_cast<double>(id);
            expect_balance_closes(r, id, corg * vt::engine::bulk_density(corg, PlotSpec{}.clay) * 30000);
        }
        // Dynamic bulk density moves; no NaN or infinity anywhere.
        EXPECT_NE(r.fx.nresult(1, "bd").back(), r.fx.nresult(1, "bd").front());
        EXPECT_EQ(r.scalar("select count(*) from rux_nresult where not (a_age+s_age+l_age+c_som+n_som+pwp+bd "
                           "between -1e12 and 1e12)"), 0);
        // Mean ages are carbon-weighted means of the sources' ages, one year older each
        // year: none can outgrow the oldest start age plus the years simulated.
        EXPECT_LE(r.scalar("select max(max(a_age, s_age, l_age)) from rux_nresult"), 5500 + 20);
        EXPECT_GT(r.scalar("select min(min(a_age, s_age, l_age)) from rux_nresult"), 1);
        EXPECT_TRUE(r.reportWritten());
    }
}

// Without input the decomposable carbon decays as the two-pool system says:
// dA = -(km+ks) A + ka S, dS = ks A - ka S, starting at the steady-state ratio.
TEST(AnnualBalance, PlotWithoutInputDecaysAsTheRateConstantsSay)
{
    BalanceRun r;
    PlotSpec p;
    p.years = years(2001, 2010);
    p.cif = 0.5;
    p.corg = 1.0;
    p.bat = 40;
    r.fx.addPlot(p);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);

    const ModelConstants k;
    const double dec0 = 0.5 * 1.4 * 30000, lts = 0.5 * 1.4 * 30000;
    const double a = -(k.km + k.ks), b = k.ka, c = k.ks, d = -k.ka;
    const double tr = a + d, det = a * d - b * c, disc = std::sqrt(tr * tr / 4 - det);
    const double l1 = tr / 2 + disc, l2 = tr / 2 - disc;
    const double A0 = dec0 * k.ka / (k.ka + k.ks), S0 = dec0 - A0;
    // A(t) = c1 e^{l1 t} + c2 e^{l2 t}; S = (A' - a A) / b.
    const double c1 = ((a - l2) * A0 + b * S0) / (l1 - l2), c2 = A0 - c1;
    const auto som = r.fx.nresult(1, "c_som");
    ASSERT_EQ(som.size(), 10u);
    for (size_t y = 0; y < som.size(); ++y) {
        const double t = 40.0 * static_cast<double>(y + 1);
        const double A = c1 * std::exp(l1 * t) + c2 * std::exp(l2 * t);
        const double S = (c1 * (l1 - a) * std::exp(l1 * t) + c2 * (l2 - a) * std::exp(l2 * t)) / b;
        EXPECT_NEAR(som[y], A + S + lts, 1e-4 * (A + S)) << "year " << y + 1;
    }
}

TEST(AnnualBalance, DecomposableShareIsCappedAtTwoPercent)
{
    BalanceRun r;
    PlotSpec p;
    p.corg = 3.0;
    p.cif = 0;
    r.fx.addPlot(p);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_NEAR(r.fx.nresult(1, "c_lts").front(), 1.0 * 1.4 * 30000, 1e-6);
    EXPECT_TRUE(r.fx.logHas("protected C =42000 kg/ha"));
    EXPECT_EQ(r.scalar("select count(*) from rux_protokoll"), 0);  // the protocol is off
}

TEST(AnnualBalance, HassinkKeepsTheStablePoolBelowItsCap)
{
    BalanceRun r;
    PlotSpec p = rich_plot(1);
    p.cif = 0.9;
    p.max_lts = 0.4;
    for (auto& a : p.additions) a.cops *= 4;
    r.fx.addPlot(p);
    r.cfg.dyn_lts = true;
    r.cfg.hassink = 1;
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    const auto lts = r.fx.nresult(1, "c_lts"), bd = r.fx.nresult(1, "bd");
    for (size_t i = 0; i < lts.size(); ++i) {
        EXPECT_LE(lts[i], bd[i] * 0.4 * 30000 + 1e-6);
        EXPECT_GE(lts[i], 0);
    }
}

// A first year without BAT still splits the initial carbon: nothing is lost.
TEST(AnnualBalance, FirstYearWithoutBatKeepsTheCarbon)
{
    BalanceRun r;
    PlotSpec p;
    p.bat = 0;
    r.fx.addPlot(p);
    r.cfg.dyn_lts = true;
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_NEAR(r.fx.nresult(1, "c_som").front(), 1.2 * 1.4 * 30000, 1e-6);
    EXPECT_GT(r.fx.nresult(1, "haeq").front(), 0);
    EXPECT_FALSE(r.fx.logHas("error in carbon balance"));
}

TEST(AnnualBalance, YearsWithoutAdditionsRepeatTheLastOnes)
{
    BalanceRun r;
    PlotSpec p;
    p.years = years(2000, 2004);
    p.additions = {{2001, 1000}, {2003, 400}};
    r.fx.addPlot(p);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_EQ(r.fx.nresult(1, "c_imp_fom"), (std::vector<double>{0, 1000, 1000, 400, 400}));
}

TEST(AnnualBalance, GapsAreFilledYearByYear)
{
    BalanceRun r;
    PlotSpec p;
    p.years = {2001, 2004, 2005};
    p.additions = {{2001, 1000}};
    r.fx.addPlot(p);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_EQ(r.fx.nresult(1, "[year]"), (std::vector<double>{2001, 2002, 2003, 2004, 2005}));
    EXPECT_EQ(r.fx.nresult(1, "year_num"), (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(r.fx.nresult(1, "c_imp_fom"), (std::vector<double>{1000, 1000, 1000, 1000, 1000}));
}

TEST(AnnualBalance, NitrogenFlushSparesItemsAbove9997)
{
    BalanceRun r;
    PlotSpec p;
    p.years = {2001};
    p.additions = {{2001, 1000, 0.01, 0.3, 40, 20, 100, 50}, {2001, 1000, 0.01, 0.3, 40, 20, 9998}};
    r.fx.addPlot(p);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_NEAR(r.fx.nresult(1, "n_flush").front(), 0.5 * 1000 * (1.0 / 20 - 1.0 / 40), 1e-9);
    EXPECT_NEAR(r.fx.nresult(1, "c_imp_fom").front(), 1500, 1e-9);
}

TEST(AnnualBalance, RepeatedYearIsAMissedHarvestAndOtherPlotsRunOn)
{
    BalanceRun r;
    PlotSpec p;
    p.years = years(2001, 2004);
    r.fx.addPlot(p);
    r.fx.db().execute("insert into Crep_year values (1, 2002, 1, 1, 2003, -99, -99)");
    PlotSpec q;
    q.id = 2;
    r.fx.addPlot(q);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_TRUE(r.fx.logHas("fl_id1: 2003:missed harvest"));
    EXPECT_EQ(r.fx.nresult(1, "year_num").size(), 2u);
    EXPECT_EQ(r.fx.nresult(2, "year_num").size(), 3u);
}

TEST(AnnualBalance, InvalidPlotsAreSkippedWithTheirMessages)
{
    BalanceRun r;
    PlotSpec noInit;
    noInit.id = 1;
    noInit.corg = -99;
    PlotSpec noSoil;
    noSoil.id = 2;
    noSoil.bd = 0;
    PlotSpec fine;
    fine.id = 3;
    PlotSpec noState;
    noState.id = 4;
    noState.icon = "omstat";
    for (const PlotSpec& p : {noInit, noSoil, fine, noState}) r.fx.addPlot(p);
    std::vector<std::string> errorRows;
    RunHooks h = r.fx.hooks();
    h.errorRows = [&](const std::vector<std::string>& rows) { errorRows.insert(errorRows.end(), rows.begin(), rows.end()); };
    const RunResult res = run_annual_balance(r.fx.db(), r.cfg, h);
    ASSERT_EQ(res.outcome, RunOutcome::Finished);
    EXPECT_TRUE(r.fx.logHas("missing data for FL_ID1"));
    EXPECT_TRUE(r.fx.logHas("missing data for FL_ID2"));
    EXPECT_TRUE(r.fx.messageHas("missing data for FL_ID2"));
    EXPECT_EQ(errorRows.size(), 6u);
    EXPECT_TRUE(r.fx.logHas(" no proper initial conditions found (FL_ID 4, i_con omstat); plot skipped"));
    EXPECT_TRUE(r.fx.nresult(1, "c_som").empty());
    EXPECT_TRUE(r.fx.nresult(2, "c_som").empty());
    // The plot without its stored state is not simulated either; each skipped plot is named
    // with its reason.
    EXPECT_FALSE(r.fx.nresult(3, "c_som").empty());
    EXPECT_TRUE(r.fx.nresult(4, "c_som").empty());
    EXPECT_EQ(res.plots, 1);
    EXPECT_EQ(res.skipped, 3);
    ASSERT_EQ(res.skippedPlots.size(), 3u);
    EXPECT_EQ(res.skippedPlots[0].plot, 1);
    EXPECT_NE(res.skippedPlots[0].reason.find("missing data"), std::string::npos);
    EXPECT_EQ(res.skippedPlots[2].plot, 4);
    EXPECT_NE(res.skippedPlots[2].reason.find("initialisation error"), std::string::npos);
    EXPECT_TRUE(r.fx.logHas("  plot 4: initialisation error: no proper initial conditions found (i_con \"omstat\" "
                            "names no stored state of year 0)"));
}

TEST(AnnualBalance, StoredStatesStartOtherPlots)
{
    BalanceRun r;
    PlotSpec first = rich_plot(1);
    first.years = years(1991, 2000);
    r.fx.addPlot(first);
    PlotSpec next = rich_plot(2);
    next.years = years(2001, 2005);
    next.icon = "1";
    r.fx.addPlot(next);
    r.cfg.scenario_ctrl = 2;
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_EQ(r.scalar("select count(*) from som_state"), 15);
    EXPECT_FALSE(r.fx.logHas(" no proper initial conditions found "));
    // Plot 2 continues from plot 1's state of 2000: its first year starts from that total.
    const double stored = r.scalar("select c_am+c_sm+c_lts from som_state where fl_id=1 and yr=2000") +
                          r.scalar("select sum(fom_c) from fom_state where fl_id=1 and yr=2000");
    expect_balance_closes(r, 2, stored);
    EXPECT_EQ(r.scalar("select count(*) from fom_state where fl_id=1 and yr=2000 and fom_ix=200"), 1);

    // Only the last year of the last plot with "finally".
    BalanceRun once;
    once.fx.addPlot(rich_plot(1));
    once.fx.addPlot(rich_plot(2));
    once.cfg.scenario_ctrl = 1;
    ASSERT_EQ(once.go().outcome, RunOutcome::Finished);
    EXPECT_EQ(once.scalar("select count(*) from som_state"), 1);
    EXPECT_EQ(once.scalar("select fl_id*10000+yr from som_state"), 2 * 10000 + 2010);
}

// The plot in hand is rolled back: it keeps whatever it held before the run.
TEST(AnnualBalance, StopRunEndsAfterTheYearWithoutReport)
{
    BalanceRun r;
    r.fx.addPlot(rich_plot(1));
    r.fx.addPlot(rich_plot(2));
    std::atomic<bool> stop{true};  // ticked before the first year ends
    RunHooks h = r.fx.hooks();
    h.stop = &stop;
    const RunResult res = run_annual_balance(r.fx.db(), r.cfg, h);
    EXPECT_EQ(res.outcome, RunOutcome::Stopped);
    EXPECT_EQ(r.scalar("select count(*) from rux_nresult"), 0);
    EXPECT_FALSE(r.reportWritten());
}

TEST(AnnualBalance, SummaryProtocolAndReport)
{
    BalanceRun r;
    PlotSpec p;
    p.years = years(2001, 2010);
    p.observations = {{3, 1.0}, {5, 1.9}, {10, 1.15}};
    r.fx.addPlot(p);
    r.fx.db().execute("insert into tmp_outlist values (1, 7, 1005)");  // the outlier of year 5
    r.cfg.sim_prot = true;
    {
        std::ofstream script(r.dir.file("post.sql"));
        script << "insert into rux_driver (fl_id) values (42)\n";
    }
    r.cfg.pst_processing = true;
    r.cfg.pst_proc_query = r.dir.file("post.sql");
    const RunResult res = r.go();
    ASSERT_EQ(res.outcome, RunOutcome::Finished);
    EXPECT_EQ(res.pairs, 2);
    long long total = 0;
    for (long long n : res.histogram) total += n;
    EXPECT_EQ(total, 2);
    EXPECT_TRUE(r.fx.logHas(" N=2"));
    EXPECT_EQ(r.scalar("select N_ from rux_protokoll"), 2);
    EXPECT_EQ(r.scalar("select count(*) from rux_protokoll where S is not null and fl_id=1"), 1);
    EXPECT_EQ(r.scalar("select fl_id from rux_driver"), 42);  // the post-processing script ran

    std::ifstream report(r.dir.path() / kReportFile);
    std::string line, last;
    size_t count = 0;
    while (std::getline(report, line)) ++count, last = line;
    EXPECT_EQ(count, r.fx.lines.size());
    EXPECT_EQ(last.rfind("job finished: ", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(r.dir.path() / kCheckInitFile));
}

TEST(AnnualBalance, SameInputGivesBitIdenticalResults)
{
    BalanceRun r;
    r.fx.addPlot(rich_plot(1));
    r.cfg.dyn_bd = r.cfg.dyn_lts = true;
    r.cfg.hassink = 1;
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    auto dump = [&] {
        std::vector<double> v;
        for (auto c = r.fx.db().query("select * from rux_nresult order by year_num"); !c.eof(); c.next())
            for (int i = 0; i < c.fieldCount(); ++i) v.push_back(c.field(i).toDouble());
        return v;
    };
    const auto first = dump();
    r.fx.db().execute("delete from rux_nresult");
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_EQ(first, dump());
    EXPECT_EQ(r.scalar("select count(*) from rux_zbv"), 40);  // rux_zbv keeps earlier runs' rows
}

TEST(AnnualBalance, InitialObservationBeforeFirstCropCancels)
{
    BalanceRun r;
    r.fx.addPlot(PlotSpec{});
    r.fx.db().execute("update measurements set [year]=1995 where year_number=0");
    r.fx.db().execute("delete from cultivation where [year]<2003");
    const RunResult res = r.go();
    EXPECT_EQ(res.outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(r.fx.messageHas(" Error in initialisation; use rux_check_init.sql "));
    EXPECT_EQ(r.scalar("select count(*) from rux_nresult"), 0);
}

TEST(AnnualBalance, IncompleteZbvIsRecreatedOnlyWhenConfirmed)
{
    for (bool yes : {false, true}) {
        BalanceRun r;
        r.fx.addPlot(PlotSpec{});
        r.fx.db().execute("drop table rux_zbv");
        r.fx.db().execute("create table rux_zbv (fl_id int, year_ int)");
        RunHooks h = r.fx.hooks();
        h.ask = [&](const std::string& caption, const std::string&) { return caption == "new version detected" && yes; };
        const RunResult res = run_annual_balance(r.fx.db(), r.cfg, h);
        EXPECT_EQ(res.outcome, yes ? RunOutcome::Finished : RunOutcome::Cancelled);
        EXPECT_EQ(r.fx.db().columnExists("rux_zbv", "int_A_ttl"), yes);
    }
}

TEST(AnnualBalance, HumusBalanceWritesItsYearlySaldo)
{
    BalanceRun r;
    r.fx.addPlot(PlotSpec{});
    r.fx.db().execute("insert into hubi_c_bilanz values (1, 2000, 1.2, 0, 0), (1, 2001, -99, -300, 200), "
                      "(1, 2003, -99, 150, 0)");
    r.cfg.methode = "HUBAHE";
    const RunResult res = r.go();
    ASSERT_EQ(res.outcome, RunOutcome::Finished) << res.message;
    EXPECT_EQ(r.scalar("select count(*) from huba_fin_res"), 3);
    EXPECT_EQ(r.fx.nresult(1, "c_rep"), (std::vector<double>{0, -100, 0, 150}));
    EXPECT_EQ(r.fx.nresult(1, "c_som"), (std::vector<double>{-99, -99, -99, -99}));
    EXPECT_EQ(r.scalar("select count(*) from sim_result"), 0);

    r.cfg.methode = "LUFA";
    EXPECT_EQ(r.go().outcome, RunOutcome::Failed);
}

} // namespace

namespace {

// Fresh organic matter counted partly as soil carbon (opstab.pop) is counted once in the
// carbon balance.
TEST(AnnualBalance, SoilShareOfFreshMatterKeepsTheBalance)
{
    BalanceRun r;
    r.fx.addPlot(rich_plot(1));
    r.fx.db().execute("alter table opstab add pop double");
    r.fx.db().execute("update opstab set pop=0.5");
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_FALSE(r.fx.logHas("error in carbon balance"));
    const auto som = r.fx.nresult(1, "c_som"), ops = r.fx.nresult(1, "c_ops");
    const auto zbvLts = r.fx.nresult(1, "c_lts");
    EXPECT_GT(som.back(), 0.5 * ops.back() + zbvLts.back());
}

} // namespace

namespace {

TEST(AnnualBalance, CyclesRepeatTheSequenceFromItsFirstYear)
{
    BalanceRun r;
    PlotSpec p;
    p.years = years(2001, 2003);
    p.additions = {{2001, 100}, {2002, 200}, {2003, 300}};
    r.fx.addPlot(p);
    r.cfg.z_cnt = 2;
    r.cfg.z_anf = 2002;
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_EQ(r.fx.nresult(1, "[year]"), (std::vector<double>{2001, 2002, 2003, 2004, 2005, 2006, 2007}));
    EXPECT_EQ(r.fx.nresult(1, "year_num"), (std::vector<double>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(r.fx.nresult(1, "c_imp_fom"), (std::vector<double>{100, 200, 300, 200, 300, 200, 300}));
    EXPECT_FALSE(r.fx.logHas("error in carbon balance"));

    r.cfg.z_anf = 1999;
    EXPECT_EQ(r.go().outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(r.fx.messageHas("loopback not possible"));
}

TEST(AnnualBalance, SensitivityRunScalesTheBulkDensity)
{
    BalanceRun r;
    r.fx.addPlot(PlotSpec{});
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    const double plain = r.fx.nresult(1, "c_som").front();
    r.fx.db().execute("delete from rux_nresult");
    r.fx.db().execute("update rux_var_fac set F_BD=1.1");
    r.cfg.uncas_mode = true;
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_NEAR(r.fx.nresult(1, "c_som").front() / plain, 1.1, 0.01);
}

} // namespace

namespace {

// A browser run of a plot of kind "null": only the fresh organic matter turns over.
TEST(AnnualBalance, AccumulationModeTurnsOverFreshMatterOnly)
{
    BalanceRun r;
    PlotSpec p;
    p.additions = {{2001, 1000}};
    r.fx.addPlot(p);
    r.fx.db().execute("delete from climate_station");  // the plot is missing from the plot list
    r.cfg.modus = "ACC";
    r.cfg.rux_icon = "null";
    r.cfg.dyn_lts = r.cfg.dyn_bd = true;  // off outside the normal mode
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_TRUE(r.fx.logHas("FL_ID not found =>1"));
    EXPECT_EQ(r.fx.nresult(1, "c_m_fom"), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(r.fx.nresult(1, "c_lts"), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(r.fx.nresult(1, "c_som"), (std::vector<double>{-99, -99, -99}));
    const auto ops = r.fx.nresult(1, "c_ops");
    EXPECT_LT(ops[0], 1000);  // part of the addition decomposed
    EXPECT_GT(r.fx.nresult(1, "c_rep")[0], 0);
    EXPECT_EQ(r.scalar("select count(*) from sim_result"), 0);
}

} // namespace

namespace {

TEST(AnnualBalance, NonBalOfThePlotSetsTheInitialActivePool)
{
    BalanceRun r;
    PlotSpec p;
    r.fx.addPlot(p);
    p.id = 2;
    r.fx.addPlot(p);
    r.fx.db().execute("insert into measurements values (9, 2, -1, 2001, 0, -1), (10, 2, -1, 2001, 0, 3)");
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    EXPECT_TRUE(r.fx.logHas("   active C =0 kg/ha"));  // plot 2, its first value -1
    EXPECT_EQ(std::count_if(r.fx.lines.begin(), r.fx.lines.end(),
                            [](const std::string& l) { return l.rfind("   active C =", 0) == 0; }),
              2);
}

} // namespace

// A year whose carbon does not balance (an addition so large that its rounding exceeds the
// tolerance) is named by plot and year in the warning.
TEST(AnnualBalance, CarbonBalanceWarningsNamePlotAndYear)
{
    BalanceRun r;
    PlotSpec p = rich_plot(7);
    p.additions.push_back({1995, 1e22});
    r.fx.addPlot(p);
    ASSERT_EQ(r.go().outcome, RunOutcome::Finished);
    long long warnings = 0;
    for (const std::string& line : r.fx.lines) {
        if (line.find("error in carbon balance") == std::string::npos) continue;
        ++warnings;
        EXPECT_EQ(line.rfind("error in carbon balance: FL_ID 7, year ", 0), 0u) << line;
    }
    EXPECT_GT(warnings, 0);
    for (const auto& [caption, text] : r.fx.messages) {
        if (text.find("error in carbon balance") != std::string::npos) {
            EXPECT_NE(text.find("FL_ID 7, year "), std::string::npos);
        }
    }
}
