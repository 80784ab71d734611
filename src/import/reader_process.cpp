#include "import/reader_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vt::access {

void write_line(int fd, const std::string& line)
{
    const std::string text = line + '\n';
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // the reading side is gone; nothing more to tell
        }
        done += static_cast<std::size_t>(n);
    }
}

namespace {

constexpr std::size_t kErrorTail = 4096;

// The spawn's file actions and attributes, released however the start ends.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup(int reportFd, int errorFd)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
        posix_spawn_file_actions_adddup2(&actions, reportFd, kReportDescriptor);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        // Descriptors the caller opened without close-on-exec stay out of the program.
        posix_spawn_file_actions_addclosefrom_np(&actions, kReportDescriptor + 1);
#endif
        // The calling thread may block or catch signals; the program starts afresh.
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        // A signal the caller ignores stays ignored (nohup: a hangup must not end the reader
        // while its parent goes on).
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD, SIGUSR1, SIGUSR2}) {
            struct sigaction current {};
            const bool ignored = ::sigaction(s, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
                                 current.sa_handler == SIG_IGN;
            if (!ignored || s == SIGCHLD) sigaddset(&defaults, s);
        }
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe()
    {
        if (::pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe for the reader process");
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    void closeRead()
    {
        if (fd[0] >= 0) ::close(fd[0]);
        fd[0] = -1;
    }
    void closeWrite()
    {
        if (fd[1] >= 0) ::close(fd[1]);
        fd[1] = -1;
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
};

} // namespace

ChildOutcome run_process(const std::vector<std::string>& argv, const std::function<void(const std::string&)>& onLine,
                         int stallSeconds, const std::function<void(pid_t)>& started)
{
    if (argv.empty()) throw std::invalid_argument("run_process: no program");
    Pipe report, errors;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    {
        SpawnSetup setup(report.fd[1], errors.fd[1]);
        const int rc = ::posix_spawn(&pid, args[0], &setup.actions, &setup.attributes, args.data(), environ);
        if (rc != 0)
            throw std::runtime_error("cannot start the Access reader \"" + argv[0] + "\": " + std::strerror(rc));
    }
    report.closeWrite();
    errors.closeWrite();
    if (started) started(pid);

    ChildOutcome outcome;
    std::string pending;
    auto lastNews = std::chrono::steady_clock::now();
    try {
        while (report.fd[0] >= 0 || errors.fd[0] >= 0) {
            pollfd p[2] = {{report.fd[0], POLLIN, 0}, {errors.fd[0], POLLIN, 0}};
            const int rc = ::poll(p, 2, 250);
            if (rc < 0 && errno != EINTR) break;
            char buf[65536];
            if (rc > 0 && p[1].revents) {
                const ssize_t n = ::read(errors.fd[0], buf, sizeof buf);
                if (n == 0 || (n < 0 && errno != EINTR)) errors.closeRead();
                if (n > 0) {
                    outcome.errorTail.append(buf, static_cast<std::size_t>(n));
                    if (outcome.errorTail.size() > kErrorTail)
                        outcome.errorTail.erase(0, outcome.errorTail.size() - kErrorTail);
                }
            }
            if (rc > 0 && p[0].revents) {
                const ssize_t n = ::read(report.fd[0], buf, sizeof buf);
                if (n == 0 || (n < 0 && errno != EINTR)) report.closeRead();
                if (n > 0) {
                    lastNews = std::chrono::steady_clock::now();
                    pending.append(buf, static_cast<std::size_t>(n));
                    std::size_t pos;
                    while ((pos = pending.find('\n')) != std::string::npos) {
                        const std::string line = pending.substr(0, pos);
                        pending.erase(0, pos + 1);
                        onLine(line);
                    }
                }
            }
            if (!outcome.stalled && std::chrono::steady_clock::now() - lastNews > std::chrono::seconds(stallSeconds)) {
                outcome.stalled = true;
                ::kill(pid, SIGKILL);
                // Whatever it started (and left holding the pipes) is no reason to wait.
                report.closeRead();
                errors.closeRead();
            }
        }
    } catch (...) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw;
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

} // namespace vt::access
