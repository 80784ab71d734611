#pragma once

namespace vt::engine {

struct PrepContext;

// The effective climate of every scenario year of the selected plots, with the
// repetition cycles appended: beregnung_jsum (FL_ID, jahr, smenge), eff_climate (FL_ID,
// ltem, nied, irrig, cyc, year_; indexes clix and clix1) and clim4sim (FL_ID, year_,
// ltem, nied, rain, mw_BAT). A year without a climate row of its own takes the station's
// long-term row (year 0); without either it keeps the marker -99.99. Returns the rows of
// clim4sim.
long long build_climate_tables(const PrepContext& p);

} // namespace vt::engine
