#include "engine/run/run_driver.h"

#include "db/connection.h"
#include "db/database_traits.h"
#include "db/statement.h"
#include "engine/balance/annual_balance.h"
#include "db/fast_secure_delete.h"
#include "db/schema.h"
#include "engine/preparation/bat_table.h"
#include "engine/preparation/carbon_input.h"
#include "engine/preparation/fom_additions.h"
#include "engine/preparation/humus_balance_prep.h"
#include "engine/soil/pedotransfer.h"
#include "engine/preparation/prep_context.h"
#include "engine/preparation/preparation_transaction.h"
#include "engine/preparation/run_indexes.h"
#include "engine/preparation/soil_property_table.h"
#include "engine/soil/soil_texture_class.h"
#include "db/sql_script.h"
#include "engine/run/run_preconditions.h"
#include "engine/run/stop_interrupt.h"
#include "engine/preparation/input_validation.h"
#include "base/text.h"
#include "engine/preparation/tillage_irrigation.h"
#include "engine/preparation/time_span.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

namespace vt::engine {

using base::to_lower;
using base::to_upper;
using base::trim;

namespace {

std::string now_text()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

// Numbers of the run log with up to 15 significant digits, never in exponent form for
// the rate constants ("ks=0.0009").
std::string log_number(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

// Page cache of the connection during a run.
constexpr long long kRunCacheKiB = 64 * 1024;

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

const char* yes_no(bool b) { return b ? "True" : "False"; }

// Takes the plots the input check skipped out of the selection while the run lasts
// (site_state.status kHeldByInputCheck, which no step of a run selects) and selects them
// again however the run ends; a run killed on the way is mended by the next one.
class HeldPlots {
public:
    HeldPlots(db::Connection& c, const std::vector<SkippedPlot>& plots) : c_(c)
    {
        if (plots.empty()) return;
        db::Transaction tx(c_);
        db::Statement hold = c_.prepare("UPDATE site_state SET status=? WHERE FL_ID=? AND status=1");
        for (const SkippedPlot& s : plots) {
            hold.bind(1, kHeldByInputCheck).bind(2, s.plot);
            hold.execute();
        }
        tx.commit();
        held_ = true;
    }
    ~HeldPlots()
    {
        if (held_) release_held_plots(c_);
    }
    HeldPlots(const HeldPlots&) = delete;
    HeldPlots& operator=(const HeldPlots&) = delete;

private:
    db::Connection& c_;
    bool held_ = false;
};

// Clears the running flag however the run ends.
struct RunningFlag {
    bool& flag;
    explicit RunningFlag(bool& f) : flag(f) { flag = true; }
    ~RunningFlag() { flag = false; }
};

} // namespace

RunDriver::BalanceStep annual_balance_step() { return &run_annual_balance; }

void release_held_plots(db::Connection& c)
{
    try {
        c.execute("UPDATE site_state SET status=1 WHERE status=?", {static_cast<long long>(kHeldByInputCheck)});
    } catch (const db::DbError&) {
        // A database without site_state or one opened read-only: nothing was held.
    }
}

MethodRoute method_route(const std::string& methode)
{
    if (methode.empty() || methode == "RUX") return MethodRoute::CarbonModel;
    if (methode.compare(0, 4, "HUBA") == 0 || methode == "NULL") return MethodRoute::HumusBalance;
    return MethodRoute::Unknown;
}

std::vector<std::string> run_log_header(const RunConfig& cfg, bool withRates)
{
    std::vector<std::string> lines{"RUX run started: " + now_text()};
    if (withRates) {
        lines.push_back(std::string("dyn_bd : ") + yes_no(cfg.dyn_bd));
        lines.push_back(std::string("dyn_lts: ") + yes_no(cfg.dyn_lts));
    }
    lines.push_back("ptf_mode=" + std::to_string(cfg.hymode) + " / " + ptf_mode_name(cfg.hymode));
    lines.push_back("pf_wp=" + log_number(cfg.pf_wp));
    lines.push_back("pf_fk=" + log_number(cfg.pf_fk));
    lines.push_back("soil classes : " + cfg.soil_scheme);
    lines.push_back("method : " + cfg.methode);
    lines.push_back("silt from soil class : " + std::to_string(cfg.interpol) + "==>" + interpol_label(cfg.interpol));
    if (withRates) {
        lines.push_back("k-values:");
        lines.push_back("km=" + log_number(cfg.k.km));
        lines.push_back("ka=" + log_number(cfg.k.ka));
        lines.push_back("ks=" + log_number(cfg.k.ks));
        lines.push_back("kd=" + log_number(cfg.k.kd));
        lines.push_back("CNRaom=" + log_number(cfg.k.cnrsom));
    }
    return lines;
}

RunDriver::RunDriver(db::Connection& c, RunConfig cfg, RunHooks hooks)
    : db_(c), cfg_(std::move(cfg)), hooks_(std::move(hooks))
{
}

template <typename Steps>
RunResult RunDriver::guarded(Steps steps)
{
    RunningFlag flag(running_);
    RunResult result;
    try {
        result = steps();
    } catch (const RunCancelled& e) {
        hooks_.logLine(e.what());
        hooks_.show(e.caption(), e.what());
        result.outcome = RunOutcome::Cancelled;
        result.message = e.what();
    } catch (const RunStopRequested&) {
        hooks_.logLine("STOP RUN");
        result.outcome = RunOutcome::Stopped;
        result.message = "stopped by the user";
    } catch (const db::DbError& e) {
        // A statement interrupted by "STOP RUN" fails; the stop is what ended the run.
        if (hooks_.stopRequested()) {
            hooks_.logLine("STOP RUN");
            result.outcome = RunOutcome::Stopped;
            result.message = "stopped by the user";
        } else {
            hooks_.logLine(std::string("error: ") + e.what());
            hooks_.show("error", e.what());
            result.outcome = RunOutcome::Failed;
            result.message = e.what();
        }
    } catch (const std::exception& e) {
        hooks_.logLine(std::string("error: ") + e.what());
        hooks_.show("error", e.what());
        result.outcome = RunOutcome::Failed;
        result.message = e.what();
    }
    hooks_.report(0, 0);
    return result;
}

RunResult RunDriver::run()
{
    soil_.clear();
    // The initial-state source is settled per run; the caller's choice is kept for the next.
    const std::string givenIcon = cfg_.rux_icon;
    RunResult result = guarded([this] { return runSequence(); });
    cfg_.rux_icon = givenIcon;
    return result;
}

RunResult RunDriver::activate()
{
    return guarded([this] {
        for (const auto& line : run_log_header(cfg_, false)) hooks_.logLine(line);
        selectSinglePlot();
        preProcess();
        return RunResult{};
    });
}

void RunDriver::preProcess()
{
    if (cfg_.pre_processing && cfg_.pre_proc_query != "?") db::run_sql_script_file(db_, cfg_.pre_proc_query);
}

RunResult RunDriver::runSequence()
{
    if (cfg_.methode.empty()) cfg_.methode = "RUX";
    for (const auto& line : run_log_header(cfg_, true)) hooks_.logLine(line);
    for (const auto& line : cfg_.config_warnings) hooks_.logLine(line);
    if (const std::string problem = experiment_database_problem(db_); !problem.empty())
        throw RunCancelled("database", problem);
    if (!cfg_.config_errors.empty()) {
        std::string text = "the run cannot start:";
        for (const auto& line : cfg_.config_errors) text += "\n  " + line;
        throw RunCancelled("settings", text);
    }

    // Checks that need nothing of the database come before anything is changed.
    const MethodRoute route = method_route(cfg_.methode);
    if (route == MethodRoute::Unknown)
        throw RunCancelled("method", "no preparation exists for the method \"" + cfg_.methode +
                                         "\"; use RUX, a HUBA method or NULL");
    if (route == MethodRoute::CarbonModel && cfg_.recalc_bat && !cfg_.simple_version) {
        hooks_.logLine("simple_bat=no");
        throw RunCancelled("BAT", "new_bat: no BAT table can be built this way; the run needs tmp_bat. "
                                  "Run without the switch new_bat.");
    }

    PrepContext p{db_, cfg_, hooks_, cfg_.regional_mode || db::is_regional_database(db_)};
    const auto started = std::chrono::steady_clock::now();
    double soilCheck = 0;
    const auto checkSoil = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        soil_ = check_soil_properties(p);
        soilCheck = seconds_since(t0);
    };

