#pragma once
#include "engine/types/run_hooks.h"
#include "eval/phase.h"

#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::eval {

struct UpdateStatisticsResult {
    long long plots = 0;                  // plots evaluated and stored
    std::vector<long long> failedPlots;   // plots whose evaluation a database error ended
    bool cancelled = false;               // stopped: both tables were left as they were
};

// Drops and re-creates rux_stat_corg and rux_stat_nt with one placeholder row per plot
// of field_description.
void create_statistics_tables(db::Connection& c);

// "Update-Statistics": re-creates both statistics tables and stores the carbon and
// nitrogen statistics of the phase for every plot with results (simulated values with a
// positive mean). A database error ends the evaluation of that plot only; it is shown
// through hooks.message and the walk goes on. hooks.stop cancels the walk: the tables are
// then left as they were before, never half-written.
UpdateStatisticsResult update_statistics(db::Connection& c, Phase phase, const engine::RunHooks& hooks = {});

} // namespace vt::eval
