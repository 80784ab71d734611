#include "engine/soil/steady_state.h"

#include "engine/soil/carbon_rates.h"
#include "engine/soil/pedotransfer.h"
#include "engine/soil/soil_physics.h"

#include <cmath>
#include <sstream>

namespace vt::engine {

namespace {

std::string describe_inputs(double repix, double silt, double clay)
{
    std::ostringstream s;
    s.precision(10);
    s << "repix=" << repix << ", silt=" << silt << ", clay=" << clay;
    return s.str();
}

} // namespace

SteadyStateSystem::SteadyStateSystem(double repix, double silt, double clay, const PoreSizeParams& pores,
                                     const ModelConstants& k)
    : repix_(repix), silt_(silt), clay_(clay), pores_(pores), k_(k)
{
}

double SteadyStateSystem::cif(double corg) const
{
    return soil_properties_for_carbon(corg, clay_, silt_, pores_).cif;
}

CarbonPools SteadyStateSystem::split(double s, double cifOfS) const
{
    const double L = s * cifOfS;
    const double S = (s - L) / (k_.ka / k_.ks + 1);
    const double A = s - L - S;
    return {0, A, S, L};
}

CarbonPools SteadyStateSystem::derivatives(const CarbonPools& y, double rep, double lTarget) const
{
    const double f0 = kSteadyStateUnit;
    const double c = y[1] + y[2] + y[3];
    CarbonPools d;
    d[3] = lTarget * cif(c) - y[3];
    d[1] = (k_.ka * y[2] + rep - (k_.km + k_.ks) * y[1]) * f0 - d[3];
    d[2] = (k_.ks * y[1] - k_.ka * y[2]) * f0;
    d[0] = k_.km * y[1] * f0;
    return d;
}

CarbonPools SteadyStateSystem::rk4_step(const CarbonPools& y, double h, double rep, double lTarget) const
{
    auto shifted = [&y](double f, const CarbonPools& k) {
        CarbonPools r;
        for (std::size_t i = 0; i < r.size(); ++i) r[i] = y[i] + f * k[i];
        return r;
    };
    const CarbonPools k1 = derivatives(y, rep, lTarget);
    const CarbonPools k2 = derivatives(shifted(h / 2, k1), rep, lTarget);
    const CarbonPools k3 = derivatives(shifted(h / 2, k2), rep, lTarget);
    const CarbonPools k4 = derivatives(shifted(h, k3), rep, lTarget);
    CarbonPools next;
    for (std::size_t i = 0; i < next.size(); ++i) next[i] = y[i] + h * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]) / 6;
    return next;
}

double SteadyStateSystem::iterate(double s) const
{
    const CarbonSoilProperties props = soil_properties_for_carbon(s, clay_, silt_, pores_);
    const double rep = repix_ / (props.BD * kSoilMassFactor);
    CarbonPools y = split(s, props.cif);
    const double lTarget = y[3] / cif(y[1] + y[2] + y[3]);
    for (int i = 0; i < kSteadyStateSteps; ++i) y = rk4_step(y, 1, rep, lTarget);
    return y[1] + y[2] + y[3];
}

SteadyState steady_state(double repix, double silt, double clay, const PoreSizeParams& pores,
                         const ModelConstants& k, int maxIterations)
{
    const SteadyStateSystem system(repix, silt, clay, pores, k);
    SteadyState r;
    double corg = kSteadyStateStart;
    for (;;) {
        if (r.iterations >= maxIterations)
            throw SteadyStateError("no steady state of organic carbon after " + std::to_string(maxIterations) +
                                   " iterations for " + describe_inputs(repix, silt, clay));
        const double s = corg;
        corg = system.iterate(s);
        ++r.iterations;
        // A content outside 0..100 % (or none at all) runs away; stop before it turns into NaN.
        if (!std::isfinite(corg) || corg < 0 || corg > 100)
            throw SteadyStateError("the steady state of organic carbon cannot be computed for " +
                                   describe_inputs(repix, silt, clay) + ": the carbon content does not settle");
        if (std::fabs(corg - s) < kSteadyStateTolerance) break;
    }

    const CarbonSoilProperties props = soil_properties_for_carbon(corg, clay, silt, pores);
    r.Corg = corg;
    r.BD = props.BD;
    r.PWP = props.PWP;
    r.cif = props.cif;
    r.rep_ss = (1 - props.cif) * corg * props.BD * kSoilMassFactor / kappa(k);
    return r;
}

} // namespace vt::engine