    // Declared first so that a stop, which interrupts statements while `interruptible` lives,
    // cannot interrupt the statement that selects the held plots again.
    std::optional<HeldPlots> held;
    // Ctrl-C ends a long statement of the preparation too, not only the step after it.
    std::optional<StopInterruptsStatements> interruptible;
    interruptible.emplace(db_.handle(), hooks_);
    release_held_plots(db_);
    selectSinglePlot();
    preProcess();
    settleInitialStateSource();
    p.checkStop();
    // Nothing is built from input that cannot be used.
    RunInputFacts facts = validate_run_input(p, route == MethodRoute::CarbonModel && cfg_.recalc_bat);
    p.eventPlotYears = facts.eventPlotYears;
    // Plots whose input is out of its plausible range (or without climate) are skipped; the
    // others run.
    cfg_.input_skipped = std::move(facts.skipped);
    for (const SkippedPlot& s : cfg_.input_skipped)
        hooks_.logLine("plot " + std::to_string(s.plot) + " is not simulated: " + s.reason);
    held.emplace(db_, cfg_.input_skipped);
    const BatCoefficients coefficients = cfg_.recalc_bat ? load_bat_coefficients(db_) : BatCoefficients{};

    p.guarded("CREATE TABLE tmp_time_scen (fl_id int, yr int)");
    p.guarded("CREATE INDEX fdix2 ON field_description (fl_id)");
    p.guarded("CREATE INDEX fdix ON field_description (climate_id)");
    ensure_run_indexes(p);
    if (!db_.tableExists("sim_result"))
        db_.execute(db::ddl::kSimResult);
    // The previous results stay until the balance replaces them plot by plot (OldResults).

