#pragma once
#include "engine/soil/bat_formula.h"

namespace vt::db {
class Connection;
}

namespace vt::engine {

struct PrepContext;

// The regression coefficients of the run: the rows of wmzprm (xfat, xa, xb, xc) in stored
// order over `current`; without a readable wmzprm `current` stays.
BatCoefficients load_bat_coefficients(db::Connection& c, BatCoefficients current = {});

// The biologically active time of every selected plot-year, tmp_bat (FL_ID, year_0, FAT,
// ltem, rain, BAT, BATnotill, t_level) with the unique index idx_fl_yr (fl_id, year_0).
// With "recalc BAT" the climate tables are built first and every year with rain gets the
// regression's BAT and the untilled BAT; t_level is the plot's no-tillage share (100 for
// notill 1, 0 for notill 0, the share of the year's tillage event for notill 2).
// Without it the plots' mean BAT is used (FL_ID, year_0, BAT, BATnotill, FAT, ltem,
// t_level). Needs the time span, tillage pattern and soil property tables.
// Duplicate plot-years and years without climate data end the run (RunCancelled).
void build_bat_table(const PrepContext& p, const BatCoefficients& coefficients);

} // namespace vt::engine
