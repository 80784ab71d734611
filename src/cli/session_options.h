#pragma once
#include "cli/command_registry.h"
#include "engine/types/run_hooks.h"
#include "options/session_command.h"
#include "workbench/session_jobs.h"

#include <atomic>
#include <iosfwd>
#include <string>
#include <utility>
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

// The steps of a job as the commands show them: "preparing N plots" on `out`.
workbench::SessionJobSteps session_steps(std::ostream& out);

// Runs a calibration or uncertainty job, its refusals turned into CommandError: exit code
// 2 for input it cannot use, 1 when the preparation fails or Ctrl-C stopped it there.
template <class Job>
auto run_session_job(Job&& job) -> decltype(job())
{
    return options::run_session_job<CommandError>(std::forward<Job>(job));
}

// The plots a job's input check skipped, one line each ("plot 101 not simulated: ..."),
// empty when there are none.
std::string skipped_plots_text(const std::vector<engine::SkippedPlot>& plots);

// A progress bar on standard error: "[#####     ] current/maximum"; maximum 0 clears it.
void draw_progress(std::ostream& err, long long current, long long maximum);

} // namespace vt::cli
