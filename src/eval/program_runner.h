#pragma once
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vt::eval {

// Starts an external program and tells when it has finished (the R program, an
// editor). Execute() returns at once; callers poll finished() (poll() checks the
// process) or wait(). The program runs in its own process with CurrentDir as working
// folder. On this platform the show state is a hint that a desktop caller may honour.
class ProgramRunner {
public:
    enum class ShowType { Normal, Minimized, Maximized, Hidden };

    ProgramRunner() = default;
    ~ProgramRunner();
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    std::string currentDir;        // working folder; empty: this process's
    std::string applicationName;   // program path, or a name looked up on PATH
    std::string parameters;        // split at blanks; "double quotes" keep blanks together
    ShowType showType = ShowType::Normal;
    std::string outputFile;        // when set, the program's output and errors go there

    // Starts applicationName + " " + parameters. On success resultCode() is -1 and the
    // runner is working; on failure it is the system's error code (ENOENT for a program
    // that does not exist) and neither working nor finished.
    void execute();
    // Asks the system whether the program still runs; true once it has ended.
    bool poll();
    // Polls every 100 ms until the program has ended or `keepWaiting` says no; returns
    // finished(). Returns false at once after a failed start.
    bool wait(const std::function<bool()>& keepWaiting = {});

    bool finished() const { return finished_; }
    bool working() const { return working_; }
    int resultCode() const { return resultCode_; }
    pid_t processId() const { return pid_; }
    // The program's exit status once finished (-1 when it was ended by a signal).
    int exitStatus() const { return exitStatus_; }

    // The words of a parameter text.
    static std::vector<std::string> split_parameters(const std::string& text);

private:
    bool finished_ = false;
    bool working_ = false;
    int resultCode_ = 0;
    pid_t pid_ = -99;
    int exitStatus_ = 0;
};

} // namespace vt::eval
