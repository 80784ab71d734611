#include "engine/soil/soil_physics.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace vt::engine {

namespace {

// Diameters (mm) of the texture classes and the derived shares.
constexpr double kSiltTop = 0.063;   // silt + clay below it
constexpr double kClayTop = 0.002;   // clay below it
constexpr double kFatTop = 0.0063;   // the fine fraction FAT below it

constexpr int kSeriesTerms = 20;

// x^n for a natural n in extended precision by repeated squaring, from the lowest bit of
// n up: about 2 log2(n) multiplications instead of a logarithm and an exponential.
long double power(long double x, unsigned n)
{
    long double result = 1.0L;
    while (n != 0) {
        if (n & 1u) result *= x;
        n >>= 1;
        if (n != 0) x *= x;
    }
    return result;
}

// (-j)^(j-1) / j! for j = 1..20, powers in extended precision, factorials as 64-bit
// integers (20! still fits).
const std::array<long double, kSeriesTerms>& lambert_coefficients()
{
    static const std::array<long double, kSeriesTerms> c = [] {
        std::array<long double, kSeriesTerms> a{};
        std::int64_t factorial = 1;
        for (int j = 1; j <= kSeriesTerms; ++j) {
            factorial *= j;
            a[j - 1] = power(static_cast<long double>(-j), static_cast<unsigned>(j - 1)) /
                       static_cast<long double>(factorial);
        }
        return a;
    }();
    return c;
}

// 10 * k of the bulk density function: the exponent per percent of organic carbon.
double density_exponent(double bdmin) { return 10 * ((bdmin - 2.684) / 140.943); }

} // namespace

double particle_share_below(double x, double d1, double p1, double d2, double p2)
{
    return p2 + (std::log(x) - std::log(d2)) * (p1 - p2) / (std::log(d1) - std::log(d2));
}

double fine_fraction_from_texture(double silt, double clay)
{
    return particle_share_below(kFatTop, kSiltTop, silt + clay, kClayTop, clay);
}

double share_below_001_from_fat(double silt, double clay, double fat)
{
    return particle_share_below(0.01, kSiltTop, silt + clay, kFatTop, fat);
}

double share_below_001_from_texture(double silt, double clay)
{
    return particle_share_below(0.01, kSiltTop, silt + clay, kClayTop, clay);
}

double share_below_002_from_texture(double silt, double clay)
{
    return particle_share_below(0.02, kSiltTop, silt + clay, kClayTop, clay);
}

double silt_from_fat(double clay, double fat)
{
    return particle_share_below(kSiltTop, kClayTop, clay, 0.006, fat) - clay;
}

double sand_u(double silt, double clay)
{
    const double siltBelow005 = particle_share_below(0.05, kSiltTop, silt + clay, kClayTop, clay) - clay;
    const double s = 100 - clay - siltBelow005;
    return s < 1e-8 ? 1e-8 : s;
}

double bulk_density_min(double clay) { return 1.78345 - 0.0081 * clay; }

double bulk_density(double corg, double clay)
{
    const double bdmin = bulk_density_min(clay);
    const double k = (bdmin - 2.684) / 140.943;
    return bdmin * std::exp(10 * k * corg);
}

long double lambert_w_series(long double x)
{
    const auto& c = lambert_coefficients();
    long double w = 0.0L;
    for (int j = 1; j <= kSeriesTerms; ++j) w += c[j - 1] * power(x, static_cast<unsigned>(j));
    return w;
}

double stock_series_argument(double stock, double clay)
{
    const double bdmin = bulk_density_min(clay);
    return density_exponent(bdmin) * stock / (bdmin * kSoilMassFactor);
}

bool stock_within_series_range(double stock, double clay)
{
    return std::fabs(stock_series_argument(stock, clay)) < std::exp(-1.0);
}

double carbon_content_of_stock(double stock, double clay)
{
    const double d = density_exponent(bulk_density_min(clay));
    return static_cast<double>(lambert_w_series(stock_series_argument(stock, clay)) / d);
}

double carbon_stock_of_content(double corg, double clay)
{
    return corg * bulk_density(corg, clay) * kSoilMassFactor;
}

double particle_density(double corg, double clay)
{
    const double om = corg / 55;
    return 1 / (om / (0.373 * om + 1.127) + (1 - om) / (0.003 * clay + 2.659));
}

double saturation_factor(double clay, double silt)
{
    return 0.06103304 * clay + 0.001375548 * (clay * clay) + 0.01697172 * silt;
}

double hf(double clay, double silt, double kd, double km, double ks, double ka)
{
    return kd * (ka + ks) / (ka * km) * saturation_factor(clay, silt);
}

} // namespace vt::engine
