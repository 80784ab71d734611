#pragma once
// A run's setup and start, the same for veltrano-cli run and the desktop program's
// simulator: the settings, then every switch of the command line, then the method binding
// and the rate constants of the database.
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::config {
class RuxSettings;
}
namespace vt::db {
class Connection;
}

namespace vt::workbench {

struct RunSetup {
    // What the front end knows before the settings are read: database, application mode,
    // regional flag, method, year span, work folder.
    engine::RunConfig base;
    // The run's switches (GO, nw, !, S+, S-, SAT+, SAT-, BAT=, new_bat, M=, RC=, TC=, SC=,
    // I=, PPQ=, POQ=, UNCAS, ID=, ERR_P...).
    std::vector<std::string> switches;
    // The save-state choice and the Hassink option as a window holds them (the settings
    // dialog, loaded from the settings and changed there); unset: the settings file's.
    std::optional<int> scenario;
    std::optional<int> hassink;
};

// The configuration of the run. ACC, M= and REGIO set the application mode and the regional
// flag as they set the program's state; S+/S- and SAT+/SAT- act on the save-state choice
// and the Hassink option after the held values, as they act on the settings dialog.
engine::RunConfig setup_run(const RunSetup& setup, config::RuxSettings& settings, db::Connection& c,
                            const engine::RunHooks& hooks);

// The database named by DB= among the switches, else `fallback`.
std::string run_database(const std::vector<std::string>& switches, const std::string& fallback);

// Why the database cannot hold a run (empty when it can); checked before the settings bind
// the method to the database, which writes to it.
std::string run_database_problem(db::Connection& c);

// Runs the model: the preparation, then (with `balance`) the annual balance.
engine::RunResult run_model(db::Connection& c, const engine::RunConfig& cfg, const engine::RunHooks& hooks,
                            bool balance = true);

// The simulator's activation without GO: the header of the log, the single-plot selection
// (ID=) and the pre-processing script (PPQ=).
engine::RunResult activate_run(db::Connection& c, const engine::RunConfig& cfg, const engine::RunHooks& hooks);

// The message of a run that found no plot selected.
const char* nothing_selected_message();

} // namespace vt::workbench
