#pragma once
#include "engine/types/run_config.h"

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace vt::engine {

// How a run talks to whoever started it: the command line, the simulator window or a
// test. Every hook may be empty. Hooks are called on the thread that executes the run.
struct RunHooks {
    // One line of the run log (the simulator's message list).
    std::function<void(const std::string& line)> log;
    // Progress of a row walk: current row of maximum; maximum 0 hides the bar.
    std::function<void(long long current, long long maximum)> progress;
    // A message the user must see (message box in the window, standard error on the
    // command line): caption and text.
    std::function<void(const std::string& caption, const std::string& text)> message;
    // A yes/no question; without a hook the answer is yes.
    std::function<bool(const std::string& caption, const std::string& text)> ask;
    // "STOP RUN": polled after every simulated year and between preparation steps.
    const std::atomic<bool>* stop = nullptr;
    // The whole run log so far (the message list), saved as the run report at the end of
    // a run; without it the report holds the lines the annual balance wrote.
    std::function<std::vector<std::string>()> messages;
    // The input rows of a plot that cannot be simulated (the error window), one text each.
    std::function<void(const std::vector<std::string>& rows)> errorRows;

    void logLine(const std::string& line) const { if (log) log(line); }
    void show(const std::string& caption, const std::string& text) const { if (message) message(caption, text); }
    bool confirm(const std::string& caption, const std::string& text) const { return ask ? ask(caption, text) : true; }
    void report(long long current, long long maximum) const { if (progress) progress(current, maximum); }
    bool stopRequested() const { return stop && stop->load(std::memory_order_relaxed); }
};

// How a run ended.
enum class RunOutcome {
    Finished,        // reached the end normally; report written
    Stopped,         // "STOP RUN"
    Cancelled,       // ended by one of the run's own messages (bad input, index failure, ...)
    Failed,          // a database error or another failure ended it
};

// Wall-clock seconds spent in the phases of a run, for the command line's --timings.
struct RunTimings {
    double preparation = 0;  // working tables before the annual balance, soil check excluded
    double soilCheck = 0;    // completing and checking every soil row
    double balance = 0;      // the annual balance as a whole
    double reading = 0;      // of which: reading the plots' input
    double simulation = 0;   // of which: simulating the plots (summed over the worker threads)
    double writing = 0;      // of which: writing the result rows
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Finished;
    std::string message;   // what ended the run, when it did not finish
    long long plots = 0;   // plots simulated
    long long selected = 0;  // plots selected (site_state.status=1) when the balance began
    // Selected plots not simulated to their end (input missing or invalid, a non-finite
    // value, a repeated year, no input rows at all); set when the run finished.
    long long skipped = 0;
    // The plots skipped, in plot order, each with the reason.
    std::vector<SkippedPlot> skippedPlots{};
    long long plotYears = 0;
    // Observed minus simulated soil organic carbon of the run's plots in the seven classes
    // of the "histogram" page ("<-0.5" ... ">+0.5"), and the number of pairs.
    std::array<long long, 7> histogram{};
    long long pairs = 0;
    RunTimings timings{};
};

} // namespace vt::engine
