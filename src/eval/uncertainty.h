#pragma once
#include "engine/session/simulation_session.h"
#include "eval/observation_pairs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// The distribution a parameter is drawn from: normal(MEAN,SD), uniform(LOW,HIGH) or
// lognormal(MU,SIGMA) (the logarithm normal with mean MU and standard deviation SIGMA).
struct Distribution {
    enum class Kind { Normal, Uniform, LogNormal } kind = Kind::Normal;
    double a = 0, b = 0;
};

struct UncertainParameter {
    std::string name;
    Distribution distribution;
};

// Parses "NAME=normal(MEAN,SD)", "NAME=uniform(LOW,HIGH)" or "NAME=lognormal(MU,SIGMA)";
// throws std::invalid_argument with a message for the user.
UncertainParameter parse_uncertain_parameter(const std::string& text);

// The parameter values of every sample, drawn one after another from a generator seeded
// with `seed`: the same seed gives the same samples on every machine and for any number
// of threads. samples[s][p] is parameter p of sample s.
std::vector<std::vector<double>> draw_samples(const std::vector<UncertainParameter>& parameters, std::size_t count,
                                              std::uint64_t seed);

struct UncertaintyRequest {
    std::vector<UncertainParameter> parameters;
    std::size_t samples = 100;
    std::uint64_t seed = 1;
    int jobs = 0;
    std::function<bool()> stop;  // polled after every simulated year of a sample
    std::function<void(std::size_t done, std::size_t total)> progress;  // on the calling thread
};

// The 5, 25, 50, 75 and 95 % quantiles of one property of a plot-year over the samples.
struct QuantileRow {
    long long fl_id = 0;
    int year = 0;
    int year_num = 0;
    int m_ix = 7;
    double q[5] = {0, 0, 0, 0, 0};
    std::size_t samples = 0;  // the samples that gave a value
};

// A parameter's first-order sensitivity index for the final organic carbon of a plot:
// the share of the variance explained by the parameter alone.
struct SensitivityRow {
    long long fl_id = 0;
    std::string parameter;
    double s1 = 0;
};

struct PlotCoverage {
    long long fl_id = 0;
    std::size_t observations = 0;
    std::size_t inside = 0;  // within the 90 % band (q05..q95) of their year
};

// A sample in which a plot that the session's own parameters simulate to its end was not
// (a value that is not a finite number, a BAT beyond its bound): its values are left out.
struct FailedSample {
    std::size_t sample = 0;  // counted from 1
    std::string reason;      // "plot 101: ..."
};

struct UncertaintyResult {
    std::vector<QuantileRow> quantiles;  // by plot, year, property (7, then 0)
    std::vector<SensitivityRow> sensitivity;
    std::vector<PlotCoverage> coverage;
    std::size_t samples = 0;
    std::vector<FailedSample> failed{};  // in sample order
    bool stopped = false;
};

// The memory a run of `samples` samples needs for `series` simulated series of `plots`
// plots and `parameters` parameters, in bytes (saturating).
std::uint64_t uncertainty_memory(std::size_t samples, std::size_t series, std::size_t plots, std::size_t parameters);
// The memory an uncertainty run may take: half of the machine's physical memory.
std::uint64_t uncertainty_memory_limit();

// Simulates every sample on `jobs` threads and summarises the organic carbon (% C, as
// sim_result holds it) and total nitrogen (% N) of every plot-year. Observations of
// organic carbon give the coverage of the 90 % band. Throws std::invalid_argument for an
// unknown parameter, no samples, or more samples than the memory holds.
UncertaintyResult run_uncertainty(const engine::SimulationSession& session, const std::vector<Observation>& carbon,
                                  const UncertaintyRequest& request);

// Replaces the rows of the result's plots in rux_uncertainty and rux_sensitivity (created
// when missing) in one transaction.
void store_uncertainty(db::Connection& c, const UncertaintyResult& r);

} // namespace vt::eval
