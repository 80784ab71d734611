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
    // Management as users' databases hold it: every plot-year a crop (two sharing the plot on
    // a third of the plots), mineral fertiliser in split dressings, manure or slurry on most
    // plots, tillage shares on plots with a no-tillage share, by-products left on the field;
    // over 4.5 events per plot-year. With it about 35 observations per plot of organic
    // carbon, total nitrogen and microbial biomass, and plots spread over `experiments`.
    bool dense = false;
    // The indexes the experiment schema declares; without them only the primary keys remain,
    // as in databases imported from Access or written by other tools.
    bool secondaryIndexes = true;
    int stations = 0;     // 0: one per 25 plots
    int soils = 40;
    int experiments = 0;  // 0: every plot in one experiment "REG"
    // More harvests per plot-year (with `dense`): a second main crop after the first on a
    // third of the plot-years and a catch crop (mustard, harvested as green matter) on half.
    bool catchCrops = false;
    // Plot ids with gaps, in blocks of seven per hundred (101-107, 201-207, ...) as
    // experiments number their plots: the selection of every plot is not a range.
    bool idGaps = false;
    // The events stored in an order drawn at random (as a database edited over the years
    // stores them) instead of plot by plot and year by year.
    bool shuffledEvents = false;
};

// The shape of a database as users bring them: dense management, many observations, 250
// climate stations, 500 soils, 500 experiments and no secondary index.
RegionalDatabaseShape users_database_shape(long long plots, int years, std::uint64_t seed);

// Fills a database that has the experiment schema (vt::db::create_schema) with a regional
// data set: cultivation.part holds the area shares of crop rotations split between two
// crops, by-products left on the field, manure and slurry, irrigation, tillage changes on
// plots with a no-tillage share; a climate station per 25 plots with some years missing
// (the long-term mean of year 0 stands in); a few dozen soils of every texture class, many
// with bulk density, silt and water contents left to estimate; an initial carbon
// observation per plot and a total nitrogen observation on most.
void fill_regional_database(db::Connection& c, const RegionalDatabaseShape& shape);

} // namespace vt::bench
