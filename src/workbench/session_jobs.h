#pragma once
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"
#include "eval/calibration.h"
#include "eval/uncertainty.h"

#include "workbench/experiment_plots.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// Input a calibration or uncertainty job cannot use (a plot list, a plot or experiment
// that is not there, a parameter, its bounds or distribution, no observations). Nothing
// has been stored when it is thrown.
class SessionInputError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A part of a plot list that is not a plot number.
class PlotNumberError : public SessionInputError {
public:
    using SessionInputError::SessionInputError;
};

// The preparation of the plots did not finish: "the plots could not be prepared: " and
// the run's message.
class PreparationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every sample of an uncertainty job failed: nothing was stored. The text names the
// first failed samples with their reason.
class JobFailedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The plots of a list "101,102", each once, in the order given. Throws PlotNumberError
// ("\"x\" is not a plot number") for a part that is not a whole number and
// SessionInputError ("plot 999 is not in field_description") for one that is not there.
std::vector<long long> plots_of_list(db::Connection& c, const std::string& list);

// The plots of an experiment by its code (field_description's versuch_code); throws
// SessionInputError ("experiment X has no plots") when there are none.
std::vector<long long> plots_of_experiment(db::Connection& c, const std::string& code);

// The plots flagged in site_state (status 1); may be empty.
std::vector<long long> flagged_plots(db::Connection& c);

// The plots of an experiment node, as the browser lists them under it.
std::vector<long long> plots_of_experiment_node(db::Connection& c, const ExperimentPlots& e);

// The value a parameter starts from: the model constant of gldaparm's row 1 (K_AOS ...
// CNR_OBS), 1 for a factor (F_BAT, F_BD, F_CREP) or the stored value of an item parameter
// ("gldopspa.1.K"). Throws SessionInputError for an unknown name or item.
double session_parameter_start(db::Connection& c, const std::string& name);

// The item parameters the database's substances and crops offer, by table and item
// ("gldopspa.1.K", ...; see engine::item_parameter), for the dialogs' lists.
std::vector<std::string> item_parameter_choices(db::Connection& c);

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

// What a job reports while it works, on the thread that runs it; every hook may be empty.
struct SessionJobSteps {
    // Before the preparation: the number of plots.
    std::function<void(std::size_t plots)> preparing;
    // After the preparation: the plots with input rows and the observations the job
    // compares with (for an uncertainty job, those of organic carbon).
    std::function<void(std::size_t plotsWithInput, std::size_t observations)> prepared;
    // A calibration's evaluations so far and their sum of squares.
    std::function<void(int evaluations, double sse)> evaluated;
    // An uncertainty job's samples done of all.
    std::function<void(std::size_t done, std::size_t total)> sampled;
    // Called with the prepared session before its first simulation: a caller that spreads
    // the simulations over other processes hands the plots over and sets the session's
    // simulator here.
    std::function<void(engine::SimulationSession&)> spread;
    // The sampling of an uncertainty job in place of eval::run_uncertainty (for instance
    // spread over other processes); it must give what run_uncertainty would.
    std::function<eval::UncertaintyResult(const engine::SimulationSession&, const std::vector<eval::Observation>&,
                                          const eval::UncertaintyRequest&)>
        sample;
};

// How a job ended: finished and stored, or stopped (nothing stored).
enum class JobEnd { Finished, StoppedInPreparation, Stopped };

struct CalibrationOutcome {
    eval::CalibrationResult result;
    JobEnd end = JobEnd::Finished;
    std::size_t plotsWithInput = 0;
    // Chosen plots the input check left out (input out of its plausible range, no climate).
    std::vector<engine::SkippedPlot> skippedPlots{};
    std::size_t observations = 0;
    std::string runTime;  // empty when nothing was stored (stopped)
};

// The calibration from the plots to the stored fit: prepares the plots in a simulation
// session, pairs the observations of the property with the simulated values (outliers
// left out), fits the parameters by least squares and stores the result in
// rux_calibration unless the hooks' stop flag ended the work. Throws SessionInputError for
// input it cannot use and PreparationError when the preparation fails.
CalibrationOutcome run_calibration_job(db::Connection& c, const std::string& dbPath, const CalibrationJob& job,
                                       const engine::RunHooks& hooks, const SessionJobSteps& steps = {});

// The fit as text, as the command line prints it: the sums of squares, per parameter its
// start, fitted value, standard error and bounds, their correlation, and per plot the mean
// error, RMSE and modelling efficiency before and after.
std::string calibration_summary(const eval::CalibrationResult& r);
// A number as the job reports print it ("-" for one that is not finite).
std::string num(double v, const char* format = "%.6g");

// Applies the fit (eval::apply_calibration): the item parameters into their tables, the
// fitted constants as a new gldaparm row named after the calibration's run time.
eval::AppliedCalibration apply_calibration(db::Connection& c, const CalibrationOutcome& outcome);

// What apply_calibration did, as the command line and the dialog show it.
std::string applied_calibration_text(const eval::AppliedCalibration& a, const std::string& runTime);

// The fitted parameters that are input factors, which apply_calibration does not store.
std::vector<std::string> fitted_factors(const eval::CalibrationResult& r);

struct UncertaintyJob {
    std::vector<long long> plots;
    std::vector<eval::UncertainParameter> parameters;
    std::size_t samples = 100;
    std::uint64_t seed = 1;
    int jobs = 0;
};

struct UncertaintyOutcome {
    eval::UncertaintyResult result;
    JobEnd end = JobEnd::Finished;
    std::size_t plotsWithInput = 0;
    std::vector<engine::SkippedPlot> skippedPlots{};  // as CalibrationOutcome's
};

// The uncertainty run from the plots to the stored bands: prepares the plots, simulates
// the samples and, unless the hooks' stop flag ended the work, stores the quantiles in
// rux_uncertainty and the sensitivity indices in rux_sensitivity from the samples that did
// not fail (result.failed names the others). Throws as run_calibration_job, and
// JobFailedError when every sample failed (nothing stored).
UncertaintyOutcome run_uncertainty_job(db::Connection& c, const std::string& dbPath, const UncertaintyJob& job,
                                       const engine::RunHooks& hooks, const SessionJobSteps& steps = {});

// The share of observed organic carbon inside the 90 % band per plot, the first-order
// sensitivity indices of the final organic carbon ("-" where too few samples give one)
// and the failed samples with their reason, as text.
std::string uncertainty_summary(const eval::UncertaintyResult& r);

// The failed samples of an uncertainty run, at most `listed` of them named:
// "3 of 20 samples failed and are left out:\n  sample 4: plot 101: ...".
std::string failed_samples_text(const eval::UncertaintyResult& r, std::size_t listed = 10);

// The 90 % band of a plot's simulated organic carbon (% C) from rux_uncertainty, by year;
// empty when the table is missing or holds no rows of the plot.
struct BandPoint {
    int year = 0;
    double low = 0;   // 5 % quantile
    double high = 0;  // 95 % quantile
};
std::vector<BandPoint> carbon_band(db::Connection& c, long long plot);

} // namespace vt::workbench
