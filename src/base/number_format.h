#pragma once
#include <string>

namespace vt::base {

// Shortest text that reads back to the same double, with a decimal point whatever the
// locale ("3", "0.1", "-2.5e-07"). Used for numbers written into SQL and CStr.
std::string format_number(double v);

// A computed statistic as the user reads it: rounded to 12 significant digits (what sums
// of squares of observed and simulated values keep; the digits beyond are rounding noise)
// and written in the shortest form that reads back to that value, with a decimal point:
// "0.0089", not "0.00889999999999999"; "84000"; "-2.5e-07".
std::string format_statistic(long double v);
// `v` rounded to `significant` significant digits, as the nearest double.
double round_significant(long double v, int significant);

// A number with `significant` significant digits and a decimal point, as the state
// store and the statistics tables write them.
std::string format_significant(double v, int significant);

} // namespace vt::base
