#pragma once
#include "engine/preparation/plot_lookup.h"

#include <memory>

namespace vt::engine {

struct PrepContext;

// What the climate tables leave for the BAT table.
struct ClimateTables {
    long long rows = 0;  // rows of clim4sim
    // Set when every row of clim4sim belongs to one of these plots: each has one
    // description and an integer FL_ID, and clim4sim lies in the order of tmp_time_scen.
    std::shared_ptr<const PlotDescriptions> plots;
};

// The effective climate of every scenario year of the selected plots, with the
// repetition cycles appended: beregnung_jsum (FL_ID, jahr, smenge), eff_climate (FL_ID,
// ltem, nied, irrig, cyc, year_; indexes clix and clix1) and clim4sim (FL_ID, year_,
// ltem, nied, rain, mw_BAT). A year without a climate row of its own takes the station's
// long-term row (year 0); without either it keeps the marker -99.99.
ClimateTables build_climate_tables(const PrepContext& p);

} // namespace vt::engine
