// veltrano_make_regional_db FILE [PLOTS [YEARS [SEED]]]: writes a new synthetic regional
// experiment database (default 2000 plots x 50 years, seed 1) for the run benchmarks.

#include "db/connection.h"
#include "db/schema.h"
#include "regional_database.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: %s FILE [PLOTS [YEARS [SEED]]]\n", argv[0]);
        return 2;
    }
    vt::bench::RegionalDatabaseShape shape;
    if (argc > 2) shape.plots = std::atoll(argv[2]);
    if (argc > 3) shape.years = std::atoi(argv[3]);
    if (argc > 4) shape.seed = std::strtoull(argv[4], nullptr, 10);
    if (shape.plots < 1 || shape.years < 1) {
        std::fprintf(stderr, "plots and years must be at least 1\n");
        return 2;
    }
    try {
        std::filesystem::remove(argv[1]);
        vt::db::Connection c(argv[1], vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(c);
        vt::bench::fill_regional_database(c, shape);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%s: %lld plots x %d years, seed %llu\n", argv[1], shape.plots, shape.years,
                static_cast<unsigned long long>(shape.seed));
    return 0;
}
