#pragma once
#include <optional>

namespace vt::eval {

// Sums over the accepted pairs of observed o and simulated s values, in extended
// precision; d = o - s, tau = year / 1000.
struct PairSums {
    long n = 0;
    long double o = 0, o2 = 0, s = 0, s2 = 0, os = 0;
    long double d = 0, d2 = 0, dRel = 0;
    long double tau = 0, tau2 = 0, dTau = 0;
};

// Split of the mean squared error into squared bias, non-unity slope and lack of
// correlation, each with its share of RMSE².
struct ErrorDecomposition {
    long double sb = 0, nu = 0, lc = 0;
    std::optional<long double> sbShare, nuShare, lcShare;  // absent when RMSE is 0
};

// The goodness-of-fit statistics of a set of pairs (at least two).
struct FitStatistics {
    long n = 0;
    long double me = 0;        // mean error (o - s)
    long double relErr = 0;    // ME·n / Σo
    long double e = 0;         // mean relative error Σ(d/o) / n
    long double rmse = 0;
    long double rmseRel = 0;   // RMSE / mean o
    long double ef = -999;     // modelling efficiency; -999 when the observations do not vary
    std::optional<long double> s;    // standard deviation of the differences (absent when s² < 0)
    std::optional<long double> smw;  // standard error of the mean difference
    std::optional<long double> rKrit;  // 3 <= n <= 61
    // Correlation observed ~ simulated, and of the difference with time; absent when a
    // square root or a division fails. rFailed tells that one of them failed.
    std::optional<long double> r, rDif;
    bool rFailed = false;
    std::optional<ErrorDecomposition> decomposition;

    // Percent forms stored in the statistics tables.
    long double rele = 0;      // ME·100·n / Σo
    long double rmsprz = 0;    // RMSE·100 / mean o
    long double medprz = 0;    // Σ(d/o)·100 / n

    bool noBias() const { return smw && *smw > (me < 0 ? -me : me); }
};

// Computes the statistics; nullopt for fewer than two pairs.
std::optional<FitStatistics> fit_statistics(const PairSums& sums);

} // namespace vt::eval
