#include "cli/session_options.h"

#include "cli/command_registry.h"
#include "db/connection.h"
#include "options/session_command.h"
#include "workbench/session_jobs.h"

#include <csignal>
#include <ostream>

namespace vt::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void raise_interrupt(int) { g_interrupted.store(true); }

} // namespace

std::vector<long long> session_plots(db::Connection& c, const std::string& plots, const std::string& experiment)
{
    return options::session_plots<CommandError>(c, plots, experiment);
}

engine::RunHooks session_hooks(std::ostream& err, const std::atomic<bool>* stop)
{
    engine::RunHooks hooks;
    hooks.message = [&err](const std::string& caption, const std::string& text) { err << caption << ": " << text << '\n'; };
    hooks.ask = [&err](const std::string& caption, const std::string& text) {
        err << caption << ": " << text << " -> no\n";
        return false;
    };
    hooks.stop = stop;
    return hooks;
}

workbench::SessionJobSteps session_steps(std::ostream& out)
{
    workbench::SessionJobSteps steps;
    steps.preparing = [&out](std::size_t plots) { out << "preparing " << plots << " plots\n" << std::flush; };
    return steps;
}

InterruptFlag::InterruptFlag()
{
    g_interrupted.store(false);
    previous_ = std::signal(SIGINT, raise_interrupt);
}

InterruptFlag::~InterruptFlag() { std::signal(SIGINT, previous_); }

const std::atomic<bool>* InterruptFlag::flag() const { return &g_interrupted; }

bool InterruptFlag::raised() const { return g_interrupted.load(); }

std::string skipped_plots_text(const std::vector<engine::SkippedPlot>& plots)
{
    std::string out;
    for (const engine::SkippedPlot& s : plots) out += "plot " + std::to_string(s.plot) + " not simulated: " + s.reason + '\n';
    return out;
}

void draw_progress(std::ostream& err, long long current, long long maximum)
{
    if (maximum <= 0) {
        err << "\r\033[K" << std::flush;
        return;
    }
    constexpr int width = 40;
    const int filled = static_cast<int>(width * current / maximum);
    err << "\r[" << std::string(filled, '#') << std::string(width - filled, ' ') << "] " << current << '/' << maximum
        << std::flush;
}

} // namespace vt::cli
