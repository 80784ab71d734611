#pragma once
#include "engine/types/run_config.h"
#include "engine/soil/soil_record.h"

#include <array>
#include <stdexcept>

// Organic carbon content that a soil reaches at steady state under a given carbon
// reproduction index (kg C/ha per BAT-day), found by integrating the soil carbon pools
// while the soil's physical properties follow the carbon content.

namespace vt::engine {

// The search did not converge or produced no number; the message names the inputs.
class SteadyStateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SteadyState {
    double Corg = 0;    // organic carbon content at steady state, %
    double BD = 0;      // bulk density at that content
    double PWP = 0;     // water content at the wilting point, % by volume
    double cif = 0;     // share of carbon in fine pores
    double rep_ss = 0;  // reproduction (kg C/ha per BAT-day) that holds the decomposable carbon
    int iterations = 0; // iterations of the search
};

// Start value, tolerance and limits of the search.
inline constexpr double kSteadyStateStart = 0.5;        // % C
inline constexpr double kSteadyStateTolerance = 0.0001; // % C
inline constexpr int kSteadyStateSteps = 1000;          // integration units per iteration
inline constexpr double kSteadyStateUnit = 30;          // BAT-days per integration unit (f0)
inline constexpr int kSteadyStateMaxIterations = 10000;

// Pools of the integration, contents in % C: 0 cumulative mineralised carbon, 1 active,
// 2 stabilised, 3 long-term stable.
using CarbonPools = std::array<double, 4>;

// The system of the search for one soil and one reproduction index.
class SteadyStateSystem {
public:
    SteadyStateSystem(double repix, double silt, double clay, const PoreSizeParams& pores, const ModelConstants& k);

    // Share of carbon in fine pores at a total content (% C).
    double cif(double corg) const;

    // Splits a content at steady state: L = s * cif, S = (s - L) / (ka / ks + 1), A = s - L - S.
    CarbonPools split(double s, double cifOfS) const;

    // Derivatives of the pools; rep (% C per BAT-day) and Ltarget (% C) of the iteration.
    CarbonPools derivatives(const CarbonPools& y, double rep, double lTarget) const;

    // One classical fourth-order Runge-Kutta step of length h.
    CarbonPools rk4_step(const CarbonPools& y, double h, double rep, double lTarget) const;

    // One iteration of the search from the start content s; returns the end total.
    double iterate(double s) const;

private:
    double repix_;
    double silt_;
    double clay_;
    PoreSizeParams pores_;
    ModelConstants k_;
};

// Steady-state organic carbon for a reproduction index repix (kg C/ha per BAT-day) on a
// soil of the given texture: starts at 0.5 % C and iterates until two successive totals
// differ by less than 0.0001 % C. Throws SteadyStateError after maxIterations, or as soon
// as a total leaves 0..100 % C or stops being a number (the content runs away).
SteadyState steady_state(double repix, double silt, double clay, const PoreSizeParams& pores,
                         const ModelConstants& k, int maxIterations = kSteadyStateMaxIterations);

} // namespace vt::engine
