#include "engine/soil/water_retention.h"

#include "engine/soil/rounding.h"
#include "engine/soil/soil_physics.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace vt::engine {

namespace {

double sq(double x) { return x * x; }

VanGenuchten with_shape(VanGenuchten p)
{
    p.m = 1 - 1 / p.n;
    return p;
}

} // namespace

double water_content(const VanGenuchten& p, double h)
{
    return p.theta_r + (p.theta_s - p.theta_r) / std::pow(1 + std::pow(p.alpha * std::fabs(h), p.n), p.m);
}

VanGenuchten continuous_water_retention(double silt, double clay, double corg, double bd)
{
    // The functions divide by the clay and the organic matter content and take the logarithm
    // of the latter: a content of 0 is taken as 0.0001 % (the soil calculator does the same).
    const double S = sand_u(silt, clay);
    const double C = clay == 0 ? 0.0001 : clay;
    const double D = bd;
    const double OM = 1.724 * (corg == 0 ? 0.0001 : corg);

    VanGenuchten p;
    p.theta_r = 0;
    p.theta_s = 0.7919 + 0.001691 * C - 0.29619 * D - 0.000001491 * sq(S) + 0.0000821 * sq(OM) + 0.02427 / C +
                0.01113 / S + 0.01472 * std::log(S) - 0.0000733 * OM * C - 0.000619 * D * C -
                0.001183 * D * OM - 0.0001664 * S;
    p.alpha = std::exp(-14.96 + 0.03135 * C + 0.0351 * S + 0.646 * OM + 15.29 * D - 0.192 - 4.671 * sq(D) -
                       0.000781 * sq(C) - 0.00687 * sq(OM) + 0.0449 / OM + 0.0663 * std::log(S) +
                       0.1482 * std::log(OM) - 0.04546 * D * S - 0.4852 * D * OM + 0.00673 * C);
    p.n = 1 + std::exp(-25.23 - 0.02195 * C + 0.0074 * S - 0.194 * OM + 45.5 * D - 7.24 * sq(D) +
                       0.0003658 * sq(C) + 0.002885 * sq(OM) - 12.81 / D - 0.1524 / S - 0.01958 / OM -
                       0.2876 * std::log(S) - 0.0709 * std::log(OM) - 44.6 * std::log(D) - 0.02264 * D * C +
                       0.0896 * D * OM + 0.00718 * C);
    return with_shape(p);
}

VanGenuchten water_retention_parameters(int mode, double silt, double clay, double corg, double bd)
{
    if (mode != 1)
        throw std::invalid_argument("unknown water retention mode " + std::to_string(mode) +
                                    " (1: continuous pedotransfer functions)");
    return continuous_water_retention(silt, clay, corg, bd);
}

VanGenuchten zacharias_parameters(double silt, double clay, double bd)
{
    return zacharias_parameters_for_sand(sand_u(silt, clay), clay, bd);
}

VanGenuchten zacharias_parameters_for_sand(double sandU, double clay, double bd)
{
    const double S = sandU;
    const double C = clay;
    const double D = bd;
    VanGenuchten p;
    p.theta_r = 0;
    if (S < 66.6) {
        p.theta_s = 0.788 + 0.001 * C - 0.263 * D;
        p.alpha = std::exp(-0.648 + 0.023 * S + 0.044 * C - 3.1618 * D);
        p.n = 1.392 - 0.4189 * std::pow(S, -0.024) + 1.212 * std::pow(C, -0.704);
    } else {
        p.theta_s = 0.89 + 0.001 * C - 0.322 * D;
        p.alpha = std::exp(-4.197 + 0.013 * S + 0.076 * C - 0.276 * D);
        p.n = -2.562 + 7e-9 * std::pow(S, 4.004) + 3.75 * std::pow(C, -0.016);
    }
    p.alpha = round_half_even(p.alpha, 6);
    p.n = round_half_even(p.n, 6);
    return with_shape(p);
}

WaterContents brooks_corey_water_contents(double hfc, double hpwp, double pv, double silt, double clay)
{
    const double S = sand_u(silt, clay);
    const double C = clay;
    const double P = pv / 100;

    const double lnHb = 5.3396738 + 0.1845038 * C - 2.48394546 * P - 0.00213853 * sq(C) - 0.04356349 * S * P -
                        0.61745089 * C * P + 0.00143598 * sq(S) * sq(P) - 0.00855375 * sq(C) * sq(P) -
                        0.00001282 * sq(S) * C + 0.00895359 * sq(C) * P - 0.00072472 * sq(S) * P +
                        0.0000054 * sq(C) * S + 0.5002806 * sq(P) * C;
    const double lnLambda = -0.7842831 + 0.0177544 * S - 1.062498 * P - 0.00005304 * sq(S) - 0.00273493 * sq(C) +
                            1.11134946 * sq(P) - 0.03088295 * S * P + 0.00026587 * sq(S) * sq(P) -
                            0.00610522 * sq(C) * sq(P) - 0.00000235 * sq(S) * C + 0.00798746 * sq(C) * P -
                            0.00674491 * sq(P) * C;
    const double thetaR = -0.0182482 + 0.00087269 * S + 0.00513488 * C + 0.02939286 * P - 0.00015395 * sq(C) -
                          0.0010827 * S * P - 0.00018233 * sq(C) * sq(P) + 0.00030703 * sq(C) * P -
                          0.0023584 * sq(P) * C;
    const double thetaS = 0.01162 - 0.001473 * S - 0.002236 * C + 0.98402 * P + 0.0000987 * sq(C) +
                          0.003616 * S * P - 0.010859 * C * P - 0.000096 * sq(C) * P - 0.002437 * sq(P) * S +
                          0.0115395 * sq(P) * C;
    const double hb = std::exp(lnHb);
    const double lambda = std::exp(lnLambda);

    WaterContents w;
    w.PWP = 100 * (thetaR + (thetaS - thetaR) * std::pow(hb / hpwp, lambda));
    w.FC = 100 * (thetaR + (thetaS - thetaR) * std::pow(hb / hfc, lambda));
    return w;
}

WaterContents linear_water_contents(double shareBelow001, double clay)
{
    WaterContents w;
    w.FC = 0.85 * shareBelow001 + 3.4;
    w.PWP = 0.74 * clay + 1.23;
    return w;
}

PoreClasses pore_classes(double ma, double me, double mi, double pwp, double fc, double pv)
{
    PoreClasses c;
    c.fine = pwp / mi;
    c.medium = (fc - pwp) / me;
    c.coarse = (pv - fc) / ma;
    c.sum = c.fine + c.medium + c.coarse;
    return c;
}

double fine_pore_share(double ma, double me, double mi, double pwp, double fc, double pv)
{
    const PoreClasses c = pore_classes(ma, me, mi, pwp, fc, pv);
    return c.fine / c.sum;
}

} // namespace vt::engine
