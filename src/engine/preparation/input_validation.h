#pragma once
#include "engine/preparation/event_plot_years.h"
#include "engine/types/run_config.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::engine {

struct PrepContext;

// The longest record of management events a plot may have, first to last year.
inline constexpr long long kMaxPlotSpanYears = 1000;
// Problems listed in the message that ends a run; the rest are counted.
inline constexpr std::size_t kListedInputProblems = 20;
// Rounding of given texture fractions (33.3 + 33.3 + 33.4) may carry their sum this far
// above 100 %.
inline constexpr double kTextureSumSlack = 1e-6;

// What a value out of its range skips: the plots of its row (cultivation), of its soil
// (soilproperties) or of its climate station (climate_data); None ends the run.
enum class SkipKey { None, Plot, Soil, Station };

// The plausible range of a numeric input column, inclusive. `macodes`: the management
// events the range holds for (none: every row); `missingMarker`: -99 (and -99.99) mark a
// value as missing, to be estimated, and lie outside the range on purpose.
struct InputRange {
    std::string column;
    double lo = 0, hi = 0;
    std::string unit;
    std::vector<int> macodes;
    bool missingMarker = false;
    std::string what;  // what the column holds, for the message
};

// The ranges of the run's input, table by table (the manual lists them with their reasons):
// cultivation, soilproperties and climate_data.
const std::vector<InputRange>& input_ranges(const std::string& table);

// What a run's model reads of the selected plots (site_state.status=1), checked before any
// working table is built: the management events, the initial observations, the soils, the
// climate years (`withClimate`), the crops and organic substances the events name, the
// plots' own row and the model constants. A value in a numeric column must be a finite
// number (a text that reads as a decimal number counts as one, as the statements read it);
// years lie within 1..9999 (climate years 0..9999, 0 being the long-term mean), and a plot's
// events span at most kMaxPlotSpanYears years. An empty value is left to the model's rules for
// missing data (a soil value to estimate, a plot skipped with "missing data for FL_ID"),
// except in the climate years, where it is a problem.
//
// Each problem names table, plot, row (the row id) and column, e.g.
//   cultivation, plot 3, row 17, column year: 2147483647 is outside 1..9999
// At most `limit` problems are returned; `more` is set when there were others.
// `eventPlotYears`, when given, receives the plot-years of the management events when their
// plots and years are whole numbers (in whatever order the events are stored; the list
// tells whether it was plot-year order by row id), and nothing otherwise.
//
// A value outside its plausible range (input_ranges) and, with `withClimate`, a plot
// without a climate station or whose station has no rows in climate_data is no problem
// of the run but of its plots: `skipped` (when given) receives every such selected plot
// with the reason, e.g.
//   soilproperties, soil 1, row 1, column clay: 150 is outside 0..100 % (clay content)
std::vector<std::string> input_problems(db::Connection& c, bool withClimate, std::size_t limit, bool& more,
                                        std::shared_ptr<const EventPlotYears>* eventPlotYears = nullptr,
                                        std::vector<SkippedPlot>* skipped = nullptr);

// What the check found out on the way about input that can be used.
struct RunInputFacts {
    // The plot-years of the events of cultivation when plots and years are whole numbers.
    std::shared_ptr<const EventPlotYears> eventPlotYears;
    // Selected plots the run skips, in plot order, with the reason.
    std::vector<SkippedPlot> skipped{};
};

// Ends the run (RunCancelled, caption "input") with the list of problems, if there are any.
RunInputFacts validate_run_input(const PrepContext& p, bool withClimate);

} // namespace vt::engine
