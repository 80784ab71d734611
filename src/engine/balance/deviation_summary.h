#pragma once
#include <array>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// Observed minus simulated soil organic carbon (%) of the plots of a run, in the seven
// classes of the "histogram" page.
struct DeviationSummary {
    std::array<long long, 7> classes{};
    long long n = 0;
    double meanError = 0;
    double rmse = 0;
    double s = 0;     // standard deviation (n > 1)
    double smw = 0;   // its standard error s / sqrt(n) (n > 1)
    bool bias = false;

    // The run log lines of the summary (none when n is 0).
    std::vector<std::string> logLines() const;
};

// Upper bounds of the first six classes; the seventh holds everything from 0.5 up.
inline constexpr std::array<double, 6> kDeviationBounds{-0.5, -0.25, -0.05, 0.05, 0.25, 0.5};

// The class (0-6) of a difference.
int deviation_class(double d);

DeviationSummary summarise_deviations(const std::vector<double>& differences);

// A simulated soil organic carbon content paired with its observation.
struct SocPair {
    long long fl_id = 0;
    long long year = 0;      // the simulated year
    long long year_num = 0;
    double observed = 0;
    double simulated = 0;
};

// Pairs the sim_result rows of the selected plots with their soil organic carbon
// observations (same plot, year number), leaving out the outliers of tmp_outlist; by plot,
// year number and observation.
std::vector<SocPair> soc_pairs(db::Connection& c);
std::vector<double> observed_minus_simulated(db::Connection& c);

// Appends the protocol row of a run to rux_protokoll; statistics that need more pairs
// than there are stay empty.
void write_protocol_row(db::Connection& c, long long fl_id, const DeviationSummary& s, int runId);

} // namespace vt::engine
