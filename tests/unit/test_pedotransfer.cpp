#include "engine/soil/pedotransfer.h"
#include "engine/soil/soil_physics.h"
#include "engine/soil/water_retention.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vt::engine;

namespace {

const double kHfc = std::pow(10.0, 1.8);
const double kHpwp = std::pow(10.0, 4.2);

SoilRecord texture(double clay, double silt)
{
    SoilRecord s;
    s.clay.give(clay);
    s.silt.give(silt);
    return s;
}

CompletionInputs inputs(int mode, double corg)
{
    CompletionInputs in;
    in.hymode = mode;
    in.kappa = (0.00032 + 0.0009) / (0.00032 * 0.00556);
    in.kd = 0.01258;
    in.hfc = kHfc;
    in.hpwp = kHpwp;
    in.Corg = corg;
    in.CN = 10;
    return in;
}

TEST(CompleteSoilRecord, EstimatesEveryMissingProperty)
{
    for (int mode : {1, 2, 3, 4}) {
        SoilRecord s = texture(18, 45);
        complete_soil_record(s, inputs(mode, 1.4));
        for (const auto& p : kSoilProperties) {
            const SoilValue& v = s.*p.member;
            EXPECT_TRUE(std::isfinite(v.value)) << p.name << " mode " << mode;
            EXPECT_GT(v.value, 0) << p.name << " mode " << mode;
            if (std::string(p.name) != "clay" && std::string(p.name) != "silt") {
                EXPECT_FALSE(v.given) << p.name;
            }
        }
        EXPECT_EQ(s.BD.value, bulk_density(1.4, 18));
        EXPECT_EQ(s.PD.value, particle_density(1.4, 18));
        EXPECT_NEAR(s.PV.value, (1 - s.BD.value / s.PD.value) * 100, 0);
        EXPECT_EQ(s.sand.value, 100 - 18 - 45.0);
        EXPECT_EQ(s.deg.value, 0.01258);
        EXPECT_DOUBLE_EQ(s.Norg, 0.14);
        EXPECT_NEAR(s.pore_sum, s.fine + s.medium + s.coarse, 1e-15);
        EXPECT_DOUBLE_EQ(s.cif.value, s.fine / s.pore_sum);
        // The long-term stable limit is a share of the carbon saturation of the fine fraction.
        const double csat = (0.37 * share_below_002_from_texture(45, 18) + 4.09) / 10;
        EXPECT_GT(s.max_lts.value, 0);
        EXPECT_LT(s.max_lts.value, csat);
    }
}

TEST(CompleteSoilRecord, GivenValuesStay)
{
    // Every property given with an implausible but recognisable value is kept.
    SoilRecord s = texture(18, 45);
    double v = 1.25;
    for (const auto& p : kSoilProperties) {
        if ((s.*p.member).given) continue;
        (s.*p.member).give(v);
        v += 1;
    }
    const SoilRecord before = s;
    complete_soil_record(s, inputs(3, 1.4));
    for (const auto& p : kSoilProperties) {
        EXPECT_EQ((s.*p.member).value, (before.*p.member).value) << p.name;
        EXPECT_TRUE((s.*p.member).given) << p.name;
    }
}

TEST(CompleteSoilRecord, GivenWaterContentsSetTheFinePoreShare)
{
    SoilRecord s = texture(18, 45);
    s.FC.give(30);
    s.PWP.give(12);
    complete_soil_record(s, inputs(1, 1.4));
    EXPECT_EQ(s.FC.value, 30);
    EXPECT_EQ(s.PWP.value, 12);
    const double fine = 12.0 / 5, medium = 18.0 / 10, coarse = (s.PV.value - 30) / 500;
    EXPECT_DOUBLE_EQ(s.cif.value, fine / (fine + medium + coarse));
}

TEST(CompleteSoilRecord, GivenPoreVolumeSetsTheParticleDensity)
{
    SoilRecord s = texture(18, 45);
    s.PV.give(45);
    complete_soil_record(s, inputs(3, 1.4));
    EXPECT_EQ(s.PV.value, 45);
    EXPECT_EQ(s.PD.value, s.BD.value / (1 - 45.0 / 100));
}

TEST(CompleteSoilRecord, LieberothSwitchesToBrooksCoreyAtTwentyTwoPercentBelowOneHundredthMillimetre)
{
    // With FAT = silt + clay = 22 the curve is flat: exactly 22 % finer than 0.01 mm.
    SoilRecord at = texture(10, 12);
    at.FAT.give(22);
    complete_soil_record(at, inputs(3, 1.0));
    SoilRecord bc = at;
    bc.FC = bc.PWP = SoilValue{};
    complete_soil_record(bc, inputs(1, 1.0));
    EXPECT_EQ(at.FC.value, bc.FC.value);
    EXPECT_EQ(at.PWP.value, bc.PWP.value);

    SoilRecord below = texture(10, 12);
    below.FAT.give(21.9);
    complete_soil_record(below, inputs(3, 1.0));
    const double share = share_below_001_from_fat(12, 10, 21.9);
    ASSERT_LT(share, 22);
    EXPECT_EQ(below.FC.value, 0.85 * share + 3.4);
    EXPECT_EQ(below.PWP.value, 0.74 * 10 + 1.23);
}

TEST(CompleteSoilRecord, VereeckenReplacesZeroCarbonForTheWaterContentsOnly)
{
    SoilRecord s = texture(18, 45);
    complete_soil_record(s, inputs(2, 0));
    const double corg = 0.05 * s.FAT.value + 0.5;
    const VanGenuchten p = continuous_water_retention(45, 18, corg, s.BD.value);
    EXPECT_EQ(s.FC.value, 100 * water_content(p, kHfc));
    EXPECT_EQ(s.PWP.value, 100 * water_content(p, kHpwp));
    EXPECT_EQ(s.Corg, 0);
    EXPECT_EQ(s.BD.value, bulk_density(0, 18));
}

TEST(CompleteSoilRecord, UnknownModeGivesNoWater)
{
    SoilRecord s = texture(18, 45);
    complete_soil_record(s, inputs(0, 1.4));
    EXPECT_EQ(s.FC.value, 0);
    EXPECT_EQ(s.PWP.value, 0);
    EXPECT_EQ(s.cif.value, 0);
    EXPECT_STREQ(ptf_mode_name(0), "");
    EXPECT_STREQ(ptf_mode_name(1), "Brooks/Corey");
    EXPECT_STREQ(ptf_mode_name(4), "Zacharias");
}

TEST(Zacharias, SandyBranchStartsAtSixtySixPointSix)
{
    const double clay = 10, bd = 1.5;
    const VanGenuchten sandy = zacharias_parameters_for_sand(66.6, clay, bd);
    EXPECT_DOUBLE_EQ(sandy.theta_s, 0.89 + 0.001 * clay - 0.322 * bd);
    const VanGenuchten loamy = zacharias_parameters_for_sand(66.59, clay, bd);
    EXPECT_DOUBLE_EQ(loamy.theta_s, 0.788 + 0.001 * clay - 0.263 * bd);
    for (const VanGenuchten& p : {sandy, loamy}) {
        EXPECT_EQ(p.theta_r, 0);
        EXPECT_DOUBLE_EQ(p.m, 1 - 1 / p.n);
        // alpha and n carry six decimals.
        EXPECT_NEAR(p.alpha * 1e6, std::round(p.alpha * 1e6), 1e-6);
        EXPECT_NEAR(p.n * 1e6, std::round(p.n * 1e6), 1e-6);
    }
}

TEST(WaterRetention, ContentFallsFromSaturationWithSuction)
{
    const VanGenuchten p = water_retention_parameters(1, 40, 20, 1.2, 1.45);
    EXPECT_EQ(p.k_sat, -99);
    EXPECT_EQ(p.l, 0.5);
    EXPECT_DOUBLE_EQ(water_content(p, 0), p.theta_s);
    EXPECT_DOUBLE_EQ(water_content(p, -kHfc), water_content(p, kHfc));  // suction sign does not matter
    EXPECT_GT(water_content(p, kHfc), water_content(p, kHpwp));
    EXPECT_GT(water_content(p, kHpwp), 0);
    EXPECT_THROW(water_retention_parameters(2, 40, 20, 1.2, 1.45), std::invalid_argument);
}

TEST(SoilPropertiesForCarbon, ChooseTheWaterContentsByTheFineShare)
{
    // 5 % clay and 10 % silt: less than 22 % below 0.01 mm, the linear water contents.
    const CarbonSoilProperties light = soil_properties_for_carbon(1.0, 5, 10, PoreSizeParams{});
    ASSERT_LT(share_below_001_from_texture(10, 5), 22);
    EXPECT_EQ(light.PWP, 0.74 * 5 + 1.23);
    EXPECT_EQ(light.FC, 0.85 * share_below_001_from_texture(10, 5) + 3.4);

    const CarbonSoilProperties heavy = soil_properties_for_carbon(1.0, 25, 50, PoreSizeParams{});
    const WaterContents bc = brooks_corey_water_contents(kHfc, kHpwp, heavy.PV, 50, 25);
    EXPECT_EQ(heavy.PWP, bc.PWP);
    EXPECT_EQ(heavy.FC, bc.FC);
    EXPECT_EQ(heavy.BD, bulk_density(1.0, 25));
    EXPECT_DOUBLE_EQ(heavy.cif, fine_pore_share(500, 10, 5, heavy.PWP, heavy.FC, heavy.PV));
}

} // namespace
