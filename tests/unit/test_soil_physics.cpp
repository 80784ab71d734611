#include "engine/soil/soil_physics.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vt::engine;

namespace {

TEST(ParticleSizeCurve, ReproducesItsTwoPoints)
{
    for (double clay : {0.0001, 4.0, 17.5, 45.0}) {
        for (double silt : {0.5, 30.0, 54.0}) {
            EXPECT_EQ(particle_share_below(0.002, 0.063, silt + clay, 0.002, clay), clay);
            EXPECT_NEAR(particle_share_below(0.063, 0.063, silt + clay, 0.002, clay), silt + clay, 1e-12);
        }
    }
}

TEST(ParticleSizeCurve, IsLinearInTheLogarithmOfTheDiameter)
{
    // Halfway between the logarithms of the two diameters lies halfway between the shares.
    const double mid = std::sqrt(0.063 * 0.002);
    EXPECT_NEAR(particle_share_below(mid, 0.063, 50, 0.002, 10), 30, 1e-12);
    // The fine fraction below 0.0063 mm: ln(0.0063/0.002) / ln(0.063/0.002) of the silt.
    EXPECT_NEAR(fine_fraction_from_texture(40, 10), 10 + 40 * std::log(3.15) / std::log(31.5), 1e-12);
}

TEST(ParticleSizeCurve, SiltFromTheFineFraction)
{
    // Through (0.002 mm, 10 %) and (0.006 mm, 20 %): ten points per ln 3 up to 0.063 mm.
    EXPECT_NEAR(silt_from_fat(10, 20), 10 * std::log(31.5) / std::log(3.0), 1e-12);
}

TEST(SandU, NeverFallsBelowItsFloor)
{
    EXPECT_EQ(sand_u(0, 100), 1e-8);  // all clay: nothing above 0.05 mm
    EXPECT_EQ(sand_u(1e-9, 100), 1e-8);
    // All silt: the silt between 0.05 and 0.063 mm counts as sand.
    EXPECT_NEAR(sand_u(100, 0), 100 * (1 - std::log(25.0) / std::log(31.5)), 1e-12);
    // Sand above 0.05 mm exceeds sand above 0.063 mm by the silt between them.
    const double s = sand_u(30, 10);
    EXPECT_GT(s, 60);
    EXPECT_LT(s, 70);
}

TEST(BulkDensity, AtNoCarbonIsTheMineralDensity)
{
    for (double clay : {0.0, 10.0, 35.0, 70.0}) EXPECT_EQ(bulk_density(0, clay), 1.78345 - 0.0081 * clay);
}

TEST(BulkDensity, DecreasesWithOrganicCarbon)
{
    double previous = bulk_density(0, 20);
    for (double corg : {0.5, 1.0, 2.0, 5.0, 10.0}) {
        const double bd = bulk_density(corg, 20);
        EXPECT_LT(bd, previous) << corg;
        previous = bd;
    }
}

// W(x) by Newton iteration on w * e^w = x, independent of the series.
double lambert_w_newton(double x)
{
    double w = 0;
    for (int i = 0; i < 100; ++i) {
        const double f = w * std::exp(w) - x;
        const double step = f / (std::exp(w) * (w + 1));
        w -= step;
        if (std::fabs(step) < 1e-17) break;
    }
    return w;
}

TEST(LambertWSeries, AgreesWithNewtonIterationInsideItsRange)
{
    struct Case {
        double x;
        double tolerance;  // the truncation error of 20 terms grows towards |x| = 1/e
    };
    for (const Case c : {Case{0, 0}, Case{1e-6, 1e-20}, Case{-0.05, 1e-16}, Case{0.05, 1e-16}, Case{-0.1, 1e-14},
                         Case{0.1, 1e-14}, Case{-0.2, 1e-7}, Case{0.2, 1e-8}, Case{-0.3, 1e-3}}) {
        EXPECT_NEAR(static_cast<double>(lambert_w_series(c.x)), lambert_w_newton(c.x), c.tolerance) << c.x;
    }
}

TEST(CarbonStock, ContentAndStockRoundTrip)
{
    struct Case {
        double corg;
        double tolerance;
    };
    for (double clay : {0.0001, 8.0, 25.0, 60.0}) {
        for (const Case c : {Case{0.05, 1e-14}, Case{0.6, 1e-12}, Case{1.5, 1e-10}, Case{3.0, 1e-5}, Case{6.0, 0.05}}) {
            const double stock = carbon_stock_of_content(c.corg, clay);
            EXPECT_EQ(stock, c.corg * bulk_density(c.corg, clay) * 30000);
            ASSERT_TRUE(stock_within_series_range(stock, clay));
            EXPECT_NEAR(carbon_content_of_stock(stock, clay), c.corg, c.tolerance) << "clay " << clay;
        }
    }
    EXPECT_EQ(carbon_content_of_stock(0, 20), 0);
}

TEST(CarbonStock, SeriesRangeEndsAtOneOverE)
{
    // 10 k * stock / (BDmin * 30000) = -1/e at the limit.
    const double clay = 10;
    const double bdmin = bulk_density_min(clay);
    const double limit = std::exp(-1.0) * bdmin * 30000 / -(10 * ((bdmin - 2.684) / 140.943));
    EXPECT_TRUE(stock_within_series_range(limit * 0.999, clay));
    EXPECT_FALSE(stock_within_series_range(limit * 1.001, clay));
}

TEST(ParticleDensity, IsMineralDensityWithoutCarbonAndFallsWithIt)
{
    EXPECT_DOUBLE_EQ(particle_density(0, 20), 0.003 * 20 + 2.659);
    EXPECT_LT(particle_density(3, 20), particle_density(1, 20));
    // Pure organic matter (om = 1): 0.373 + 1.127.
    EXPECT_DOUBLE_EQ(particle_density(55, 20), 1.5);
}

TEST(SaturationFactor, FormationCoefficientScalesWithIt)
{
    EXPECT_DOUBLE_EQ(saturation_factor(10, 30), 0.6103304 + 0.1375548 + 0.5091516);
    const double kappa = (0.00032 + 0.0009) / (0.00032 * 0.00556);
    EXPECT_NEAR(hf(10, 30, 0.01258, 0.00556, 0.0009, 0.00032), 0.01258 * kappa * saturation_factor(10, 30), 1e-12);
}

} // namespace
