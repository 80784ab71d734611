#include "engine/soil/bat_formula.h"

#include "engine/soil/rounding.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vt::engine {

namespace {

double row_bat(const BatCoefficientRow& r, double t, double p) { return r.xa * t + r.xb * p + r.xc; }

} // namespace

void BatCoefficients::replace_rows(const std::vector<BatCoefficientRow>& stored)
{
    const std::size_t n = std::min(stored.size(), kRows);
    std::copy_n(stored.begin(), n, rows.begin());
}

double bat_regression(double t, double p, double f, const BatCoefficients& c)
{
    const auto& rows = c.rows;
    std::size_t k = 0;
    while (k < rows.size() && f > rows[k].xfat) ++k;
    if (k == 0) return row_bat(rows.front(), t, p);
    if (k == rows.size()) return row_bat(rows.back(), t, p);
    const std::size_t j = k - 1;
    const double w = (f - rows[j].xfat) / (rows[k].xfat - rows[j].xfat);
    return (1 - w) * row_bat(rows[j], t, p) + w * row_bat(rows[k], t, p);
}

double limit_bat_precipitation(double rain)
{
    if (rain < 450) return 450;
    if (rain >= 700) return 700;
    return rain;
}

double bat_of_year(double ltem, double rain, double fat, const BatCoefficients& c)
{
    return round_half_even(bat_regression(ltem, limit_bat_precipitation(rain), fat, c), 3);
}

double bat_without_tillage(double fat, double bat)
{
    if (!(bat >= 0)) throw std::domain_error("no BAT without tillage for a BAT below 0");
    const double c = std::max(0.2844 * fat - 1.4586, 0.1);
    const double d = std::exp(std::sqrt(c * bat / 365));
    return bat * (1 / d + 1 + 1 / (d * d)) / 3;
}

} // namespace vt::engine
