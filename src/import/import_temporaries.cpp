#include "import/import_temporaries.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

namespace vt::access {

namespace fs = std::filesystem;

namespace {

const std::string kInfix = ".import-";
const std::string kSuffix = ".tmp";

// What a signal handler needs to clean up one import, in memory it may read at any time.
struct Slot {
    std::atomic<bool> used{false};
    std::atomic<pid_t> reader{0};
    char path[4096] = {};
    char journal[4104] = {};
};

std::array<Slot, 8> slots;
constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
std::mutex handlersMutex;
int guards = 0;
std::array<bool, kSignals.size()> installed = {};

extern "C" void remove_temporaries_and_end(int sig)
{
    const int savedErrno = errno;
    for (auto& s : slots) {
        if (!s.used.load()) continue;
        const pid_t reader = s.reader.load();
        if (reader > 0) ::kill(reader, SIGKILL);
        ::unlink(s.path);
        ::unlink(s.journal);
    }
    // End as the signal would have ended the program without us.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    errno = savedErrno;
    ::raise(sig);
}

void install_handlers()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction current {};
        if (::sigaction(kSignals[i], nullptr, &current) != 0) continue;
        const bool isDefault = !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
        if (!isDefault) continue;  // the program handles it itself
        struct sigaction ours {};
        ours.sa_handler = remove_temporaries_and_end;
        sigemptyset(&ours.sa_mask);
        for (int s : kSignals) sigaddset(&ours.sa_mask, s);
        installed[i] = ::sigaction(kSignals[i], &ours, nullptr) == 0;
    }
}

void restore_handlers()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (!installed[i]) continue;
        struct sigaction current {};
        ::sigaction(kSignals[i], nullptr, &current);
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == remove_temporaries_and_end) {
            struct sigaction dfl {};
            dfl.sa_handler = SIG_DFL;
            sigemptyset(&dfl.sa_mask);
            ::sigaction(kSignals[i], &dfl, nullptr);
        }
        installed[i] = false;
    }
}

bool process_is_gone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

} // namespace

fs::path temporary_beside(const fs::path& target)
{
    static std::atomic<int> counter{0};
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    return dir / ("." + target.filename().string() + kInfix + std::to_string(::getpid()) + "-" +
                  std::to_string(counter++) + kSuffix);
}

void remove_quietly(const fs::path& p)
{
    std::error_code ec;
    fs::remove(p, ec);
    fs::remove(p.string() + "-journal", ec);
}

void remove_stale_temporaries(const fs::path& target)
{
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = "." + target.filename().string() + kInfix;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = name.substr(prefix.size());  // "<pid>-<n>.tmp" or "<pid>-<n>.tmp-journal"
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || rest.find(kSuffix, dash) == std::string::npos) continue;
        if (rest.find_first_not_of("0123456789") != dash) continue;
        const long long pid = std::stoll(rest.substr(0, dash));
        if (pid > 0 && pid <= 0x7fffffff && process_is_gone(static_cast<pid_t>(pid))) {
            std::error_code removeError;
            fs::remove(it->path(), removeError);
        }
    }
}

TemporaryGuard::TemporaryGuard(const fs::path& temp)
{
    const std::string path = fs::absolute(temp).string();
    const std::string journal = path + "-journal";
    std::lock_guard<std::mutex> lock(handlersMutex);
    if (journal.size() >= sizeof(Slot::journal)) return;  // too long to keep: only the ordinary cleanup applies
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot& s = slots[i];
        if (s.used.load()) continue;
        std::memcpy(s.path, path.c_str(), path.size() + 1);
        std::memcpy(s.journal, journal.c_str(), journal.size() + 1);
        s.reader.store(0);
        s.used.store(true);
        slot_ = static_cast<int>(i);
        break;
    }
    if (slot_ >= 0 && guards++ == 0) install_handlers();
}

TemporaryGuard::~TemporaryGuard()
{
    if (slot_ < 0) return;
    std::lock_guard<std::mutex> lock(handlersMutex);
    slots[static_cast<std::size_t>(slot_)].used.store(false);
    if (--guards == 0) restore_handlers();
}

void TemporaryGuard::setReader(pid_t pid)
{
    if (slot_ >= 0) slots[static_cast<std::size_t>(slot_)].reader.store(pid);
}

} // namespace vt::access
