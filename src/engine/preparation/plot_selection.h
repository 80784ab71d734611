#pragma once
#include <optional>
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// A condition that the plot id `column` of an event is one of the plots flagged in
// site_state (status 1), for a WHERE clause, in place of a join with site_state: the same
// events, each once however often its plot is listed. Plots that are all the whole numbers
// from one to another are a range (the comparison with the whole number keeps out ids
// between them that are not one), others a list searched for each event.
std::string selected_plot_condition(db::Connection& db, const std::string& column);

// The selected plots when they are all the whole numbers from `first` to `last`, each
// flagged once.
struct PlotRange {
    long long first = 0;
    long long last = 0;
};
std::optional<PlotRange> selected_plot_range(db::Connection& db);

// The condition that `column` holds a plot of the range (a whole number within it).
std::string plot_range_condition(const PlotRange& range, const std::string& column);

// selected_plot_condition() for the range selected_plot_range() gave.
std::string selected_plot_condition(const std::optional<PlotRange>& range, const std::string& column);

} // namespace vt::engine
