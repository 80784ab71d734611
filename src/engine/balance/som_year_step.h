#pragma once
#include "engine/types/run_config.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vt::engine {

class OpsList;

// The soil carbon pools of the plot being simulated (kg C/ha, 0-30 cm) with their marked
// shares and the current bulk density.
struct SoilPools {
    double c_am = 0;    // active
    double c_sm = 0;    // stabilised
    double c_lts = 0;   // long-term stable
    double c_dec = 0;   // decomposable: c_am + c_sm after each year
    double mkd_a = 0;   // marked share of the active pool
    double mkd_s = 0;   // marked share of the stabilised pool
    double BD = 0;
};

// The flows of one year, summed over its integration steps in extended precision.
struct YearFlows {
    long double c_rep = 0;       // fresh organic matter -> active pool
    long double c_m_tot = 0;     // total carbon mineralisation
    long double c_m_fom = 0;     // carbon mineralisation of fresh organic matter
    long double n_m_fom = 0;     // net nitrogen mineralisation of fresh organic matter
    long double n_free_fom = 0;  // gross nitrogen released by fresh organic matter
    long double n_m_om = 0;      // net nitrogen mineralisation of the year
    long double stab_flux = 0;   // active -> stabilised
    long double act_flux = 0;    // stabilised -> active
    long double c_imp_fom = 0;   // carbon added with fresh organic matter
    long double n_imp_fom = 0;   // nitrogen added with it
    long double n_flush = 0;     // nitrogen released by the change of C/N ratio of additions
};

struct SomYearInput {
    bool initialise = false;        // split c_dec into the active and stabilised pool first
    bool dyn_bd = false;
    bool dyn_lts = false;           // shown in the log of the initial split
    bool accumulationOnly = false;  // only fresh organic matter turns over
    double non_bal = 0;             // relative deviation of the initial active pool from steady state
    double clay = 0;
    double bat = 0;                 // BAT of the year, days
    // Walk every Euler step (the reference); otherwise the full steps of the year are
    // summed in closed form and agree with the steps to about 1e-13 relative.
    bool stepwise = true;
    ModelConstants k;
};

// Integration step of the soil pools, BAT-days.
inline constexpr long double kEulerStep = 0.1L;

// One year of the soil pools: the initial split (when asked for, even in a year without
// BAT), then explicit Euler steps of 0.1 BAT-day and one remainder step, each walking the
// fresh organic matter pools (with `stepwise` off, the full steps at once). Returns the
// run log lines of the initial split.
std::vector<std::string> som_year_step(const SomYearInput& in, SoilPools& pools, YearFlows& flows, OpsList& fom);

// One pool's part in the reproduction flux of the full steps of a year: g * power[j] in
// step j, g the flux of the first step and power[j] the share of the pool kept after j
// steps.
struct FluxTerm {
    double g;
    const double* power;
};

// The active and stabilised pools and their marked amounts through n full Euler steps of
// a year, driven by the reproduction flux of every step (the sum of the terms `all`, and of
// the terms `marked` for the marked carbon, in list order, in double precision), with the
// per-step rates out = h*(km+ks), act = h*ka and stab = h*ks; sumAm and sumSm sum the pools
// at the start of every step. The pools in extended precision, operation by operation as
// written in step_soil_pools_portable.
struct SoilSteps {
    long double am = 0, sm = 0;        // active and stabilised carbon
    long double ma = 0, ms = 0;        // their marked amounts
    long double sumAm = 0, sumSm = 0;  // sums over the steps
};

void step_soil_pools(SoilSteps& s, const std::vector<FluxTerm>& all, const std::vector<FluxTerm>& marked,
                     std::size_t n, long double out, long double act, long double stab);
// The same steps in plain C++: the definition of the result, and the path taken where the
// fast one does not apply.
void step_soil_pools_portable(SoilSteps& s, const std::vector<FluxTerm>& all, const std::vector<FluxTerm>& marked,
                              std::size_t n, long double out, long double act, long double stab);

// The long-term stable pool of the year (dynamic option).
struct LtsInput {
    double silt = 0, clay = 0;
    double c_total_prev = 0;  // total organic carbon of the previous year-end
    double bat = 0;
    bool hassink = false;
    double hf = 0;            // formation coefficient of long-term stable carbon
    double kd = 0;            // decay constant of the long-term stable pool
    double max_lts = 0;       // upper limit of long-term stable carbon, %
    double cnrsom = 0;
    double cnr_lts = -99;
    double hpwp = 0;
};

struct LtsState {
    double lts_pwp = 0;   // c_lts per percent of pwp
    double a_age = 20, s_age = 500, l_age = 5500;
};

struct LtsResult {
    double pwp_new = 0;   // water content at the wilting point, % by volume
    double K = 0;         // carbon moved from the active into the long-term stable pool
    double n_lts = 0;     // nitrogen bound with it
};

LtsResult lts_step(const LtsInput& in, const YearFlows& flows, SoilPools& pools, LtsState& state);

// The name of the first soil pool or flow of the year that is not a finite number, or
// nullptr when every one is: a year that overflows (say from an input of 1e308) must end
// its plot rather than carry infinities into the next year and the result tables.
const char* first_non_finite(const SoilPools& pools, const YearFlows& flows);

// num / den, or `previous` when the divisor is 0 or the quotient is not finite.
double ratio_or(double num, double den, double previous);

// "True" / "False".
const char* bool_text(bool b);
// A number in the run log: up to 15 significant digits.
std::string log_number(double v);

} // namespace vt::engine
