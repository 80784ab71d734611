#pragma once
#include "engine/run/run_config.h"
#include "engine/run/run_hooks.h"

#include <string>
#include <vector>

namespace vt::config {
class RuxSettings;
}
namespace vt::db {
class Connection;
}

namespace vt::engine {

// Collects the lines that tell the user a stored or given value could not be read and
// its default is used instead; the driver writes them into the run log.
using ConfigWarnings = std::vector<std::string>;

// The per-user settings a run reads, with their defaults when the [rux] key is missing.
// A missing, empty or non-numeric value keeps its default and adds a warning.
void apply_settings(RunConfig& cfg, const config::RuxSettings& settings, ConfigWarnings& warnings);

// The run switches of the command line, each parameter tested against every rule in
// turn (GO, nw, !, BAT=0/1, new_bat, M=, RC=, TC=, SC=, I=, PPQ=, POQ=, UNCAS, ID=,
// ERR_P...). Returns whether an "M=" switch was given (the method binding then follows).
bool apply_switches(RunConfig& cfg, const std::vector<std::string>& args, ConfigWarnings& warnings);

// Binds the method of an "M=" switch to the database: with the setting "korvanic" = 1 the
// switch's method is stored in the settings and in vtn_setting.model; otherwise the
// database's method wins ("general error (2)" when they differ) and is stored in the
// settings. A database without vtn_setting keeps the switch's method.
void bind_method(RunConfig& cfg, config::RuxSettings& settings, db::Connection& c, const RunHooks& hooks,
                 ConfigWarnings& warnings);

// The rate constants and suctions of gldaparm item_ix 1, in the order K_STAB, K_AOS,
// K_AKT, K_DEG, CNR_OBS, H_PWP, H_FC; a missing table, row, column or value keeps the
// default of that constant and of every one after it.
ModelConstants load_model_constants(db::Connection& c);

// The whole configuration of a run as on every activation of the simulator: settings,
// then switches, then the method binding, then gldaparm. `base` holds what the caller
// sets (database, mode, regional flag, work folder); warnings go to cfg.config_warnings.
RunConfig read_run_configuration(RunConfig base, config::RuxSettings& settings, const std::vector<std::string>& args,
                                 db::Connection& c, const RunHooks& hooks);

} // namespace vt::engine
