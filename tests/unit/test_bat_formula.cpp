#include "engine/soil/bat_formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace vt::engine;

namespace {

TEST(BatOfYear, WorkedExampleOnTheFirstNode)
{
    EXPECT_NEAR(bat_regression(8.5, 600, 6), 47.01565, 1e-12);
    EXPECT_EQ(bat_of_year(8.5, 600, 6), 47.016);
}

TEST(BatOfYear, InterpolatesBetweenNodesAndHoldsTheEnds)
{
    const double row1 = 3.3541 * 9 + 0.015698 * 550 + 9.087;
    const double row2 = 3.1825 * 9 + 0.01325 * 550 + 10.2234;
    const double row7 = 1.8676 * 9 + -0.03178 * 550 + 22.93;
    struct Case {
        double fat;
        double expected;
    };
    for (const Case c : {Case{6, row1}, Case{2, row1}, Case{7, 0.5 * row1 + 0.5 * row2}, Case{8, row2},
                         Case{44, row7}, Case{50, row7}}) {
        EXPECT_NEAR(bat_regression(9, 550, c.fat), c.expected, 1e-12) << c.fat;
    }
}

TEST(BatOfYear, LimitsPrecipitationPlusIrrigation)
{
    struct Case {
        double rain;
        double used;
    };
    for (const Case c : {Case{300, 450}, Case{450, 450}, Case{600, 600}, Case{699.9, 699.9}, Case{700, 700},
                         Case{800, 700}}) {
        EXPECT_EQ(limit_bat_precipitation(c.rain), c.used);
        EXPECT_EQ(bat_of_year(8.5, c.rain, 15), std::nearbyint(bat_regression(8.5, c.used, 15) * 1000) / 1000)
            << c.rain;
    }
}

TEST(BatOfYear, RoundsHalvesToEven)
{
    // One node with BAT = T: 0.0125 and 0.0135 lie exactly halfway in binary after * 1000.
    BatCoefficients c;
    for (auto& r : c.rows) r = {6, 1, 0, 0};
    EXPECT_EQ(bat_of_year(0.0125, 500, 6, c), 0.012);
    EXPECT_EQ(bat_of_year(0.0375, 500, 6, c), 0.038);
    EXPECT_EQ(bat_of_year(2.0004, 500, 6, c), 2.0);
    EXPECT_EQ(bat_of_year(2.0006, 500, 6, c), 2.001);
}

TEST(BatCoefficients, StoredRowsReplaceTheFirstRows)
{
    BatCoefficients c;
    c.replace_rows({{5, 1, 0, 0}, {9, 2, 0, 0}});
    EXPECT_EQ(c.rows[0].xfat, 5);
    EXPECT_EQ(c.rows[1].xa, 2);
    EXPECT_EQ(c.rows[2].xfat, 11.5);  // the rest keep the standard table
    EXPECT_EQ(bat_regression(10, 500, 7, c), 15);

    std::vector<BatCoefficientRow> many(9, {1, 1, 1, 1});
    c.replace_rows(many);
    EXPECT_EQ(c.rows.back().xc, 1);
}

TEST(BatWithoutTillage, WorkedExampleAndLimits)
{
    EXPECT_NEAR(bat_without_tillage(6, 47.016), 39.743, 5e-4);
    const double d = std::exp(std::sqrt(0.2478 * 47.016 / 365));
    EXPECT_NEAR(d, 1.19561, 5e-6);
    EXPECT_EQ(bat_without_tillage(6, 0), 0);
    // Below 5.48 % fine fraction the factor c stays at 0.1.
    EXPECT_EQ(bat_without_tillage(2, 60), bat_without_tillage(5, 60));
    EXPECT_LT(bat_without_tillage(30, 60), bat_without_tillage(10, 60));
    EXPECT_THROW(bat_without_tillage(6, -1), std::domain_error);
}

} // namespace
