// Speed of the annual balance of one plot: a hundred years with five fresh organic matter
// additions a year, with and without the dynamic options (bulk density, long-term pool,
// Hassink); and plots of a regional database: fifty years of crop rotations on shares of
// the plot with residues, straw and manure, BAT of 6 to 62 days. The simulation alone,
// without reading or writing the database.

#include "engine/balance/plot_simulation.h"
#include "engine/balance/som_year_step.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace vt::engine;

namespace {

PlotInput century_plot()
{
    PlotInput in;
    in.fl_id = 1;
    in.lastPlot = true;
    for (int y = 1901; y <= 2000; ++y) {
        BalanceRow r;
        r.fl_id = 1;
        r.i_con = "obsval";
        r.year_0 = y;
        r.corg = 1.3;
        r.norg = 0.13;
        r.bd = 1.45;
        r.cif = 0.35;
        r.max_lts = 0.9;
        r.fchw = 15;
        r.fbio = 0.02;
        r.clay = 18;
        r.silt = 45;
        in.rows.push_back(r);
        in.bat.emplace_back(y, 32.5);
        in.additions[y] = {{3200, 100, 0.0035, 0.25, 60, 45, 0, 1, 0},
                           {900, 100, 0.011, 0.35, 25, 20, 0, 2, 0},
                           {450, 100, 0.02, 0.3, 12, 10, 0, 3, 1},
                           {1500, 100, 0.006, 0.45, 18, 15, 0, 4, 0},
                           {700, 100, 0.008, 0.3, 40, 30, 0, 5, 0}};
    }
    return in;
}

// Arguments: dynamic options off/on; 1 walks every Euler step (the reference), 0 sums the
// full steps of a year at once.
void BM_simulate_century(benchmark::State& state)
{
    const PlotInput in = century_plot();
    BalanceOptions o;
    o.dyn_bd = o.dyn_lts = o.hassink = state.range(0) != 0;
    o.stepwise = state.range(1) != 0;
    for (auto _ : state) benchmark::DoNotOptimize(simulate_plot(in, o));
    state.SetItemsProcessed(state.iterations() * 100);  // plot-years
}
BENCHMARK(BM_simulate_century)
    ->ArgNames({"dynamic", "stepwise"})
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

// Materials of a regional database: k, eta, cnr, cnr_alt, item_ix, mkd.
struct Material {
    double k, eta, cnr, cnr_alt;
    long long item;
    int mkd;
};
constexpr Material kResidues[] = {{0.05, 0.3, 30, 25, 101, 0},  {0.055, 0.3, 28, 24, 102, 0},
                                  {0.045, 0.32, 35, 30, 103, 0}, {0.06, 0.28, 25, 22, 104, 0},
                                  {0.09, 0.2, 15, 14, 105, 0},   {0.03, 0.3, 20, 18, 106, 0}};
constexpr Material kStraw[] = {{0.04, 0.25, 80, 70, 111, 1}, {0.045, 0.25, 60, 55, 112, 1}};
constexpr Material kManure = {0.02, 0.35, 15, 12, 201, 0}, kSlurry = {0.08, 0.2, 8, 6, 202, 0};

std::vector<PlotInput> regional_plots(int plots)
{
    std::mt19937_64 rng(2026);
    auto u = [&](double lo, double hi) { return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53; };
    auto add = [](std::vector<FomAddition>& to, const Material& m, double cops, double part) {
        to.push_back({cops, part, m.k, m.eta, m.cnr, m.cnr_alt, 0, m.item, m.mkd});
    };
    std::vector<PlotInput> out;
    for (int p = 1; p <= plots; ++p) {
        PlotInput in;
        in.fl_id = p;
        BalanceRow r;
        r.fl_id = p;
        r.i_con = "obsval";
        r.corg = u(0.7, 2.6);
        r.norg = r.corg / u(8.5, 12);
        r.bd = u(1.25, 1.65);
        r.cif = u(0.2, 0.5);
        r.max_lts = u(0.6, 1.2);
        r.fchw = 15;
        r.fbio = 0.03;
        r.clay = u(1, 60);
        r.silt = u(0, 80 - r.clay / 2);
        for (int y = 1971; y <= 2020; ++y) {
            r.year_0 = y;
            in.rows.push_back(r);
            in.bat.emplace_back(y, u(6, 62));
            auto& adds = in.additions[y];
            const double first = u(0, 1) < 0.6 ? 100 : u(20, 80);
            for (double part : {first, 100 - first}) {
                if (part <= 0) continue;
                add(adds, kResidues[rng() % 6], u(300, 4000), part);
                if (u(0, 1) < 0.3) add(adds, kStraw[rng() % 2], u(1000, 3000), part);
            }
            if (u(0, 1) < 0.12) add(adds, kManure, u(150, 400), u(30, 100));
            if (u(0, 1) < 0.15) add(adds, kSlurry, u(30, 100), u(50, 100));
        }
        out.push_back(std::move(in));
    }
    out.back().lastPlot = true;
    return out;
}

// Forty regional plots of fifty years; argument 1 walks every Euler step (the reference).
void BM_simulate_regional(benchmark::State& state)
{
    const std::vector<PlotInput> plots = regional_plots(40);
    BalanceOptions o;
    o.stepwise = state.range(0) != 0;
    for (auto _ : state)
        for (const PlotInput& in : plots) benchmark::DoNotOptimize(simulate_plot(in, o));
    state.SetItemsProcessed(state.iterations() * 40 * 50);  // plot-years
}
BENCHMARK(BM_simulate_regional)->ArgNames({"stepwise"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The soil pools through 340 full steps (a year of 34 BAT-days) driven by the given number
// of fresh organic matter pools, two of them marked: the inner loop of the fast year.
void BM_soil_steps(benchmark::State& state)
{
    const std::size_t steps = 340, terms = static_cast<std::size_t>(state.range(0));
    std::vector<std::vector<double>> power(terms);
    std::vector<FluxTerm> all, marked;
    for (std::size_t i = 0; i < terms; ++i) {
        power[i].push_back(1.0);
        while (power[i].size() < steps) power[i].push_back(power[i].back() * (1 - 0.003 * static_cast<double>(i + 1)));
        all.push_back({10.0 + static_cast<double>(i), power[i].data()});
        if (i < 2) marked.push_back(all.back());
    }
    const ModelConstants k;
    for (auto _ : state) {
        SoilSteps s;
        s.am = 8000;
        s.sm = 22000;
        s.ma = 100;
        s.ms = 50;
        step_soil_pools(s, all, marked, steps, kEulerStep * (k.km + k.ks), kEulerStep * k.ka, kEulerStep * k.ks);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(steps));  // steps
}
BENCHMARK(BM_soil_steps)->ArgNames({"pools"})->Arg(0)->Arg(3)->Arg(9);

} // namespace
