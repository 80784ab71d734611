#pragma once
#include "engine/run/run_config.h"
#include "engine/run/run_hooks.h"
#include "eval/calibration.h"
#include "eval/uncertainty.h"

#include <functional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The plots of the experiment at a location, as the browser lists them under it.
std::vector<long long> plots_at_location(db::Connection& c, const std::string& location);

// The run configuration as a run reads it (the settings file, the database's method and
// model constants), without switches.
engine::RunConfig session_run_config(db::Connection& c, const std::string& dbPath, const engine::RunHooks& hooks);

// What a calibration stores with its rows: the plots, the property and the run's options.
std::string calibration_settings_text(const std::vector<long long>& plots, int property, const engine::RunConfig& cfg);

// The current time as a calibration's run time ("2026-12-10 14:03:59").
std::string calibration_run_time();

struct CalibrationJob {
    std::vector<long long> plots;
    std::vector<eval::ParameterBounds> parameters;
    int property = 7;  // 7 organic carbon, 0 total nitrogen, 5 microbial carbon
    int jobs = 0;
    int maxIterations = 100;
};

struct CalibrationOutcome {
    eval::CalibrationResult result;
    std::size_t plotsWithInput = 0;
    std::size_t observations = 0;
    std::string runTime;  // empty when nothing was stored (stopped)
};

// Prepares the plots in a simulation session, fits the parameters to the observations of
// the property (outliers left out) and stores the result in rux_calibration unless the
// fit was stopped. `progress` gets the evaluations so far and the sum of squares; the
// hooks' stop flag ends the preparation or the fit. Throws std::invalid_argument for bad
// input (property, parameter, bounds, no observations) and std::runtime_error when the
// preparation fails.
CalibrationOutcome run_calibration_job(db::Connection& c, const std::string& dbPath, const CalibrationJob& job,
                                       const engine::RunHooks& hooks,
                                       const std::function<void(int evaluations, double sse)>& progress = {});

// The fit as text, as the command line prints it: the sums of squares, per parameter its
// start, fitted value, standard error and bounds, their correlation, and per plot the mean
// error, RMSE and modelling efficiency before and after.
std::string calibration_summary(const eval::CalibrationResult& r);

// Stores the fitted constants as a new gldaparm row named after the calibration's run
// time; returns its item_ix.
long long apply_calibration(db::Connection& c, const CalibrationOutcome& outcome);

struct UncertaintyJob {
    std::vector<long long> plots;
    std::vector<eval::UncertainParameter> parameters;
    std::size_t samples = 100;
    std::uint64_t seed = 1;
    int jobs = 0;
};

struct UncertaintyOutcome {
    eval::UncertaintyResult result;
    std::size_t plotsWithInput = 0;
};

// Prepares the plots, simulates the samples and, unless stopped, stores the quantiles in
// rux_uncertainty and the sensitivity indices in rux_sensitivity. `progress` gets the
// samples done. Throws as run_calibration_job.
UncertaintyOutcome run_uncertainty_job(db::Connection& c, const std::string& dbPath, const UncertaintyJob& job,
                                       const engine::RunHooks& hooks,
                                       const std::function<void(std::size_t done, std::size_t total)>& progress = {});

// The share of observed organic carbon inside the 90 % band per plot and the first-order
// sensitivity indices of the final organic carbon, as text.
std::string uncertainty_summary(const eval::UncertaintyResult& r);

// The 90 % band of a plot's simulated organic carbon (% C) from rux_uncertainty, by year;
// empty when the table is missing or holds no rows of the plot.
struct BandPoint {
    int year = 0;
    double low = 0;   // 5 % quantile
    double high = 0;  // 95 % quantile
};
std::vector<BandPoint> carbon_band(db::Connection& c, long long plot);

} // namespace vt::workbench
