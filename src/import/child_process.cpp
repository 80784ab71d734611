#include "import/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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

ChildOutcome run_in_child(const std::function<void(int fd)>& work, const std::function<void(const std::string&)>& onLine,
                          int stallSeconds)
{
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("cannot create a pipe for the reader process");
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw std::runtime_error("cannot start the reader process");
    }
    if (pid == 0) {
        // The child ends with its parent (an interrupted command leaves no reader behind).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        ::close(fds[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, STDOUT_FILENO);  // libraries' diagnostics are no business of the caller's
            ::dup2(devnull, STDERR_FILENO);
        }
        try {
            work(fds[1]);
        } catch (...) {
            ::_exit(3);
        }
        ::_exit(0);
    }

    ::close(fds[1]);
    ChildOutcome outcome;
    std::string pending;
    auto lastNews = std::chrono::steady_clock::now();
    bool open = true;
    try {
        while (open) {
            pollfd p{fds[0], POLLIN, 0};
            const int rc = ::poll(&p, 1, 1000);
            if (rc < 0 && errno != EINTR) break;
            if (rc > 0) {
                char buf[65536];
                const ssize_t n = ::read(fds[0], buf, sizeof buf);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    open = false;
                } else {
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
            if (open && !outcome.stalled &&
                std::chrono::steady_clock::now() - lastNews > std::chrono::seconds(stallSeconds)) {
                outcome.stalled = true;
                ::kill(pid, SIGKILL);
            }
        }
    } catch (...) {
        ::kill(pid, SIGKILL);
        ::close(fds[0]);
        ::waitpid(pid, nullptr, 0);
        throw;
    }
    ::close(fds[0]);

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
