// Speed of the annual balance of one plot: a hundred years with five fresh organic matter
// additions a year, with and without the dynamic options (bulk density, long-term pool,
// Hassink). The simulation alone, without reading or writing the database.

#include "engine/plot_simulation.h"

#include <benchmark/benchmark.h>

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

} // namespace
