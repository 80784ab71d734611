#pragma once
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"

namespace vt::db {
class Connection;
}

namespace vt::engine {

// The annual organic matter balance of a run: called by the run driver once the working
// tables are prepared. Walks every selected plot and its years, writes the result rows,
// stores states as asked, and at the normal end writes the deviation summary, the
// protocol row and the run report "rux_report.txt" in cfg.work_dir.
RunResult run_annual_balance(db::Connection& c, const RunConfig& cfg, const RunHooks& hooks);

// The run log's statement of how results are replaced.
inline constexpr const char* kReplacementRule =
    "results are replaced plot by plot: a plot keeps its previous results until its new ones are written";
// Why a selected plot the run's input query gave no rows was not simulated.
inline constexpr const char* kNoInputRows =
    "no input rows: it lacks management events, its initial observation (measurements, year_number 0), "
    "its soil or its climate station";
inline constexpr const char* kNothingSelected = "no plot is selected (site_state.status=1): nothing to simulate";

inline constexpr const char* kReportFile = "rux_report.txt";
inline constexpr const char* kCheckInitFile = "rux_check_init.sql";

} // namespace vt::engine
