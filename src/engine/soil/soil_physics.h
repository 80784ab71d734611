#pragma once

// Texture, density and carbon stock of the 0-30 cm topsoil. Contents in mass percent of
// the fine soil, densities in g/cm3, stocks in kg C per hectare. Pure functions.

namespace vt::engine {

// Mass of 30 cm of soil on one hectare per unit of bulk density, in kg per (g/cm3) and
// percent: stock = Corg * BD * kSoilMassFactor.
inline constexpr double kSoilMassFactor = 30000.0;

// Cumulative particle share below diameter x (mm), interpolated linearly in ln(diameter)
// through the two known points (d1, p1) and (d2, p2).
double particle_share_below(double x, double d1, double p1, double d2, double p2);

// Share of particles finer than 0.0063 mm (FAT) from the texture: the curve through
// (0.063 mm, silt + clay) and (0.002 mm, clay).
double fine_fraction_from_texture(double silt, double clay);

// Share finer than 0.01 mm from the curve through (0.063 mm, silt + clay) and
// (0.0063 mm, FAT).
double share_below_001_from_fat(double silt, double clay, double fat);

// Share finer than 0.01 mm from the curve through (0.063 mm, silt + clay) and (0.002 mm, clay).
double share_below_001_from_texture(double silt, double clay);

// Share finer than 0.02 mm from the curve through (0.063 mm, silt + clay) and (0.002 mm, clay).
double share_below_002_from_texture(double silt, double clay);

// Silt from the fine fraction when silt is unknown: the share below 0.063 mm on the curve
// through (0.002 mm, clay) and (0.006 mm, FAT), minus clay.
double silt_from_fat(double clay, double fat);

// Sand above 0.05 mm (sandU): 100 - clay - silt below 0.05 mm, never below 1e-8.
double sand_u(double silt, double clay);

// Bulk density of the mineral fine soil without organic carbon: 1.78345 - 0.0081 * clay.
double bulk_density_min(double clay);

// Bulk density of the fine soil for an organic carbon content: BDmin * exp(10 * k * Corg)
// with k = (BDmin - 2.684) / 140.943.
double bulk_density(double corg, double clay);

// Lambert W by its power series, the first 20 terms sum (-j)^(j-1) / j! * x^j, with the
// factorials as 64-bit integers and the powers in extended precision. The series converges
// for |x| < 1/e.
long double lambert_w_series(long double x);

// The argument of the series for a carbon stock: 10 k * stock / (BDmin * 30000).
double stock_series_argument(double stock, double clay);

// True when the series converges for the stock on this soil (|argument| < 1/e); beyond it
// the content of a stock has no meaning.
bool stock_within_series_range(double stock, double clay);

// Organic carbon content (%) of a carbon stock (kg C/ha, 0-30 cm): the Corg with
// stock = Corg * bulk_density(Corg, clay) * 30000.
double carbon_content_of_stock(double stock, double clay);

// Carbon stock (kg C/ha, 0-30 cm) of a content: Corg * bulk_density(Corg, clay) * 30000.
double carbon_stock_of_content(double corg, double clay);

// Particle density from the organic matter share om = Corg / 55 and clay.
double particle_density(double corg, double clay);

// Carbon saturation factor of the fine fraction:
// 0.06103304 * clay + 0.001375548 * clay^2 + 0.01697172 * silt.
double saturation_factor(double clay, double silt);

// Formation coefficient of long-term stable carbon:
// kd * (ka + ks) / (ka * km) * saturation factor.
double hf(double clay, double silt, double kd, double km, double ks, double ka);

} // namespace vt::engine
