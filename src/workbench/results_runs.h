#pragma once
#include "workbench/experiment_plots.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// Runs started from the browser: which plots take part (site_state.status = 1) and what
// the browser takes back from a finished run.

// Marks exactly one plot for the next run.
void select_single_plot(db::Connection& c, long long plot);

// One entry of the selection panel: the plot and the text shown for it.
struct SelectionEntry {
    long long plot = 0;
    std::string text;
};
// "database simulation": every plot, " <fl_id>: <location> - <site_description>".
std::vector<SelectionEntry> database_selection(db::Connection& c);
// "experiment simulation": the plots of one experiment with an initial condition, those
// with "obsval" first, "<fl_id>: <site_description>  ===>   <Herkunft>".
std::vector<SelectionEntry> experiment_selection(db::Connection& c, const ExperimentPlots& e);
// The plot of a selection entry: the text before its first ":"; nullopt when that is not
// a whole number.
std::optional<long long> selection_plot(const std::string& entry);

// "Model run for selection": every status 0 and res_val 1, status 1 for the given plots,
// res_val 0 for plots started from fresh organic matter only. All or nothing.
void select_plots_for_run(db::Connection& c, const std::vector<long long>& plots);

// The plots marked for the next run.
long long selected_plot_count(db::Connection& c);

// Mean biologically active time of the last run for a plot (tmp_bat); nullopt when the
// run left none.
std::optional<double> mean_bat_of_run(db::Connection& c, long long plot);
// Stores the mean as the plot's mw_bat.
void store_mean_bat(db::Connection& c, long long plot, double meanBat);

// The plot's initial condition (i_con), trimmed; empty for an unknown plot.
std::string plot_initial_condition(db::Connection& c, long long plot);

} // namespace vt::workbench
