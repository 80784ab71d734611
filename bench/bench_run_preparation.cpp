// Speed of the run preparation on a regional database: every working table of the
// carbon model (carbon input, time span, tillage and irrigation, fresh organic matter,
// soil properties with the soil check, climate and BAT with its row walk) for all plots
// at once. The argument is the number of plots, each with 30 years of crops, an
// amendment every third year and irrigation every fifth.

#include "db/connection.h"
#include "db/schema.h"
#include "engine/run/run_driver.h"

#include <benchmark/benchmark.h>

using namespace vt;

namespace {

std::unique_ptr<db::Connection> regional_database(long long plots)
{
    auto c = db::Connection::memory();
    db::create_schema(*c);
    c->execute("ALTER TABLE cultivation ADD part double");
    c->executeScript(R"(
        INSERT INTO gldpflan (ITEM_IX, NAME, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix, grd_ix)
            VALUES (1, 'wheat', 0.8, 2.0, 20, 0.5, 101, 102, 103);
        INSERT INTO gldopspa (item_ix, NAME, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd)
            VALUES (101, 'residues', 0.05, 0.3, 30, 25, 0.86, 0.45, 0), (102, 'straw', 0.04, 0.25, 80, 70, 0.86, 0.45, 1),
            (103, 'sward', 0.03, 0.3, 20, 18, 0.2, 0.45, 0), (201, 'manure', 0.02, 0.35, 15, 12, 0.25, 0.4, 0);
        INSERT INTO soilproperties (soil_ID, soilclass, BA_RBS, clay, silt, silt_org, BD, BD_org, FAT, PWP, FC, PV, PD,
            cif, max_lts, deg, lmbd, fchw, fbio) VALUES (1, 1, 'L', 15, 40, -1, 1.4, -1, -99, -99, -99, -99, -99,
            -99, -99, -99, -99, 15, 0.03);
    )");
    db::Transaction t(*c);
    auto plot = c->prepare("INSERT INTO field_description (FL_ID, climate_ID, soil_ID, mw_BAT, notill, i_con)"
                           " VALUES (?, ?, 1, 40, ?, 'obsval')");
    auto state = c->prepare("INSERT INTO site_state (FL_ID, status) VALUES (?, 1)");
    auto event = c->prepare("INSERT INTO cultivation (FL_ID, [year], Macode, Item_IX, Quantity, part) VALUES (?, ?, ?, ?, ?, ?)");
    auto obs = c->prepare("INSERT INTO measurements (FL_ID, M_IX, [year], year_number, meas_value) VALUES (?, 7, 1991, 0, 1.2)");
    auto climate = c->prepare("INSERT INTO climate_data (climate_ID, [year], temperature, precipitation) VALUES (?, ?, ?, ?)");
    for (long long s = 0; s <= plots / 10; ++s)
        for (int y = 0; y <= 2020; y = (y == 0 ? 1991 : y + 1)) {
            climate.bind(1, s).bind(2, y).bind(3, 8.0 + (y % 7) * 0.3).bind(4, 480.0 + (y % 5) * 40);
            climate.execute();
        }
    for (long long p = 1; p <= plots; ++p) {
        plot.bind(1, p).bind(2, p / 10).bind(3, static_cast<double>(p % 3));
        plot.execute();
        state.bind(1, p);
        state.execute();
        obs.bind(1, p);
        obs.execute();
        for (int y = 1991; y <= 2020; ++y) {
            const auto add = [&](int macode, int item, double quantity) {
                event.bind(1, p).bind(2, y).bind(3, macode).bind(4, item).bind(5, quantity).bind(6, 100.0);
                event.execute();
            };
            add(y % 2 ? 9 : 2, 1, 60 + y % 10);
            if (y % 3 == 0) add(3, 201, 20);
            if (y % 5 == 0) add(7, 0, 80);
        }
    }
    t.commit();
    return c;
}

void BM_prepare_regional_run(benchmark::State& state)
{
    auto c = regional_database(state.range(0));
    engine::RunConfig cfg;
    cfg.hymode = 3;
    for (auto _ : state) {
        engine::RunDriver driver(*c, cfg);
        const auto r = driver.run();
        if (r.outcome != engine::RunOutcome::Finished) state.SkipWithError(r.message.c_str());
    }
    state.counters["plot_years"] = benchmark::Counter(static_cast<double>(state.range(0) * 30),
                                                      benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_prepare_regional_run)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
