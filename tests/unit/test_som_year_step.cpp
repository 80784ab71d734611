#include "engine/soil/fom_pools.h"
#include "engine/balance/som_year_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace vt::engine;

namespace {

SoilPools decomposable(double c_dec)
{
    SoilPools p;
    p.c_dec = c_dec;
    p.c_lts = 20000;
    p.BD = 1.4;
    return p;
}

SoilPools split(double active, double stabilised)
{
    SoilPools p = decomposable(active + stabilised);
    p.c_am = active;
    p.c_sm = stabilised;
    return p;
}

// The initial split by non_bal, done even in a year without BAT.
TEST(SomYearStep, InitialSplitFollowsNonBal)
{
    const ModelConstants k;
    const double fa = k.ka / (k.ka + k.ks);
    struct Case { double non_bal; double active; } cases[] = {
        {0, 30000 * fa}, {-1, 0}, {5, 30000}, {-0.5, 15000 * fa}};
    for (const auto& c : cases) {
        for (double bat : {0.0}) {
            SoilPools p = decomposable(30000);
            YearFlows f;
            OpsList fom;
            SomYearInput in;
            in.initialise = true;
            in.non_bal = c.non_bal;
            in.clay = 15;
            in.bat = bat;
            const auto lines = som_year_step(in, p, f, fom);
            EXPECT_NEAR(p.c_am, c.active, 0.01) << c.non_bal << " bat " << bat;
            EXPECT_NEAR(p.c_am + p.c_sm, 30000, 0.01);
            ASSERT_EQ(lines.size(), 7u);
            EXPECT_EQ(lines.front(), "initial C-stock:");
        }
    }
    EXPECT_NEAR(fa, 0.262, 0.0005);
}

TEST(SomYearStep, YearWithoutBatChangesNothing)
{
    SoilPools p = split(8000, 22000);
    OpsList fom;
    fom.add_ops_rec(0, 40, 0.01, 0.3, 1000, 0, 100);
    YearFlows f;
    SomYearInput in;
    in.clay = 15;
    in.dyn_bd = true;
    som_year_step(in, p, f, fom);
    EXPECT_EQ(p.c_am, 8000);
    EXPECT_EQ(p.c_sm, 22000);
    EXPECT_EQ(p.BD, 1.4);
    EXPECT_EQ(fom.get_c_ops(), 1000);
    EXPECT_EQ(f.c_m_tot, 0);
}

// bat = 0.25: two steps of 0.1 from the start values of each step, then one of 0.05.
TEST(SomYearStep, QuarterDayIsTwoFullStepsAndARemainder)
{
    const ModelConstants k;
    SoilPools p = split(8000, 22000);
    OpsList fom;
    YearFlows f;
    SomYearInput in;
    in.clay = 15;
    in.bat = 0.25;
    som_year_step(in, p, f, fom);

    double am = 8000, sm = 22000, minSum = 0, stab = 0;
    for (double h : {0.1, 0.1, 0.05}) {
        const double dA = -(k.km + k.ks) * am + k.ka * sm, dS = k.ks * am - k.ka * sm;
        minSum += k.km * am * h;
        if (h == 0.1) stab += k.ks * am * h;
        am += dA * h;
        sm += dS * h;
        if (h == 0.05) stab += k.ks * am * h;  // the remainder's flux from the new pools
    }
    EXPECT_NEAR(p.c_am, am, 1e-9);
    EXPECT_NEAR(p.c_sm, sm, 1e-9);
    EXPECT_NEAR(static_cast<double>(f.c_m_tot), minSum, 1e-9);
    EXPECT_NEAR(static_cast<double>(f.stab_flux), stab, 1e-9);
    EXPECT_EQ(p.c_dec, p.c_am + p.c_sm);
}

// Marked carbon entering from marked fresh organic matter raises the marked share.
TEST(SomYearStep, MarkedFreshMatterMarksTheActivePool)
{
    SoilPools p = split(8000, 22000);
    OpsList fom;
    fom.add_ops_rec(0, 40, 0.01, 0.3, 5000, 1, 100);
    YearFlows f;
    SomYearInput in;
    in.clay = 15;
    in.bat = 30;
    som_year_step(in, p, f, fom);
    EXPECT_GT(p.mkd_a, 0);
    EXPECT_LT(p.mkd_a, 1);
    EXPECT_GT(p.mkd_s, 0);
    EXPECT_LT(p.mkd_s, p.mkd_a);
}

// Years of ordinary length and a year of more steps than the fast path remembers (more
// BAT than a year has days): summed at once they agree with the step-by-step walk, with a
// marked and an unmarked pool, twice in a row (the second year from what the first left).
TEST(SomYearStep, FullStepsAtOnceAgreeWithTheSteps)
{
    for (double bat : {0.25, 37.3, 900.0}) {
        SoilPools ps = split(8000, 22000), pf = ps;
        OpsList fs, ff;
        for (OpsList* l : {&fs, &ff}) {
            l->add_ops_rec(0, 40, 0.01, 0.3, 5000, 1, 100);
            l->add_ops_rec(0, 25, 0.002, 0.4, 3000, 0, 101);
        }
        for (int year = 0; year < 2; ++year) {
            YearFlows a, b;
            SomYearInput in;
            in.clay = 15;
            in.bat = bat;
            in.stepwise = true;
            som_year_step(in, ps, a, fs);
            in.stepwise = false;
            som_year_step(in, pf, b, ff);
            const auto near = [&](double x, double y) { EXPECT_NEAR(x, y, 1e-12 * std::fabs(x)) << "bat " << bat; };
            near(ps.c_am, pf.c_am);
            near(ps.c_sm, pf.c_sm);
            near(ps.mkd_a, pf.mkd_a);
            near(ps.mkd_s, pf.mkd_s);
            near(static_cast<double>(a.c_rep), static_cast<double>(b.c_rep));
            near(static_cast<double>(a.c_m_tot), static_cast<double>(b.c_m_tot));
            near(fs.get_c_ops(), ff.get_c_ops());
        }
    }
}

// The long-term pool's inputs of a loam soil with the default decay constant.
LtsInput loam(bool hassink, double hf, double max_lts, double bat)
{
    LtsInput in;
    in.silt = 40;
    in.clay = 15;
    in.c_total_prev = 50000;
    in.bat = bat;
    in.hassink = hassink;
    in.hf = hf;
    in.kd = 0.01258;
    in.max_lts = max_lts;
    in.cnrsom = 8.5;
    in.hpwp = 15848.93;
    return in;
}

TEST(LtsStep, HassinkNeverExceedsTheCapNorGoesNegative)
{
    YearFlows f;
    f.c_rep = 3000;
    LtsInput in = loam(true, 100, 0.5, 30);  // far more formation than the soil can hold
    SoilPools p;
    p.c_am = 10000;
    p.c_sm = 20000;
    p.c_dec = 30000;
    p.c_lts = 15000;
    p.BD = 1.4;
    LtsState s;
    const double cap = 1.4 * 0.5 * 30000;
    const LtsResult r = lts_step(in, f, p, s);
    EXPECT_DOUBLE_EQ(p.c_lts, cap);
    EXPECT_DOUBLE_EQ(p.c_am, 10000 - (cap - 15000));
    EXPECT_DOUBLE_EQ(r.K, cap - 15000);

    in.hf = 0;  // decay only, from an almost empty pool
    p.c_lts = 1;
    in.kd = 5;
    lts_step(in, f, p, s);
    EXPECT_GE(p.c_lts, 0);
}

// A year without BAT forms no long-term carbon and leaves no NaN in ages or pools.
TEST(LtsStep, YearWithoutBatStaysFinite)
{
    for (bool hassink : {false, true}) {
        YearFlows f;
        LtsInput in = loam(hassink, 0.5, 0.8, 0);
        SoilPools p;
        p.c_am = 0;
        p.c_sm = 0;
        p.c_lts = 15000;
        p.BD = 1.4;
        LtsState s;
        s.lts_pwp = 15000 / 10.0;
        lts_step(in, f, p, s);
        for (double v : {p.c_am, p.c_lts, s.a_age, s.s_age, s.l_age, s.lts_pwp}) EXPECT_TRUE(std::isfinite(v));
        EXPECT_EQ(s.s_age, 500);  // an empty pool keeps its age
    }
}

// The mean ages of one year with the Hassink option: what stayed in a pool keeps its age,
// the carbon that flowed in brings the age of its source (the reproduction flux, net of
// the long-term pool's formation, age 0), divided by the pool's carbon at the year's end,
// plus one year.
TEST(LtsStep, AgesFollowTheYearsFlows)
{
    YearFlows f;
    f.c_rep = 3000;
    f.stab_flux = 600;
    f.act_flux = 700;
    LtsInput in = loam(true, 0.4, 1.0, 40);
    SoilPools p;
    p.c_am = 15000;
    p.c_sm = 40000;
    p.c_dec = 55000;
    p.c_lts = 25000;
    p.BD = 1.4;
    LtsState s;
    const LtsResult r = lts_step(in, f, p, s);
    ASSERT_NE(r.K, 0);
    const double lts_in = 0.4 * 3000 / 40.0, lts_out = 0.01258 * p.c_lts, rep_net = 3000 - lts_in;
    const double a = ((p.c_am - 600 - 700 - rep_net) * 20 + 700 * 500.0 + lts_out * 5500) / p.c_am + 1;
    EXPECT_DOUBLE_EQ(s.a_age, a);
    EXPECT_DOUBLE_EQ(s.s_age, ((p.c_sm - 700 - 600) * 500 + 600 * a) / p.c_sm + 1);
    EXPECT_DOUBLE_EQ(s.l_age, ((p.c_lts - lts_out - lts_in) * 5500 + lts_in) / p.c_lts + 1);
}

// The Hassink formation term takes the year's reproduction flux as it was summed, in
// extended precision.
TEST(LtsStep, FormationUsesTheExtendedReproductionFlux)
{
    YearFlows f;
    f.c_rep = 3000.019L + 1.9e-13L;  // more digits than a double holds
    const LtsInput in = loam(true, 0.4, 1.0, 40);
    SoilPools p = split(15000, 40000);
    p.c_lts = 25000;
    LtsState s;
    const LtsResult r = lts_step(in, f, p, s);
    EXPECT_EQ(r.K, static_cast<double>(0.4 * f.c_rep / 40.0 - 0.01258 * 25000.0));
}

TEST(RatioOr, KeepsThePreviousValueForAZeroDivisor)
{
    EXPECT_EQ(ratio_or(1, 0, -99), -99);
    EXPECT_EQ(ratio_or(0, 0, 7), 7);
    EXPECT_EQ(ratio_or(1, 4, 0), 0.25);
}

// The stepping of the soil pools that the fast year uses gives, bit for bit, what the
// portable loop gives, with and without marked carbon and fresh organic matter, over many
// steps.
TEST(SoilSteps, FastLoopIsBitIdenticalToThePortableOne)
{
    std::mt19937_64 rng(7);
    auto u01 = [&] { return static_cast<double>(rng() >> 11) * 0x1.0p-53; };
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t n = static_cast<std::size_t>(rng() % 900);
        const std::size_t pools = static_cast<std::size_t>(rng() % 12);
        std::vector<std::vector<double>> power(pools);
        std::vector<FluxTerm> all, marked;
        for (std::size_t i = 0; i < pools; ++i) {
            const double keep = 1 - 0.01 * u01();
            power[i].push_back(1.0);
            while (power[i].size() < n) power[i].push_back(power[i].back() * keep);
            all.push_back({40 * u01(), power[i].data()});
            if (u01() < 0.3) marked.push_back(all.back());
        }
        const ModelConstants k;
        const long double h = kEulerStep * (trial % 7 == 0 ? 1 + u01() : 1);
        SoilSteps a;
        a.am = 5000 + 20000 * u01();
        a.sm = 30000 * u01();
        a.ma = marked.empty() ? 0 : a.am * u01();
        a.ms = marked.empty() ? 0 : a.sm * u01();
        if (trial % 11 == 0) a.am = -a.am;  // a long-term pool may draw the active pool below zero
        SoilSteps b = a;
        step_soil_pools(a, all, marked, n, h * (k.km + k.ks), h * k.ka, h * k.ks);
        step_soil_pools_portable(b, all, marked, n, h * (k.km + k.ks), h * k.ka, h * k.ks);
        const long double got[] = {a.am, a.sm, a.ma, a.ms, a.sumAm, a.sumSm};
        const long double want[] = {b.am, b.sm, b.ma, b.ms, b.sumAm, b.sumSm};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(std::memcmp(&got[i], &want[i], 10), 0) << "trial " << trial << " value " << i << ": "
                                                              << static_cast<double>(got[i]) << " vs "
                                                              << static_cast<double>(want[i]);
    }
}

} // namespace
