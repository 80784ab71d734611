// Speed of a simulation session, the engine of calibration and uncertainty runs: one
// evaluation simulates every prepared plot in memory with changed constants, without
// reading or writing the database. The ten plots of the demo database and 200 plots of a
// regional database (50 years each), on every core; and a Monte Carlo run of 1,000
// samples on the demo.

#include "db/connection.h"
#include "db/demo_database.h"
#include "db/schema.h"
#include "engine/run/run_configuration.h"
#include "engine/session/simulation_session.h"
#include "eval/uncertainty.h"
#include "regional_database.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

using namespace vt::engine;

namespace {

struct PreparedDatabase {
    std::filesystem::path file;
    std::unique_ptr<vt::db::Connection> c;
    std::unique_ptr<SimulationSession> session;

    explicit PreparedDatabase(long long regionalPlots)
    {
        file = std::filesystem::temp_directory_path() /
               ("veltrano_bench_session_" + std::to_string(regionalPlots) + ".db");
        std::filesystem::remove(file);
        c = std::make_unique<vt::db::Connection>(file.string(), vt::db::Connection::Mode::ReadWriteCreate);
        if (regionalPlots > 0) {
            vt::db::create_schema(*c);
            vt::bench::RegionalDatabaseShape shape;
            shape.plots = regionalPlots;
            vt::bench::fill_regional_database(*c, shape);
        } else {
            vt::db::create_demo_database(*c);
        }
        RunConfig cfg;
        cfg.database = file.string();
        cfg.work_dir = std::filesystem::temp_directory_path().string();
        cfg.hymode = 3;
        cfg.rux_icon = "*";
        cfg.regional_mode = regionalPlots > 0;
        cfg.k = load_model_constants(*c);
        session = std::make_unique<SimulationSession>(SimulationSession::prepare(*c, cfg, {}));
    }
    ~PreparedDatabase()
    {
        session.reset();
        c.reset();
        std::filesystem::remove(file);
    }
};

void evaluate(benchmark::State& state, PreparedDatabase& db)
{
    SessionParameters p = db.session->baseParameters();
    long long plotYears = 0;
    for (const auto& in : db.session->inputs()) plotYears += static_cast<long long>(in.rows.size());
    double f = 1;
    for (auto _ : state) {
        p.k.ka = db.session->baseParameters().k.ka * f;
        f = f > 1.2 ? 1 : f * 1.01;
        benchmark::DoNotOptimize(db.session->simulate(p, 0));
    }
    state.SetItemsProcessed(state.iterations() * plotYears);
    state.counters["evaluations/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_session_evaluation_demo(benchmark::State& state)
{
    static PreparedDatabase db(0);
    evaluate(state, db);
}
BENCHMARK(BM_session_evaluation_demo)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_session_evaluation_regional(benchmark::State& state)
{
    static PreparedDatabase db(200);
    evaluate(state, db);
}
BENCHMARK(BM_session_evaluation_regional)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_uncertainty_demo_1000_samples(benchmark::State& state)
{
    static PreparedDatabase db(0);
    vt::eval::UncertaintyRequest r;
    r.samples = 1000;
    r.seed = 1;
    r.parameters = {vt::eval::parse_uncertain_parameter("K_AKT=normal(0.00032,0.00003)"),
                    vt::eval::parse_uncertain_parameter("K_STAB=normal(0.0009,0.0001)"),
                    vt::eval::parse_uncertain_parameter("F_CREP=uniform(0.8,1.2)")};
    for (auto _ : state) benchmark::DoNotOptimize(vt::eval::run_uncertainty(*db.session, {}, r));
}
BENCHMARK(BM_uncertainty_demo_1000_samples)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
