#pragma once
// The data the evaluation commands of veltrano-cli read and write: exports, outliers, the
// nitrogen balance's summaries and the report of simulated against observed carbon.
#include "engine/types/run_hooks.h"
#include "db/adapt_datamodel.h"
#include "eval/calibration.h"
#include "eval/nitrogen_balance.h"
#include "eval/outlier_indication.h"
#include "eval/phase.h"
#include "eval/script_evaluation.h"
#include "eval/update_statistics.h"
#include "eval/table_data.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}
namespace vt::config {
class RuxSettings;
}

namespace vt::workbench {

// The database lacks what a command needs (a table, results of a run, the plot named):
// veltrano-cli ends with exit code 2 on it, as for any bad input.
class MissingDataError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Brings the database to the current layout (every open does) and stores its model method
// in the settings when they are given.
db::AdaptResult adapt_database(db::Connection& c, config::RuxSettings* settings);

// How to run with the fitted model constants: a run reads those of gldaparm item_ix=1, so the
// statement that copies them there from the item the calibration stored; empty when no model
// constant was fitted.
std::string constants_copy_hint(const eval::CalibrationResult& r, const eval::AppliedCalibration& a);

// Refuses (DatabaseFileError) an output file that is the database open in this program, by
// any name or link; empty paths are passed over.
void refuse_open_database_as_output(const std::string& xlsx, const std::string& csv);

// Writes a table to .xlsx (when `xlsx` is set) or to the semicolon text format (when
// `csv` is set); std::runtime_error when the file cannot be written.
void export_table(const eval::Table& table, const std::string& xlsx, const std::string& csv,
                  std::optional<int> roundTo = std::nullopt);

// The rows of a statement given by the user (export --query; the connection of an export
// is read-only) or all rows of a table; MissingDataError for a table that does not exist.
eval::Table query_rows(db::Connection& c, const std::string& sql);
eval::Table table_rows(db::Connection& c, const std::string& table);

// Whether the plot exists; MissingDataError when the database has no table
// field_description.
bool known_plot(db::Connection& c, long long plot);

// Outlier indication (Grubbs' test over the observations of simulated years): the groups
// tested, the observations flagged, and the flagged observations with their year and value.
struct OutlierReport {
    long long groups = 0;
    long long flagged = 0;
    eval::Table rows;  // FL_ID, M_IX, meas_ID, year, year_number, meas_value
};

// The evaluation statistics of every plot with results, for a phase.
eval::UpdateStatisticsResult update_statistics(db::Connection& c, eval::Phase phase, const engine::RunHooks& hooks);

// Every plot with results evaluated by the user's R script; returns the plots evaluated.
long long evaluate_by_script(db::Connection& c, const eval::ScriptEvaluationSettings& settings,
                             const engine::RunHooks& hooks);

// The plots that have results, and the companion SQL script of an R analysis run for one.
std::vector<long long> plots_with_results(db::Connection& c);
int run_companion_sql(db::Connection& c, const std::string& path, long long plot);

// MissingDataError without a table measurements.
OutlierReport indicate_outliers(db::Connection& c);

// The field nitrogen budget into its working tables (NMIN_SALDO, NT_SALDO); false when the
// hooks stopped it. MissingDataError without rux_nresult (no run yet).
bool run_nitrogen_balance(db::Connection& c, const eval::NBalanceOptions& options, const engine::RunHooks& hooks);

// Simulated and observed soil organic carbon (% C) of the last run's plots at the
// observation years, with the deviation statistics of each plot and of all.
struct SocDeviation {
    long long n = 0;
    double meanError = 0;  // observed - simulated
    double rmse = 0;
};
struct SocRow {
    long long year = 0;
    long long yearNum = 0;
    double observed = 0;
    double simulated = 0;
};
struct SocPlot {
    long long plot = 0;
    std::string name;  // "Location - site_description"
    std::vector<SocRow> rows;
    SocDeviation deviation;
};
struct SocReport {
    std::vector<SocPlot> plots;
    SocDeviation all;
};
// MissingDataError when the database has no simulation results (sim_result).
SocReport soc_report(db::Connection& c);

} // namespace vt::workbench
