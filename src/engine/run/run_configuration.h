#pragma once
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

namespace vt::engine {

// Collects the lines that tell the user a stored or given value could not be read and
// its default is used instead; the driver writes them into the run log.
using ConfigWarnings = std::vector<std::string>;

// The per-user settings a run reads, with their defaults when the [rux] key is missing.
// A missing, empty or non-numeric value keeps its default and adds a warning.
void apply_settings(RunConfig& cfg, const config::RuxSettings& settings, ConfigWarnings& warnings);

// Every switch of the program's command line, read by this one parser for the desktop
// program (start-up, main window, simulator) and for `veltrano-cli run`. Each parameter is
// tested against every rule in turn (a parameter can match several); where parameters
// disagree, the later one counts. A switch not given stays empty.
struct RunSwitches {
    // Start-up and main window.
    std::optional<std::string> database;  // DB=file (any case)
    std::optional<std::string> modus;     // "ACC" (ACC...), "KORVANIC" (M=...)
    bool regio = false;                   // REGIO...: regional mode
    std::optional<int> scenario;          // S+ 1 ("finally"), S- 0 ("never"): save the SOM state
    std::optional<int> hassink;           // SAT+ 1, SAT- 0: Hassink saturation of the LTS pool
    // M=: the method named by its name (characters 3 to 8, "M=HUBAHE") or by its code
    // (characters 3 to 5, "M=HHE"); any other text as given (characters 3 to 8, trimmed).
    std::optional<std::string> method;
    bool methodKnown = false;             // M= names one of the methods

    // The run.
    bool go = false;                          // GO (any case): the run starts by itself
    bool nowait = false;                      // nw (any case) or !: end the program after the run
    std::optional<bool> recalcBat;            // BAT=1 / BAT=0 (fifth character "1")
    bool newBat = false;                      // new_bat
    std::optional<int> repeatCycles;          // RC=n
    std::optional<int> repeatStart;           // TC=year
    std::optional<std::string> soilScheme;    // SC=scheme
    std::optional<int> interpolation;         // I=n: -1 min, 0 mean, 1 max silt
    std::optional<std::string> preQuery;      // PPQ=file
    std::optional<std::string> postQuery;     // POQ=file
    bool uncas = false;                       // UNCAS
    std::optional<std::string> plotId;        // ID=plot: a single-plot run
    std::optional<int> errorProtocolRun;      // ERR_P[nnnnnn]: the run id, -99 without one

    // A batch run nobody watches (GO with nw or !): no dialog may wait for an answer.
    bool unattended() const { return go && nowait; }
};

// Reads the switches; a number that cannot be read is left out with a warning.
RunSwitches parse_run_switches(const std::vector<std::string>& args, ConfigWarnings& warnings);

// The method a name or a three-letter code names ("HUBAHE" or "HHE": "HUBAHE"); empty when
// it names none.
std::string method_named(const std::string& nameOrCode);

// The run switches of the command line applied to a run's configuration (GO, nw, !,
// BAT=0/1, new_bat, M=, RC=, TC=, SC=, I=, PPQ=, POQ=, UNCAS, ID=, ERR_P...). A script
// file of PPQ= or POQ= that does not exist is ignored (its name becomes "?"). Returns
// whether an "M=" switch was given (the method binding then follows).
bool apply_switches(RunConfig& cfg, const RunSwitches& switches);
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