    // The working tables are built in one transaction (see PreparationTransaction): each of
    // their pages reaches the journal once at most instead of once per statement.
    // A page cache that holds the working tables of a regional run keeps the transaction
    // from spilling pages to the file (and waiting for the disk) half-way.
    const db::Value cacheSize = db_.scalar("PRAGMA cache_size");
    db_.execute("PRAGMA cache_size=-" + std::to_string(kRunCacheKiB));
    struct RestoreCache {
        db::Connection& c;
        long long pages;
        ~RestoreCache() { c.executeIgnoringErrors("PRAGMA cache_size=" + std::to_string(pages)); }
    } restoreCache{db_, cacheSize.toInt()};
    // Dropping last run's working tables frees their pages; they hold nothing worth erasing.
    const db::FastSecureDelete freedPagesReleased(db_);
    PreparationTransaction preparation(db_);
    p.transaction = &preparation;
    struct Detach {
        PrepContext& p;
        ~Detach() { p.transaction = nullptr; }
    } detach{p};
    if (route == MethodRoute::CarbonModel) {
        build_carbon_input(p);
        build_time_span(p);
        build_tillage_irrigation(p);
        build_fom_additions(p);
        build_soil_property_table(p);
        checkSoil();
        build_bat_table(p, coefficients);
    } else {
        build_humus_balance(p, cfg_.methode);
        build_soil_property_table(p);
        checkSoil();
    }
    p.checkStop();
    preparation.commit();
    interruptible.reset();
    RunTimings times;
    times.soilCheck = soilCheck;
    times.preparation = seconds_since(started) - soilCheck;

    RunResult result;
    if (balance_) {
        const auto t0 = std::chrono::steady_clock::now();
        result = balance_(db_, cfg_, hooks_);
        times.balance = seconds_since(t0);
        times.reading = result.timings.reading;
        times.simulation = result.timings.simulation;
        times.writing = result.timings.writing;
    }
    result.timings = times;
    return result;
}

void RunDriver::settleInitialStateSource()
{
    if (!cfg_.rux_icon.empty()) return;
    cfg_.rux_icon = "*";
    if (cfg_.modus != "ACC") return;
    // A run from the browser takes the i_con of its plot: the one it names, else the one
    // it flagged.
    db::Value icon;
    if (cfg_.acc_plot >= 0)
        icon = db_.scalar("SELECT i_con FROM field_description WHERE FL_ID=?", {cfg_.acc_plot});
    else if (db_.scalar("SELECT COUNT(*) FROM site_state WHERE status=1").toInt() == 1)
        icon = db_.scalar("SELECT field_description.i_con FROM field_description INNER JOIN site_state"
                          " ON field_description.FL_ID = site_state.FL_ID WHERE site_state.status=1");
    if (!icon.isNull()) cfg_.rux_icon = trim(icon.toString());
}

void RunDriver::selectSinglePlot()
{
    if (cfg_.sel_id == "?") return;
    long long plot = 0;
    const std::string& id = cfg_.sel_id;
    auto [ptr, ec] = std::from_chars(id.data(), id.data() + id.size(), plot);
    if (id.empty() || ec != std::errc() || ptr != id.data() + id.size())
        throw RunCancelled("ID=", "\"" + id + "\" is not a plot number");
    db_.execute("UPDATE site_state SET status=0");
    db_.execute("UPDATE site_state SET status=1 WHERE fl_id=?", {plot});
}

} // namespace vt::engine
