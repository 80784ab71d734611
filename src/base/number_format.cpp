#include "base/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vt::base {

std::string format_number(double v)
{
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    if (v == 0.0) return "0";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

double round_significant(long double v, int significant)
{
    if (!std::isfinite(v) || v == 0) return static_cast<double>(v);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, significant - 1);
    double out = 0;
    std::from_chars(buf, r.ptr, out, std::chars_format::scientific);
    return out;
}

std::string format_statistic(long double v) { return format_number(round_significant(v, 12)); }

std::string format_significant(double v, int significant)
{
    char buf[64];
    // std::to_chars with a precision never uses the locale's decimal separator.
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, significant);
    return std::string(buf, r.ptr);
}

} // namespace vt::base
