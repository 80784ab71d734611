#include "engine/balance/plot_simulation.h"
#include "engine/soil/soil_physics.h"
#include "engine/soil/water_retention.h"

#include <gtest/gtest.h>

using namespace vt::engine;

namespace {

// One plot of `years` years from 2000 on, with the given BAT every year and no additions.
PlotInput plot(double corg, double bd, double skelett, int years, double bat)
{
    PlotInput in;
    in.fl_id = 1;
    BalanceRow r;
    r.fl_id = 1;
    r.i_con = "obsval";
    r.corg = corg;
    r.norg = corg / 10;
    r.bd = bd;
    r.skelett = skelett;
    r.cif = 0.3;
    r.max_lts = 1.0;
    r.fchw = 15;
    r.fbio = 0.03;
    r.clay = 18;
    r.silt = 40;
    for (int y = 0; y < years; ++y) {
        r.year_0 = 2000 + y;
        in.rows.push_back(r);
        in.bat.emplace_back(r.year_0, bat);
    }
    return in;
}

BalanceOptions reference()
{
    BalanceOptions o;
    o.stepwise = true;
    return o;
}

// The initial stocks are computed in the order the model states them, so that they agree
// to the last bit: c_lts = (1 - skelett) * lts% * BD * 30 * 1000, c_dec = (1 - skelett) *
// Corg * 1000 * BD * 30 - c_lts. A first year without BAT leaves them as they are.
TEST(PlotYearResults, InitialStocksInTheModelsOrder)
{
    const double corg = 1.23, bd = 1.31, s = 0.13;
    const PlotOutput out = simulate_plot(plot(corg, bd, s, 1, 0), reference());
    ASSERT_EQ(out.years.size(), 1u);
    const double dec = std::min((1 - 0.3) * corg, 2.0), lts = corg - dec;
    const double c_lts = (1 - s) * lts * bd * 30 * 1000;
    const double c_dec = (1 - s) * corg * 1000 * bd * 30 - c_lts;
    EXPECT_EQ(out.years[0].nresult[8], c_lts);
    EXPECT_EQ(out.years[0].nresult[6], 0 + c_dec + c_lts);  // c_som: no fresh matter yet
}

// n_org (%) = n_som / (BD * 30000) / (1 - skelett), from the columns of the same row.
TEST(PlotYearResults, OrganicNitrogenContentFromTheNitrogenStock)
{
    for (double s : {0.05, 0.13, 0.21}) {
        const PlotOutput out = simulate_plot(plot(1.37, 1.42, s, 6, 37.3), reference());
        ASSERT_EQ(out.years.size(), 6u);
        for (const YearResult& y : out.years)
            EXPECT_EQ(y.nresult[10], y.nresult[9] / (y.nresult[16] * 30000) / (1 - s)) << y.z_jahr;
    }
}

// A plot that starts from a stored state keeps the total carbon of its soil record as the
// previous year-end total: the first year's wilting point of the dynamic long-term pool is
// that of the recorded content, whatever the stored pools hold.
TEST(PlotYearResults, StoredStateStartsTheLongTermPoolFromTheRecordedContent)
{
    const double corg = 1.37, bd = 1.42, s = 0.05;
    PlotInput in = plot(corg, bd, s, 2, 40);
    for (BalanceRow& r : in.rows) r.i_con = "omstat";
    OmState stored;
    stored.c_am = 9000;
    stored.c_sm = 30000;
    stored.c_lts = 12000;
    in.storedState = stored;
    BalanceOptions o = reference();
    o.dyn_lts = true;
    const PlotOutput out = simulate_plot(in, o);
    ASSERT_EQ(out.years.size(), 2u);
    const double c_total = (1 - s) * corg * bd * 30000;
    const double pwp = 100 * water_content(water_retention_parameters(1, 40, 18, c_total / (bd * 30000), bd), o.k.hpwp);
    EXPECT_EQ(out.years[0].nresult[17], pwp);
}

// The first year's carbon content is the observed one, whatever the soil's bulk density:
// without a dynamic density the given one holds (1.25 g/cm3 stays, though the density of
// the content would be 1.51), with it the plot starts at the density of its content. A year
// without BAT changes no pool, so the content of its end is the initial one.
TEST(PlotYearResults, FirstYearKeepsTheObservedContent)
{
    struct Case {
        bool dyn_bd;
        double bd;
    };
    const double corg = 1.07;
    for (const Case k : {Case{false, 1.25}, Case{true, vt::engine::bulk_density(corg, 18)}}) {
        BalanceOptions o = reference();
        o.dyn_bd = k.dyn_bd;
        const PlotOutput out = simulate_plot(plot(corg, 1.25, 0, 1, 0), o);
        ASSERT_EQ(out.years.size(), 1u);
        EXPECT_NEAR(out.years[0].sim_exact, corg, 1e-12) << k.dyn_bd;
        EXPECT_NEAR(out.years[0].nresult[16], k.bd, 1e-12) << k.dyn_bd;
    }
}

} // namespace
