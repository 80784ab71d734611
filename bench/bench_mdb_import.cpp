// Speed of bringing an Access file across: the whole Northwind sample (9 tables, 4,032
// rows, memo text and OLE pictures over several pages) into a new database, with the
// reader in a child process (as the import command runs it) and in this process.

#include "import/mdb_import.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

void BM_import_northwind(benchmark::State& state)
{
    namespace fs = std::filesystem;
    const std::string source = std::string(VELTRANO_SOURCE_DIR) + "/tests/data/access/nwind.mdb";
    const fs::path target = fs::temp_directory_path() / ("veltrano-bench-" + std::to_string(::getpid()) + ".db");
    vt::access::MdbImportOptions options;
    options.force = true;
    options.isolate = state.range(0) != 0;
    long long rows = 0;
    for (auto _ : state) {
        const auto report = vt::access::import_mdb(source, target.string(), options);
        rows += report.totalRows();
    }
    fs::remove(target);
    state.SetItemsProcessed(rows);
}
BENCHMARK(BM_import_northwind)->ArgName("isolated")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
