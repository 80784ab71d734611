#pragma once
#include <cmath>

namespace vt::engine {

// Rounds to the nearest multiple of 10^-decimals; an exact half goes to the even
// neighbour (the default rounding mode of the floating-point unit).
inline double round_half_even(double x, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::nearbyint(x * scale) / scale;
}

} // namespace vt::engine
