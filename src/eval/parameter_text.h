#pragma once
#include <string>

namespace vt::eval {

// A finite number written in full ("0.00032", "-8", "1e-4"); throws std::invalid_argument
// "<what>: "<text>" is not a number" for anything else.
double parse_finite_number(const std::string& text, const std::string& what);

} // namespace vt::eval
