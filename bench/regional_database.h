#pragma once
#include <cstdint>

namespace vt::db {
class Connection;
}

namespace vt::bench {

// What a synthetic regional database holds: `plots` plots, each with `years` years of
// management from `firstYear` on, drawn from a random generator seeded with `seed` (the
// same shape always gives the same database).
struct RegionalDatabaseShape {
    long long plots = 2000;
    int years = 50;
    int firstYear = 1971;
    std::uint64_t seed = 1;
};

// Fills a database that has the experiment schema (vt::db::create_schema) with a regional
// data set: cultivation.part holds the area shares of crop rotations split between two
// crops, by-products left on the field, manure and slurry, irrigation, tillage changes on
// plots with a no-tillage share; a climate station per 25 plots with some years missing
// (the long-term mean of year 0 stands in); a few dozen soils of every texture class, many
// with bulk density, silt and water contents left to estimate; an initial carbon
// observation per plot and a total nitrogen observation on most.
void fill_regional_database(db::Connection& c, const RegionalDatabaseShape& shape);

} // namespace vt::bench
