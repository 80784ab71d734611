// veltrano_make_regional_db [--users | --dense | --no-indexes | --with-indexes]
//                           [--catch-crops] [--id-gaps] [--shuffled] FILE [PLOTS [YEARS [SEED]]]
// writes a new synthetic regional experiment database (default 2000 plots x 50 years, seed 1)
// for the run benchmarks. --users writes one shaped like the databases users bring (dense management, about 35
// observations per plot, 250 stations, 500 soils, 500 experiments, no secondary index); --dense
// and --no-indexes give the management or the missing indexes alone, --with-indexes keeps the
// schema's indexes (of --users). --catch-crops adds a second main crop and a catch crop to
// many plot-years (with --users or --dense), --id-gaps numbers the plots in blocks of seven
// per hundred (101-107, 201-207, ...), --shuffled stores the events in random order.

#include "db/connection.h"
#include "db/schema.h"
#include "regional_database.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    bool users = false, dense = false, noIndexes = false, withIndexes = false;
    bool catchCrops = false, idGaps = false, shuffled = false;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--users") == 0)
            users = true;
        else if (std::strcmp(argv[i], "--dense") == 0)
            dense = true;
        else if (std::strcmp(argv[i], "--no-indexes") == 0)
            noIndexes = true;
        else if (std::strcmp(argv[i], "--with-indexes") == 0)
            withIndexes = true;
        else if (std::strcmp(argv[i], "--catch-crops") == 0)
            catchCrops = true;
        else if (std::strcmp(argv[i], "--id-gaps") == 0)
            idGaps = true;
        else if (std::strcmp(argv[i], "--shuffled") == 0)
            shuffled = true;
        else
            args.push_back(argv[i]);
    }
    if (args.empty() || args.size() > 4 || (args[0][0] == '-' && args[0][1] == '-')) {
        std::fprintf(stderr,
                     "usage: %s [--users | --dense | --no-indexes | --with-indexes] [--catch-crops] [--id-gaps]"
                     " [--shuffled] FILE [PLOTS [YEARS [SEED]]]\n",
                     argv[0]);
        return 2;
    }
    const long long plots = args.size() > 1 ? std::atoll(args[1]) : 2000;
    const int years = args.size() > 2 ? std::atoi(args[2]) : 50;
    const std::uint64_t seed = args.size() > 3 ? std::strtoull(args[3], nullptr, 10) : 1;
    vt::bench::RegionalDatabaseShape shape;
    if (users) shape = vt::bench::users_database_shape(plots, years, seed);
    shape.plots = plots;
    shape.years = years;
    shape.seed = seed;
    if (dense) shape.dense = true;
    if (noIndexes) shape.secondaryIndexes = false;
    if (withIndexes) shape.secondaryIndexes = true;
    shape.catchCrops = catchCrops;
    shape.idGaps = idGaps;
    shape.shuffledEvents = shuffled;
    if (shape.plots < 1 || shape.years < 1) {
        std::fprintf(stderr, "plots and years must be at least 1\n");
        return 2;
    }
    try {
        std::filesystem::remove(args[0]);
        vt::db::Connection c(args[0], vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(c);
        vt::bench::fill_regional_database(c, shape);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%s: %lld plots x %d years, seed %llu%s%s%s%s%s\n", args[0], shape.plots, shape.years,
                static_cast<unsigned long long>(shape.seed), shape.dense ? ", dense management" : "",
                shape.secondaryIndexes ? "" : ", no secondary index", shape.catchCrops ? ", catch crops" : "",
                shape.idGaps ? ", ids with gaps" : "", shape.shuffledEvents ? ", shuffled events" : "");
    return 0;
}
