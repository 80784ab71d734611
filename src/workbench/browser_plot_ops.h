#pragma once
#include "workbench/browser_common.h"
#include "workbench/experiment_plots.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// Operations on plots and experiments. Each runs all or nothing; with `dryRun` it runs,
// reports what it changed and is rolled back. Refused input throws BrowserInputError
// before anything changes. An experiment is the set of plots with its code (ExperimentPlots);
// two experiments may share a location.

// A copy of the plot with the next free FL_ID, the name "x" + name, its management events
// and observations, not selected for runs; results and stored states are not copied.
ChangeReport copy_plot(db::Connection& c, long long source, bool dryRun = false);

// A new empty plot "-" of the experiment (location and code), origin taken from `herkunft`
// ("??" when empty), initialisation "null".
ChangeReport add_plot(db::Connection& c, const std::string& location, const std::string& vcode, const std::string& herkunft,
                      bool dryRun = false);
// The same for the experiment with this code: its location and the origin of its first plot.
ChangeReport add_plot_to_experiment(db::Connection& c, const std::string& vcode, bool dryRun = false);

// Every row keyed by the plot, in every table with an FL_ID column.
ChangeReport delete_plot(db::Connection& c, long long flId, bool dryRun = false);

// The plot's location becomes `location`; it keeps its experiment code.
ChangeReport move_plot(db::Connection& c, long long flId, const std::string& location, bool dryRun = false);

// The key range of an experiment and what a shift would meet.
struct ShiftPreview {
    bool exists = false;  // the experiment has plots
    long long minId = 0, maxId = 0;
    long long others = 0;  // plots of other experiments in [min + shift, max + shift]
    bool overflow = false; // a shifted key would leave the signed 64-bit range
    bool allowed() const { return exists && others == 0 && !overflow; }
    // count + " records in destination range !" (+ " press ok to start transfer" when free)
    std::string message() const;
};
ShiftPreview preview_plot_shift(db::Connection& c, const ExperimentPlots& e, long long shift);
// Adds `shift` to the FL_ID of the experiment's plots in every table keyed by FL_ID, and to
// initialisations that continue one of them. Refused when other plots hold ids in the
// destination range or a key would leave the signed 64-bit range.
ChangeReport shift_plots(db::Connection& c, const ExperimentPlots& e, long long shift, bool dryRun = false);

// The location of the experiment with this code (experiments, else its plots); refused when
// unknown or when its plots lie in several locations.
std::string experiment_location(db::Connection& c, const std::string& vcode);

// A new experiment with the next free exp_id as its code and one first plot.
ChangeReport create_experiment(db::Connection& c, const std::string& location, bool dryRun = false);
// Every row keyed by the experiment's plots, and its experiments row once no plot of its
// code is left.
ChangeReport delete_experiment(db::Connection& c, const ExperimentPlots& e, bool dryRun = false);
// New code and location of an experiment (experiments, its plots, its references); without
// a new location every plot keeps its own. Codes are positive whole numbers; a code in use
// by another experiment is refused.
ChangeReport rename_experiment(db::Connection& c, const std::string& oldCode, const std::string& newCode,
                               const std::optional<std::string>& newLocation, bool dryRun = false);
// The next free experiment code.
long long next_experiment_code(db::Connection& c);

// Drag and drop between plots: the events or observations of `source` appended to `target`
// (the copies have no simulated quantity and no variance); the target's simulated values
// are discarded after observations arrive.
ChangeReport copy_management_events(db::Connection& c, long long source, long long target);
ChangeReport copy_observations(db::Connection& c, long long source, long long target);

// Whether the plot exists.
bool plot_exists(db::Connection& c, long long flId);

} // namespace vt::workbench
