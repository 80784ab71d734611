#pragma once
#include "engine/run/run_config.h"
#include "engine/run/run_hooks.h"

#include "engine/session/simulation_session.h"

#include <atomic>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::cli {

// The plots a calibration or uncertainty run works on: the list given with --plots
// ("101,102"), the plots of the experiment given with --experiment (field_description's
// versuch_code), else the plots flagged in site_state. Throws CommandError for a bad list,
// an unknown plot or experiment, or both options at once.
std::vector<long long> session_plots(db::Connection& c, const std::string& plots, const std::string& experiment);

// Hooks that print the messages of the preparation on `err` and answer questions "no".
engine::RunHooks session_hooks(std::ostream& err, const std::atomic<bool>* stop);

// Ctrl-C sets the flag while the object lives: the work ends after its current step.
class InterruptFlag {
public:
    InterruptFlag();
    ~InterruptFlag();
    InterruptFlag(const InterruptFlag&) = delete;
    InterruptFlag& operator=(const InterruptFlag&) = delete;
    const std::atomic<bool>* flag() const;
    bool raised() const;

private:
    void (*previous_)(int);
};

// A database opened for a calibration or uncertainty run with its plots prepared in a
// simulation session.
struct PreparedPlots {
    std::unique_ptr<db::Connection> db;
    std::vector<long long> plots;
    engine::RunConfig config;
    std::unique_ptr<engine::SimulationSession> session;
};

// Opens the database, chooses the plots (session_plots) and prepares them, printing what
// it does on `out` and the preparation's messages on `err`. Throws CommandError: exit code
// 2 for bad input, 1 when the preparation fails or Ctrl-C stopped it.
PreparedPlots prepare_plots(const std::string& dbPath, const std::string& plots, const std::string& experiment,
                            const InterruptFlag& interrupt, std::ostream& out, std::ostream& err);

// A progress bar on standard error: "[#####     ] current/maximum"; maximum 0 clears it.
void draw_progress(std::ostream& err, long long current, long long maximum);

} // namespace vt::cli
