#pragma once
#include <atomic>
#include <functional>
#include <string>

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

struct RunResult {
    RunOutcome outcome = RunOutcome::Finished;
    std::string message;   // what ended the run, when it did not finish
    long long plots = 0;   // plots simulated
    long long plotYears = 0;
};

} // namespace vt::engine
