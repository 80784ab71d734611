#pragma once
#include "workbench/browser_common.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The description row of a plot as the page "Basic-Info" shows it.
struct PlotDescription {
    long long flId = 0;
    std::string name;       // site_description
    std::string herkunft;
    std::string comment;
    std::string location;
    std::string vcode;
    std::string iCon;       // trimmed
    std::string area;       // as stored, shown as text
    long long climateId = -99;
    long long soilId = -99;
    double mwBat = 0;
    int notill = 0;
    long long repCnt = 0;
    double repix = 29;
};

// The row of a plot; none when the plot does not exist.
std::optional<PlotDescription> read_plot_description(db::Connection& c, long long flId);

// What loading a plot needs beside its description: the year of its first management event
// (-99 without), the number of events, of all observations and of total-nitrogen
// observations, and the year of its initial observation (the first in year-number order,
// when that one has year number 0).
struct PlotCounts {
    int firstEventYear = -99;
    int events = 0;
    int observations = 0;
    int nitrogenObservations = 0;
    std::optional<int> initialYear;
};
PlotCounts read_plot_counts(db::Connection& c, long long flId);

// "-?-" (key -99), then every station / soil profile in stored order.
std::vector<Choice> station_choices(db::Connection& c);
std::vector<Choice> soil_choices(db::Connection& c);
// The stations linked to the plot's experiment (vc2cls); none when the database has no
// such link.
std::optional<std::vector<Choice>> experiment_station_choices(db::Connection& c, long long flId);

// "null", "obsval", "RepIX", then "FL_ID: name" of every other plot with a stored state
// one year before `firstYear`.
std::vector<std::string> initialisation_choices(db::Connection& c, long long flId, int firstYear);
// The first year of a plot continued from another plot's stored state (its year + 1).
std::optional<int> continued_first_year(db::Connection& c, long long statePlot);
// The plot whose stored state an initialisation (i_con) continues, as the run reads it:
// none for "obsval", "null" and "RepIX"; the plot itself for "omstat"; a plot key names
// that plot.
std::optional<long long> continued_state_plot(const std::string& iCon, long long flId);

// The mean simulated BAT of the plot with 2 decimals; empty without results.
std::string simulated_mean_bat(db::Connection& c, long long flId);

// rep_cnt packs the first year and the repeat count of a run: 19903 is 1990 and 3.
struct RunRepeat {
    std::optional<std::string> from;  // none: the value holds no year
    std::string repeat;
};
RunRepeat split_rep_cnt(long long repCnt);

// The page's fields as typed, saved in one statement.
struct PlotDescriptionEdit {
    long long flId = 0;
    std::string name;
    std::string herkunft;
    std::string area;
    long long climateId = -99;
    long long soilId = -99;
    std::string bat;          // not a number: 30
    std::string note;         // empty: "?"
    std::string from;         // first year of a run (may be "-99")
    std::string repeat;       // 0..99
    int notill = 0;
    std::string initialisation;  // a list entry; a plot entry is cut before its ":"
};
// Refuses (BrowserInputError, nothing written) an area, a first year or a repeat count
// that is not a number, and a plot that does not exist.
void save_plot_description(db::Connection& c, const PlotDescriptionEdit& e);

// Renames a plot at once (leaving the name field).
void rename_plot(db::Connection& c, long long flId, const std::string& name);

} // namespace vt::workbench
