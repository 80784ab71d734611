// Speed of the window "DATABASE" on a regional database of 20,000 plots with 50 years of
// management, observations and a simulated series per plot (about 2 million sim_result
// rows): building the tree's rows, and loading one plot into the pages (description,
// counts, management list, observation list, initialisation list, mean BAT). The plot
// load is measured on the database as created (with its indexes) and on one without any
// secondary index, as databases from elsewhere come, before and after the browser has
// added its indexes.

#include "db/connection.h"
#include "db/schema.h"
#include "regional_database.h"
#include "workbench/browser_common.h"
#include "workbench/browser_management.h"
#include "workbench/browser_observation.h"
#include "workbench/browser_site.h"
#include "workbench/browser_tree.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace vt;

namespace {

constexpr long long kPlots = 20000;

std::unique_ptr<db::Connection> make_database(bool withoutIndexes)
{
    auto c = db::Connection::memory();
    db::create_schema(*c);
    c->execute("ALTER TABLE cultivation ADD part double");
    bench::RegionalDatabaseShape shape;
    shape.plots = kPlots;
    bench::fill_regional_database(*c, shape);
    // A simulated carbon and nitrogen series for every plot.
    c->execute("insert into sim_result (fl_id, m_ix, year_, year_num, sim_value) "
               "select f.FL_ID, m.m, 1971 + y.n, y.n, 1.0 + y.n * 0.001 from field_description f, "
               "(select 7 as m union all select 0) m, "
               "(with recursive n(n) as (select 0 union all select n + 1 from n where n < 49) select n from n) y");
    c->execute("insert into rux_nresult (fl_id, [year], year_num, bat) select fl_id, year_, year_num, 40 from sim_result where m_ix=7");
    if (withoutIndexes) {
        std::vector<std::string> indexes;
        auto r = c->query("select name from sqlite_master where type='index' and sql is not null");
        for (; !r.eof(); r.next()) indexes.push_back(r.getString("name"));
        for (const auto& i : indexes) c->execute("drop index [" + i + "]");
    }
    return c;
}

db::Connection& database(int variant)
{
    // 0: as created, 1: without secondary indexes, 2: without, then the browser's indexes.
    static std::unique_ptr<db::Connection> dbs[3];
    if (!dbs[variant]) {
        dbs[variant] = make_database(variant != 0);
        if (variant == 2) workbench::ensure_browser_indexes(*dbs[variant]);
    }
    return *dbs[variant];
}

void BM_BrowserTree(benchmark::State& state)
{
    auto& c = database(static_cast<int>(state.range(0)));
    size_t plots = 0;
    for (auto _ : state) {
        const auto tree = workbench::read_browser_tree(c);
        plots = tree.plots.size();
        benchmark::DoNotOptimize(tree.experiments.data());
    }
    state.counters["plots"] = static_cast<double>(plots);
}
BENCHMARK(BM_BrowserTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BrowserLoadPlot(benchmark::State& state)
{
    auto& c = database(static_cast<int>(state.range(0)));
    long long plot = kPlots / 2;
    for (auto _ : state) {
        const auto counts = workbench::read_plot_counts(c, plot);
        const auto d = workbench::read_plot_description(c, plot);
        const auto events = workbench::management_rows(c, plot);
        const auto obs = workbench::observation_rows(c, plot);
        const auto init = workbench::initialisation_choices(c, plot, counts.initialYear.value_or(-99));
        const auto bat = workbench::simulated_mean_bat(c, plot);
        benchmark::DoNotOptimize(events.data());
        benchmark::DoNotOptimize(obs.data());
        benchmark::DoNotOptimize(init.data());
        state.counters["events"] = static_cast<double>(events.size());
        plot = plot % kPlots + 1;
    }
}
BENCHMARK(BM_BrowserLoadPlot)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_BrowserAddIndexes(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto c = make_database(true);
        state.ResumeTiming();
        benchmark::DoNotOptimize(workbench::ensure_browser_indexes(*c));
    }
}
BENCHMARK(BM_BrowserAddIndexes)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
