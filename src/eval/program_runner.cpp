#include "eval/program_runner.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vt::eval {

ProgramRunner::~ProgramRunner()
{
    // Reap a program that ended unobserved; one still running is left to run on.
    if (working_) poll();
}

std::vector<std::string> ProgramRunner::split_parameters(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

void ProgramRunner::execute()
{
    working_ = finished_ = false;
    exitStatus_ = 0;
    std::vector<std::string> args{applicationName};
    for (auto& w : split_parameters(parameters)) args.push_back(std::move(w));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!currentDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, currentDir.c_str());
    if (!outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = 0;
    const int rc = applicationName.empty()
                       ? ENOENT
                       : posix_spawnp(&pid, applicationName.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        resultCode_ = rc;
        return;
    }
    resultCode_ = -1;
    pid_ = pid;
    working_ = true;
}

bool ProgramRunner::poll()
{
    if (!working_) return finished_;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_ || (r < 0 && errno == ECHILD)) {
        if (r == pid_) exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        finished_ = true;
        working_ = false;
    }
    return finished_;
}

bool ProgramRunner::wait(const std::function<bool()>& keepWaiting)
{
    while (working_ && !poll()) {
        if (keepWaiting && !keepWaiting()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return finished_;
}

} // namespace vt::eval
