#pragma once
#include <string>

namespace vt::base {

// Shortest text that reads back to the same double, with a decimal point whatever the
// locale ("3", "0.1", "-2.5e-07"). Used for numbers written into SQL and CStr.
std::string format_number(double v);

// A number with `significant` significant digits and a decimal point, as the state
// store and the statistics tables write them.
std::string format_significant(double v, int significant);

} // namespace vt::base
