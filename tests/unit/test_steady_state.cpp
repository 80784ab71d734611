#include "engine/soil/carbon_rates.h"
#include "engine/soil/pedotransfer.h"
#include "engine/soil/steady_state.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vt::engine;

namespace {

TEST(SteadyStateSplit, DividesAContentAtSteadyState)
{
    const ModelConstants k;  // ka 0.00032, ks 0.0009
    const SteadyStateSystem system(20, 40, 15, PoreSizeParams{}, k);
    const CarbonPools y = system.split(1.0, 0.2);
    EXPECT_EQ(y[0], 0);
    EXPECT_NEAR(y[3], 0.2, 1e-15);
    EXPECT_NEAR(y[2], 0.5902, 5e-5);
    EXPECT_NEAR(y[1], 0.2098, 5e-5);
    EXPECT_NEAR(y[1] + y[2] + y[3], 1.0, 1e-15);
    // The active and stabilised pools exchange equal fluxes.
    EXPECT_NEAR(k.ks * y[1], k.ka * y[2], 1e-15);
}

TEST(SteadyStateIteration, IntegratesOneThousandUnitsOfThirtyBatDays)
{
    // The same system integrated independently with small midpoint steps.
    const ModelConstants k;
    const SteadyStateSystem system(35, 40, 15, PoreSizeParams{}, k);
    const double s = 1.0;
    const CarbonSoilProperties props = soil_properties_for_carbon(s, 15, 40, PoreSizeParams{});
    const double rep = 35 / (props.BD * 30000);
    CarbonPools y = system.split(s, props.cif);
    const double lTarget = y[3] / system.cif(y[1] + y[2] + y[3]);
    const double h = 0.05;
    for (int i = 0; i < 20000; ++i) {
        const CarbonPools k1 = system.derivatives(y, rep, lTarget);
        CarbonPools mid;
        for (std::size_t j = 0; j < 4; ++j) mid[j] = y[j] + h / 2 * k1[j];
        const CarbonPools k2 = system.derivatives(mid, rep, lTarget);
        for (std::size_t j = 0; j < 4; ++j) y[j] += h * k2[j];
    }
    const double total = system.iterate(s);
    EXPECT_NEAR(total, y[1] + y[2] + y[3], 1e-6);
    EXPECT_GT(std::fabs(total - s), 0.01);  // far from the start: the units are long
}

struct SoilCase {
    double repix;
    double silt;
    double clay;
};

class SteadyStateSearch : public ::testing::TestWithParam<SoilCase> {};

TEST_P(SteadyStateSearch, ReachesTheContentWhoseReproductionHoldsIt)
{
    const SoilCase c = GetParam();
    const ModelConstants k;
    const SteadyState ss = steady_state(c.repix, c.silt, c.clay, PoreSizeParams{}, k);
    EXPECT_GT(ss.Corg, 0);
    EXPECT_LT(ss.iterations, 100);
    // At steady state the active pool mineralises what is reproduced: rep = km * A with
    // A = fa * decomposable carbon, so rep_ss returns the reproduction index.
    EXPECT_NEAR(ss.rep_ss, c.repix, c.repix * 0.01);
    const CarbonSoilProperties props = soil_properties_for_carbon(ss.Corg, c.clay, c.silt, PoreSizeParams{});
    EXPECT_EQ(ss.BD, props.BD);
    EXPECT_EQ(ss.PWP, props.PWP);
    EXPECT_EQ(ss.cif, props.cif);
    // One more iteration from the result stays within the tolerance.
    const SteadyStateSystem system(c.repix, c.silt, c.clay, PoreSizeParams{}, k);
    EXPECT_LT(std::fabs(system.iterate(ss.Corg) - ss.Corg), kSteadyStateTolerance);
}

INSTANTIATE_TEST_SUITE_P(Soils, SteadyStateSearch,
                         ::testing::Values(SoilCase{20, 40, 15},   // loam, Brooks-Corey
                                           SoilCase{60, 65, 25},   // silty clay loam
                                           SoilCase{8, 10, 4},     // sand, linear water contents
                                           SoilCase{60, 30, 45}));

TEST(SteadyStateSearch, MoreReproductionHoldsMoreCarbon)
{
    const ModelConstants k;
    double previous = 0;
    for (double repix : {5.0, 20.0, 80.0}) {
        const double corg = steady_state(repix, 40, 15, PoreSizeParams{}, k).Corg;
        EXPECT_GT(corg, previous) << repix;
        previous = corg;
    }
}

TEST(SteadyStateSearch, StopsAfterTheFirstIterationWhenTheStartIsSteady)
{
    const ModelConstants k;
    const PoreSizeParams pores;
    // The reproduction that holds 0.5 % C on this soil.
    const CarbonSoilProperties p = soil_properties_for_carbon(0.5, 15, 40, pores);
    const double repix = (1 - p.cif) * 0.5 * p.BD * 30000 / kappa(k);
    const SteadyState ss = steady_state(repix, 40, 15, pores, k);
    EXPECT_EQ(ss.iterations, 1);
    EXPECT_NEAR(ss.Corg, 0.5, kSteadyStateTolerance);
}

TEST(SteadyStateSearch, EndsWithAnErrorNamingTheInputsAtTheIterationLimit)
{
    const ModelConstants k;
    try {
        steady_state(80, 40, 15, PoreSizeParams{}, k, 1);
        FAIL() << "no error";
    } catch (const SteadyStateError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("after 1 iterations"), std::string::npos) << m;
        EXPECT_NE(m.find("repix=80"), std::string::npos) << m;
        EXPECT_NE(m.find("silt=40"), std::string::npos) << m;
        EXPECT_NE(m.find("clay=15"), std::string::npos) << m;
    }
}

TEST(SteadyStateSearch, RunawayOrUndefinedContentIsAnError)
{
    const ModelConstants k;
    // On this clay soil the bulk density falls faster than the carbon it must hold grows.
    EXPECT_THROW(steady_state(120, 30, 45, PoreSizeParams{}, k), SteadyStateError);
    PoreSizeParams noPores;
    noPores.mi = 0;  // the fine pore share becomes undefined
    EXPECT_THROW(steady_state(20, 40, 15, noPores, k), SteadyStateError);
}

} // namespace
