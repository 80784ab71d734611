#include "engine/balance/plot_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace vt::engine;

namespace {

// A random plot: soil, BAT of every year (whole, fractional, small and zero), several
// fresh organic matter additions a year, some marked, some repeated so that pools merge.
PlotInput random_plot(std::mt19937_64& rng, long long id, int years)
{
    auto u = [&](double lo, double hi) { return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53; };
    PlotInput in;
    in.fl_id = id;
    in.non_bal = u(0, 1) < 0.2 ? u(-1, 1) : 0;
    BalanceRow r;
    r.fl_id = id;
    r.i_con = "obsval";
    r.corg = u(0.6, 3.5);
    r.norg = u(0, 1) < 0.8 ? r.corg / u(8, 12) : -99;
    r.bd = u(1.2, 1.7);
    r.skelett = u(0, 1) < 0.3 ? u(0, 0.15) : 0;
    r.cif = u(0.1, 0.6);
    r.max_lts = u(0.5, 1.5);
    r.fchw = u(0, 1) < 0.2 ? 0 : 15;
    r.fbio = 0.03;
    r.clay = u(2, 50);
    r.silt = u(5, std::min(70.0, 95 - r.clay));
    for (int y = 0; y < years; ++y) {
        r.year_0 = 1990 + y;
        in.rows.push_back(r);
        const double pick = u(0, 1);
        in.bat.emplace_back(r.year_0, pick < 0.05 ? 0 : pick < 0.1 ? u(0, 0.35) : u(10, 90));
        auto& adds = in.additions[r.year_0];
        const int n = static_cast<int>(u(0, 6));
        for (int a = 0; a < n; ++a) {
            const bool repeated = u(0, 1) < 0.5;  // one of a few standard materials
            const long long item = repeated ? 100 + static_cast<long long>(u(0, 4)) : 500 + y * 10 + a;
            const double k = repeated ? 0.01 * static_cast<double>(item - 99) : u(0.001, 0.2);
            adds.push_back({u(50, 4000), u(10, 100), k, repeated ? 0.3 : u(0, 1), repeated ? 25.0 : u(8, 90),
                            u(6, 80), u(0, 0.3), item, u(0, 1) < 0.3 ? 1 : 0});
        }
    }
    return in;
}

// The full steps summed at once agree with the step-by-step reference on every result
// column of many random plot-years, with and without the dynamic options, to 1e-12
// relative. The net nitrogen mineralisation n_m_om is the balance of flows that nearly
// cancel (mineralisation of the soil and of fresh organic matter, the C/N change of the
// additions); it is held to 1e-12 of the size of those flows, which is what the step-by-
// step integration itself, with its pools rounded to double after every step, can promise.
// Once the dynamic long-term pool has drawn the active pool below zero (dyn_lts without
// the Hassink cap on a soil whose wilting point rises), the active pool and the flows made
// of it are small differences of large numbers; from then on the plot's columns are held
// to 1e-12 of its total carbon, and its mean ages are no longer compared.
TEST(FastYear, AgreesWithTheStepByStepIntegration)
{
    std::mt19937_64 rng(20261210);
    long long compared = 0;
    for (int plot = 0; plot < 120; ++plot) {
        BalanceOptions o;
        o.dyn_bd = o.dyn_lts = plot % 3 == 1;
        o.hassink = plot % 3 == 1 && plot % 2 == 0;
        o.accumulationOnly = plot % 17 == 5;
        const PlotInput in = random_plot(rng, plot + 1, 25);
        o.stepwise = true;
        const PlotOutput ref = simulate_plot(in, o);
        o.stepwise = false;
        const PlotOutput fast = simulate_plot(in, o);
        ASSERT_EQ(ref.years.size(), fast.years.size());
        ASSERT_EQ(ref.status, fast.status);
        bool activeBelowZero = false;
        for (size_t y = 0; y < ref.years.size(); ++y) {
            const YearResult &r = ref.years[y], &f = fast.years[y];
            const auto& n = r.nresult;
            activeBelowZero = activeBelowZero || n[11] < 0;  // c_mic
            const double floor = activeBelowZero ? std::fabs(n[6]) : 0;  // c_som
            // With the dynamic long-term pool the N bound in its new carbon enters too: the
            // difference of the pool's N at the year's end and start, as exact as that N,
            // n_som - (c_som - c_lts)/cnrsom.
            const double ltsN = o.dyn_lts ? std::fabs(n[9] - (n[6] - n[8]) / o.k.cnrsom) : 0;
            const double flows =
                (std::fabs(n[21]) + std::fabs(n[22])) / o.k.cnrsom + std::fabs(n[14]) + std::fabs(n[15]) + ltsN;
            const auto close = [&](double a, double b, const char* table, size_t col, double scale = 0) {
                ++compared;
                if (std::isnan(a) && std::isnan(b)) return;  // no water content for this soil either way
                EXPECT_LE(std::fabs(a - b), 1e-12 * std::max({std::fabs(a), std::fabs(b), scale, floor}))
                    << table << " column " << col << " plot " << plot << " year " << y << ": " << a << " vs " << b;
            };
            // The mean ages (columns 18-20) are divided by their pool's carbon; once the active
            // pool has crossed zero they carry no meaning and are not compared.
            for (size_t c = 0; c < r.nresult.size(); ++c)
                if (!(activeBelowZero && c >= 18 && c <= 20))
                    close(r.nresult[c], f.nresult[c], "rux_nresult", c, c == 3 ? flows : 0);
            for (size_t c = 0; c < r.zbv.size(); ++c) close(r.zbv[c], f.zbv[c], "rux_zbv", c);
            ASSERT_EQ(r.sim_value.has_value(), f.sim_value.has_value());
            if (r.sim_value) close(*r.sim_value, *f.sim_value, "sim_result", 0);
            EXPECT_EQ(r.balanceError, f.balanceError);
        }
    }
    EXPECT_GT(compared, 120 * 25 * 40);
}

} // namespace
