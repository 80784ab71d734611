#include "eval/fit_statistics.h"

#include "eval/critical_correlation.h"

#include <cmath>

namespace vt::eval {

namespace {

// Pearson correlation from sums; nullopt when a root is of a negative number or the
// product of the roots is not positive.
std::optional<long double> correlation(long double sxy, long double sx, long double sx2, long double sy,
                                       long double sy2, long double n)
{
    const long double vx = sx2 - sx * sx / n;
    const long double vy = sy2 - sy * sy / n;
    if (vx < 0 || vy < 0) return std::nullopt;
    const long double root = std::sqrt(vx) * std::sqrt(vy);
    if (!(root > 0)) return std::nullopt;
    const long double r = (sxy - sx * sy / n) / root;
    if (!std::isfinite(r)) return std::nullopt;
    return r;
}

} // namespace

std::optional<FitStatistics> fit_statistics(const PairSums& p)
{
    if (p.n < 2) return std::nullopt;
    FitStatistics f;
    const long double n = p.n;
    f.n = p.n;
    const long double sse = p.o2 + p.s2 - 2 * p.os;  // Σ(o - s)²
    const long double oMean = p.o / n;
    const long double sMean = p.s / n;

    f.me = (p.o - p.s) / n;
    f.relErr = f.me * n / p.o;
    f.e = p.dRel / n;
    f.rmse = std::sqrt(sse / n);
    f.rmseRel = f.rmse / oMean;
    const long double oVar = p.o2 - n * oMean * oMean;
    if (oVar != 0) f.ef = 1 - sse / oVar;

    const long double s2 = (sse - (p.o - p.s) * f.me) / (n - 1);
    if (s2 >= 0) {
        f.s = std::sqrt(s2);
        f.smw = std::sqrt(s2 / n);
    }

    f.rKrit = critical_r(p.n);
    f.r = correlation(p.os, p.o, p.o2, p.s, p.s2, n);
    if (f.r) f.rDif = correlation(p.dTau, p.tau, p.tau2, p.d, p.d2, n);
    f.rFailed = !f.r || !f.rDif;

    const long double sVar = p.s2 - n * sMean * sMean;
    if (oVar * sVar != 0 && f.r) {
        ErrorDecomposition dec;
        const long double b = (p.os - n * oMean * sMean) / oVar;
        dec.sb = (oMean - sMean) * (oMean - sMean);
        // Variances and 1 - r² are never negative; a negative remainder of their
        // differences is rounding noise (r of a perfect fit read as 1 + 1e-16).
        const auto nonNegative = [](long double v) { return v < 0 ? 0.0L : v; };
        dec.nu = (1 - b) * (1 - b) * nonNegative(p.o2 / n - oMean * oMean);
        dec.lc = nonNegative(p.s2 / n - sMean * sMean) * nonNegative(1 - *f.r * *f.r);
        const long double mse = f.rmse * f.rmse;
        if (mse > 0) {
            dec.sbShare = dec.sb / mse;
            dec.nuShare = dec.nu / mse;
            dec.lcShare = dec.lc / mse;
        }
        f.decomposition = dec;
    }

    f.rele = f.me * 100 * n / p.o;
    f.rmsprz = f.rmse * 100 / oMean;
    f.medprz = p.dRel * 100 / n;
    return f;
}

} // namespace vt::eval
