#pragma once
#include <filesystem>
#include <sys/types.h>

// The temporary file an import writes beside its target: named after the target and the
// importing process, removed on every ending the process sees (success, failure, Ctrl-C,
// SIGTERM, SIGHUP), and removed by the next import when the process that wrote it is gone.
namespace vt::access {

// ".<target name>.import-<pid>-<n>.tmp" in the target's folder.
std::filesystem::path temporary_beside(const std::filesystem::path& target);

// Removes the temporaries of earlier imports to `target` whose process no longer runs
// (a killed import leaves its file behind); those of running processes are left alone.
void remove_stale_temporaries(const std::filesystem::path& target);

// Removes a file and its SQLite journal, quietly.
void remove_quietly(const std::filesystem::path& p);

// While it lives, SIGINT, SIGTERM and SIGHUP (where the program left them at their
// default) remove the temporary and its journal and stop the reader process before the
// program ends as it would have.
class TemporaryGuard {
public:
    explicit TemporaryGuard(const std::filesystem::path& temp);
    ~TemporaryGuard();
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;

    // The reader process now writing the temporary (0: none).
    void setReader(pid_t pid);

private:
    int slot_ = -1;
};

} // namespace vt::access
