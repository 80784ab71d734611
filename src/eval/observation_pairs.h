#pragma once
#include "engine/session/simulation_session.h"
#include "eval/fit_statistics.h"

#include <optional>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// An observation of one property of a plot, after its initial state (year number > 0).
struct Observation {
    long long fl_id = 0;
    int year = 0;
    int year_number = 0;
    double value = 0;
};

// The observations of property `m_ix` (7 organic carbon, 0 total nitrogen, 5 microbial
// biomass carbon) of the given plots, in plot and year order, without those the outlier
// indication flagged (tmp_outlist).
std::vector<Observation> read_observations(db::Connection& c, const std::vector<long long>& plots, int m_ix);

// The simulated value of a property in a year's results, as the evaluation compares it:
// organic carbon in % C (before rounding when `exact`), total nitrogen in % N, microbial
// biomass carbon; nullopt when the year has none.
std::optional<double> simulated_value(const engine::YearResult& y, int m_ix, bool exact);

// The goodness of fit of one plot: the number of pairs, mean error (observed -
// simulated), RMSE and modelling efficiency (-999 when it cannot be computed).
struct PlotFit {
    long long fl_id = 0;
    long n = 0;
    double me = 0;
    double rmse = 0;
    double ef = -999;
};

// The observations of the plots of a simulation session paired with the simulated years
// they belong to: organic carbon by year number, the other properties by calendar year,
// as the evaluation pairs them. Observations of plots outside the session are left out.
class ObservationPairs {
public:
    ObservationPairs(const engine::SimulationSession& session, std::vector<Observation> observations, int m_ix);

    std::size_t size() const { return pairs_.size(); }
    int property() const { return m_ix_; }

    // observed - simulated of every pair, in a fixed order; a pair whose year was not
    // simulated with these parameters counts its observed value in full.
    void residuals(const std::vector<engine::PlotOutput>& outputs, double* out) const;
    // The fit of every plot that has pairs, in plot order.
    std::vector<PlotFit> plotFits(const std::vector<engine::PlotOutput>& outputs) const;
    // The observations of each plot, by the session's plot index.
    const std::vector<std::vector<Observation>>& byPlot() const { return byPlot_; }

private:
    struct Pair {
        std::size_t plot;   // index in the session
        int key;            // year number (organic carbon) or year
        double observed;
        int year;
    };
    std::optional<double> simulated(const engine::PlotOutput& out, const Pair& p) const;

    int m_ix_;
    std::vector<Pair> pairs_;
    std::vector<std::vector<Observation>> byPlot_;
};

} // namespace vt::eval
