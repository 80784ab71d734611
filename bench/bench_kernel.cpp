// Speed of the numerical kernel that every simulated year calls many times: the fresh
// organic matter step (ten per BAT-day), the carbon content of a stock (once per full step
// with dynamic bulk density) and completing a soil record (once per plot).

#include "engine/soil/bat_formula.h"
#include "engine/soil/fom_pools.h"
#include "engine/soil/pedotransfer.h"
#include "engine/soil/soil_physics.h"
#include "engine/soil/steady_state.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace vt::engine;

namespace {

void fill_six_pools(OpsList& list)
{
    list.create_opsprm();
    list.add_ops_rec(0.0L, 60, 0.0035L, 0.25L, 3200, 0, 1);   // straw
    list.add_ops_rec(0.0L, 25, 0.011L, 0.35L, 900, 0, 2);     // roots
    list.add_ops_rec(0.1L, 12, 0.02L, 0.3L, 450, 1, 3);       // slurry
    list.add_ops_rec(0.2L, 18, 0.006L, 0.45L, 1500, 0, 4);    // farmyard manure
    list.add_ops_rec(0.0L, 40, 0.008L, 0.3L, 700, 0, 5);      // green manure
    list.add_ops_rec(0.5L, 10, 0.001L, 0.6L, 2000, 1, 6);     // compost
}

void BM_opsturnover_six_pools(benchmark::State& state)
{
    OpsList list;
    fill_six_pools(list);
    OpsFlux flux;
    long n = 0;
    for (auto _ : state) {
        list.opsturnover(0.1L, 8.5L, flux);
        benchmark::DoNotOptimize(flux);
        // Refill now and then so that the pools never shrink into subnormal numbers.
        if (++n % 4096 == 0) fill_six_pools(list);
    }
}
BENCHMARK(BM_opsturnover_six_pools);

void BM_carbon_content_of_stock(benchmark::State& state)
{
    double stock = 45000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(carbon_content_of_stock(stock, 17.5));
        stock += 0.01;
    }
}
BENCHMARK(BM_carbon_content_of_stock);

void BM_bulk_density(benchmark::State& state)
{
    double corg = 1.2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bulk_density(corg, 17.5));
        corg += 1e-9;
    }
}
BENCHMARK(BM_bulk_density);

void BM_complete_soil_record(benchmark::State& state)
{
    CompletionInputs in;
    in.hymode = static_cast<int>(state.range(0));
    in.kappa = (0.00032 + 0.0009) / (0.00032 * 0.00556);
    in.kd = 0.01258;
    in.hfc = std::pow(10.0, 1.8);
    in.hpwp = std::pow(10.0, 4.2);
    in.Corg = 1.3;
    for (auto _ : state) {
        SoilRecord s;
        s.clay.give(18);
        s.silt.give(45);
        complete_soil_record(s, in);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_complete_soil_record)->DenseRange(1, 4)->ArgName("hymode");

void BM_soil_properties_for_carbon(benchmark::State& state)
{
    const PoreSizeParams pores;
    for (auto _ : state) benchmark::DoNotOptimize(soil_properties_for_carbon(1.3, 18, 45, pores));
}
BENCHMARK(BM_soil_properties_for_carbon);

void BM_steady_state(benchmark::State& state)
{
    const ModelConstants k;
    const PoreSizeParams pores;
    for (auto _ : state) benchmark::DoNotOptimize(steady_state(40, 45, 18, pores, k));
}
BENCHMARK(BM_steady_state)->Unit(benchmark::kMillisecond);

void BM_bat_of_year(benchmark::State& state)
{
    const BatCoefficients c;
    double t = 8.5;
    for (auto _ : state) {
        const double bat = bat_of_year(t, 610, 13.2, c);
        benchmark::DoNotOptimize(bat_without_tillage(13.2, bat));
        t += 1e-9;
    }
}
BENCHMARK(BM_bat_of_year);

} // namespace
