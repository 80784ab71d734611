#pragma once
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vt::access {

// How a program run by run_process ended.
struct ChildOutcome {
    bool exited = false;  // ended by itself (not by a signal)
    int exitCode = 0;
    int signal = 0;       // the signal that ended it, when it did not exit
    bool stalled = false; // stopped because it reported nothing for too long
    std::string errorTail;  // the last few kilobytes it wrote to its standard error
};

// The descriptor on which a program started by run_process writes its lines.
constexpr int kReportDescriptor = 3;

// Starts the program `argv[0]` (a path) with posix_spawn, never fork(): the caller may
// have threads, and a forked copy of a threaded program may deadlock in any library it
// calls. The program writes lines to descriptor kReportDescriptor; the caller receives
// each line through `onLine` as it arrives. Standard input and output are /dev/null; the
// tail of standard error is kept in the outcome. A program that writes nothing for
// `stallSeconds` is killed. `started` receives the program's process id once it runs.
// Throws std::runtime_error when the program cannot be started.
ChildOutcome run_process(const std::vector<std::string>& argv, const std::function<void(const std::string&)>& onLine,
                         int stallSeconds, const std::function<void(pid_t)>& started = {});

// Writes one line (a newline is added) to a descriptor; used by the started program.
void write_line(int fd, const std::string& line);

} // namespace vt::access
