#pragma once
#include "engine/session/simulation_session.h"
#include "db/value.h"
#include "eval/observation_pairs.h"

#include <functional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// A parameter to fit and its bounds; the start value is the session's.
struct ParameterBounds {
    std::string name;  // a session parameter name (K_AKT, F_BAT, ...)
    double low = 0;
    double high = 0;
};

// Parses "NAME=LOW:HIGH"; throws std::invalid_argument with a message for the user.
ParameterBounds parse_parameter_bounds(const std::string& text);

struct CalibrationRequest {
    std::vector<ParameterBounds> parameters;
    int jobs = 0;
    int maxIterations = 100;
    // Polled between evaluations; true ends the fit after the current one.
    std::function<bool()> stop;
    // Called after every evaluation with their count so far and the sum of squares.
    std::function<void(int evaluations, double sse)> progress;
};

struct FittedParameter {
    std::string name;
    double low = 0, high = 0;
    double start = 0;
    double fitted = 0;
    // Approximate standard error from the Jacobian at the fit; NaN when it cannot be
    // computed (fewer pairs than parameters, or a parameter the pairs do not determine).
    double stdError = 0;
    bool atBound = false;
};

struct CalibrationResult {
    std::vector<FittedParameter> parameters;
    std::vector<std::vector<double>> correlation;  // of the fitted parameters; NaN where unknown
    std::vector<PlotFit> before, after;
    std::size_t pairs = 0;
    double sseBefore = 0, sseAfter = 0;
    int iterations = 0;
    int evaluations = 0;
    int failedEvaluations = 0;  // of which a plot did not finish (kept out of the fit)
    int terminationType = 0;  // ALGLIB's code: > 0 converged, 5 iteration limit, 8 stopped
    bool stopped = false;
    engine::SessionParameters fittedParameters;
};

// Fits the parameters within their bounds to the pairs by least squares (bounded
// Levenberg-Marquardt of ALGLIB, in variables scaled by their start values). Throws
// std::invalid_argument for an unknown parameter, bounds that do not enclose the start
// value or no pairs.
CalibrationResult calibrate(const engine::SimulationSession& session, const ObservationPairs& pairs,
                            const CalibrationRequest& request);

// Writes the result into rux_calibration (one row per parameter) and rux_calibration_fit
// (one row per plot), created when missing, in one transaction. `settings` describes the
// run (plots, property, options) and is stored with every row.
void store_calibration(db::Connection& c, const CalibrationResult& r, int m_ix, const std::string& runTime,
                       const std::string& settings);

// Stores the fitted constants as a new gldaparm row: the next item_ix, the other constants
// copied from row 1, NAME `name`. Existing rows are never changed. Returns the item_ix.
// Factors (F_...) are not model constants and are not stored.
long long store_fitted_constants(db::Connection& c, const CalibrationResult& r, const std::string& name);

// A model constant of gldaparm (K_AKT, ...), neither an input factor (F_...) nor an item
// parameter ("gldopspa.1.K").
bool is_model_constant(const std::string& name);

// The stored value of an item parameter, as its table holds it. Throws std::runtime_error
// for a missing table, column or item.
db::Value stored_item_value(db::Connection& c, const engine::ItemParameter& p);

struct AppliedCalibration {
    long long constantsItem = 0;        // the new gldaparm row of the constants; 0: none fitted
    std::vector<std::string> items;     // item parameters written into their tables
    std::vector<std::string> factors;   // input factors, which are not stored
};

// Applies the stored calibration of `runTime`: writes every fitted item parameter into its
// table and row, keeping the value it replaces in rux_calibration (previous_value, exactly
// as the table held it), and stores the fitted model constants as a new gldaparm row
// (store_fitted_constants). One transaction; throws std::runtime_error when the
// calibration is not in rux_calibration, was applied already or names a missing item.
AppliedCalibration apply_calibration(db::Connection& c, const CalibrationResult& r, const std::string& runTime,
                                     const std::string& appliedAt);

// Undoes an applied calibration: puts the previous values back into their tables and
// removes the gldaparm row of its constants. Refuses (std::runtime_error, nothing changed)
// a calibration that is not applied, and one whose applied values were changed since.
// Returns what was restored, one line each.
std::vector<std::string> undo_calibration(db::Connection& c, const std::string& runTime);

} // namespace vt::eval
