#include "cli/session_options.h"

#include "cli/command_registry.h"
#include "cli/database_file.h"
#include "db/connection.h"
#include "workbench/session_jobs.h"

#include <charconv>
#include <csignal>
#include <ostream>
#include <set>

namespace vt::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void raise_interrupt(int) { g_interrupted.store(true); }

long long parse_plot(const std::string& text)
{
    long long v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        throw CommandError("--plots: \"" + text + "\" is not a plot number");
    return v;
}

} // namespace

std::vector<long long> session_plots(db::Connection& c, const std::string& plots, const std::string& experiment)
{
    if (!plots.empty() && !experiment.empty()) throw CommandError("give --plots or --experiment, not both");
    std::vector<long long> out;
    if (!plots.empty()) {
        std::set<long long> seen;
        std::size_t start = 0;
        while (start <= plots.size()) {
            const auto comma = plots.find(',', start);
            const std::string item = plots.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            const long long plot = parse_plot(item);
            if (c.query("SELECT FL_ID FROM field_description WHERE FL_ID=?", {plot}).eof())
                throw CommandError("plot " + item + " is not in field_description");
            if (seen.insert(plot).second) out.push_back(plot);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return out;
    }
    if (!experiment.empty()) {
        for (auto cur = c.query("SELECT FL_ID FROM field_description WHERE CStr(versuch_code)=? ORDER BY FL_ID",
                                {experiment});
             !cur.eof(); cur.next())
            out.push_back(cur.field(0).toInt());
        if (out.empty()) throw CommandError("experiment " + experiment + " has no plots");
        return out;
    }
    for (auto cur = c.query("SELECT FL_ID FROM site_state WHERE status=1 ORDER BY FL_ID"); !cur.eof(); cur.next())
        out.push_back(cur.field(0).toInt());
    if (out.empty()) throw CommandError("no plot is flagged in site_state: give --plots or --experiment");
    return out;
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

InterruptFlag::InterruptFlag()
{
    g_interrupted.store(false);
    previous_ = std::signal(SIGINT, raise_interrupt);
}

InterruptFlag::~InterruptFlag() { std::signal(SIGINT, previous_); }

const std::atomic<bool>* InterruptFlag::flag() const { return &g_interrupted; }

bool InterruptFlag::raised() const { return g_interrupted.load(); }

PreparedPlots prepare_plots(const std::string& dbPath, const std::string& plots, const std::string& experiment,
                            const InterruptFlag& interrupt, std::ostream& out, std::ostream& err)
{
    PreparedPlots p;
    p.db = open_database_for_update(dbPath);
    p.plots = session_plots(*p.db, plots, experiment);
    const engine::RunHooks hooks = session_hooks(err, interrupt.flag());
    p.config = workbench::session_run_config(*p.db, dbPath, hooks);
    out << "preparing " << p.plots.size() << " plots\n" << std::flush;
    try {
        p.session = std::make_unique<engine::SimulationSession>(
            engine::SimulationSession::prepare(*p.db, p.config, p.plots, hooks));
    } catch (const std::exception& e) {
        throw CommandError(std::string("the plots could not be prepared: ") + e.what(), 1);
    }
    if (interrupt.raised()) throw CommandError("stopped; nothing was written", 1);
    return p;
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
