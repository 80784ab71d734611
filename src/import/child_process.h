#pragma once
#include <functional>
#include <string>

namespace vt::access {

// How a piece of work run in a child process ended.
struct ChildOutcome {
    bool exited = false;  // ended by itself (not by a signal)
    int exitCode = 0;
    int signal = 0;       // the signal that ended it, when it did not exit
    bool stalled = false; // stopped because it reported nothing for too long
};

// Runs `work` in a forked child process so that a crash or an endless loop in it cannot
// take the caller down. The child writes lines to the descriptor it is given (see
// write_line); the caller receives each line through `onLine` as it arrives. A child that
// writes nothing for `stallSeconds` is killed. The child's standard output and error are discarded.
ChildOutcome run_in_child(const std::function<void(int fd)>& work, const std::function<void(const std::string&)>& onLine,
                          int stallSeconds);

// Writes one line (a newline is added) to a descriptor; used by the child.
void write_line(int fd, const std::string& line);

} // namespace vt::access
