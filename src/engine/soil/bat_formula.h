#pragma once
#include <array>
#include <vector>

// Biologically active time (BAT, days per year) of one year from mean air temperature,
// effective precipitation and the soil's fine fraction, and the BAT of an untilled soil.

namespace vt::engine {

// One row of the BAT regression: a fine-fraction node xfat (%) and the coefficients per °C
// of mean temperature (xa), per mm of precipitation (xb) and the constant (xc).
struct BatCoefficientRow {
    double xfat = 0;
    double xa = 0;
    double xb = 0;
    double xc = 0;
};

// The seven rows of the regression, in ascending order of xfat; starts with the standard
// table.
struct BatCoefficients {
    static constexpr std::size_t kRows = 7;
    std::array<BatCoefficientRow, kRows> rows{{
        {6.0, 3.3541, 0.015698, 9.087},
        {8.0, 3.1825, 0.01325, 10.2234},
        {11.5, 3.0629, 0.003204, 14.5547},
        {15.0, 2.1824, -0.009797, 23.0218},
        {22.0, 2.1698, -0.02726, 23.6263},
        {32.0, 2.0054, -0.03232, 22.9473},
        {44.0, 1.8676, -0.03178, 22.93},
    }};

    // Copies stored rows (for example of the table wmzprm) over rows 1, 2, 3, ... in their
    // order, at most seven; rows beyond the stored ones keep their values.
    void replace_rows(const std::vector<BatCoefficientRow>& stored);
};

// The regression at temperature t (°C), precipitation p (mm) and fine fraction f (%):
// the row of the first node not below f, interpolated linearly in f from the node
// before it; the first row below the first node, the last row above the last node.
double bat_regression(double t, double p, double f, const BatCoefficients& c = BatCoefficients{});

// Precipitation plus irrigation limited to 450..700 mm.
double limit_bat_precipitation(double rain);

// BAT of one year as the run stores it: the regression with the precipitation limited to
// 450..700 mm, rounded to the nearest 0.001 (an exact half to the even neighbour). For
// years with rain above 0.
double bat_of_year(double ltem, double rain, double fat, const BatCoefficients& c = BatCoefficients{});

// BAT of an untilled soil from the fine fraction and the BAT:
// c = max(0.2844 * FAT - 1.4586, 0.1), d = exp(sqrt(c * BAT / 365)),
// BATnotill = BAT * (1/d + 1 + 1/d^2) / 3. Throws std::domain_error for a negative BAT.
double bat_without_tillage(double fat, double bat);

} // namespace vt::engine
