#include "eval/critical_correlation.h"

#include <array>
#include <cmath>

namespace vt::eval {

namespace {
// Index 0 is n = 3 (one degree of freedom).
constexpr std::array<double, 59> kStudentT95 = {
    12.71,  4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622, 2.2281, 2.2010, 2.1788,
    2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009, 2.0930, 2.0860, 2.0796, 2.0739, 2.0687, 2.0639,
    2.0595, 2.0555, 2.0518, 2.0484, 2.0452, 2.0423, 2.0395, 2.0369, 2.0345, 2.0322, 2.0301, 2.0281,
    2.0262, 2.0244, 2.0227, 2.0211, 2.0195, 2.0181, 2.0167, 2.0154, 2.0141, 2.0129, 2.0117, 2.0106,
    2.0096, 2.0086, 2.0076, 2.0066, 2.0057, 2.0049, 2.0040, 2.0032, 2.0025, 2.0017, 2.0010};
} // namespace

std::optional<double> critical_t(long n)
{
    if (n < 3 || n > 61) return std::nullopt;
    return kStudentT95[static_cast<std::size_t>(n - 3)];
}

std::optional<long double> critical_r(long n)
{
    const auto t = critical_t(n);
    if (!t) return std::nullopt;
    const long double tt = static_cast<long double>(*t) * *t;
    return static_cast<long double>(*t) / std::sqrt(tt + static_cast<long double>(n - 2));
}

} // namespace vt::eval
