#pragma once
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"
#include "engine/preparation/soil_initialisation.h"

#include <functional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// The preparation that a method string selects.
enum class MethodRoute {
    CarbonModel,   // "RUX" (also empty)
    HumusBalance,  // beginning with "HUBA", or "NULL"
    Unknown,       // anything else: no preparation exists for it
};
MethodRoute method_route(const std::string& methode);

// The header lines of the run log: start time, model switches, soil water settings,
// soil classes, method, silt interpolation and, with `withRates`, the rate constants.
std::vector<std::string> run_log_header(const RunConfig& cfg, bool withRates);

// One press of "calculate": simulates every plot whose site_state.status is 1. Rebuilds
// the working tables of the method (carbon input, time span, tillage and irrigation,
// fresh organic matter, soil properties with the soil check, biologically active time;
// or the humus balance tables) and hands over to the annual balance, which replaces the
// results of the selected plots plot by plot. Qt-free: the simulator window, the
// command line and tests drive it through RunHooks.
class RunDriver {
public:
    // The annual balance, called after the preparation with the prepared database.
    using BalanceStep = std::function<RunResult(db::Connection&, const RunConfig&, const RunHooks&)>;

    RunDriver(db::Connection& c, RunConfig cfg, RunHooks hooks = {});

    // Without a balance step the run ends after the preparation.
    void setBalance(BalanceStep step) { balance_ = std::move(step); }
    RunConfig& config() { return cfg_; }
    const RunConfig& config() const { return cfg_; }
    void setHooks(RunHooks hooks) { hooks_ = std::move(hooks); }

    // Runs the whole sequence and tells how it ended. Never throws for a failure of the
    // run itself; the driver is ready for the next run afterwards, however this one ended.
    RunResult run();
    // What an activation of the simulator does when the run does not start by itself:
    // the header lines without the rate constants, the single-plot selection and the
    // pre-processing script. Failures end it as they end a run.
    RunResult activate();
    // True while run() executes.
    bool running() const { return running_; }

    // Per plot: the soil's decay constant, LMBD, kappa and formation coefficient of the
    // long-term stable pool, as the soil check of the last run left them.
    const SoilParameterMap& soilParameters() const { return soil_; }

private:
    template <typename Steps>
    RunResult guarded(Steps steps);
    RunResult runSequence();
    void preProcess();
    void selectSinglePlot();
    // rux_icon when the caller left it empty: "*", or in "ACC" mode the browser plot's i_con.
    void settleInitialStateSource();

    db::Connection& db_;
    RunConfig cfg_;
    RunHooks hooks_;
    BalanceStep balance_;
    SoilParameterMap soil_;
    bool running_ = false;
};

// site_state.status of a selected plot the input check skipped, while the run lasts.
inline constexpr int kHeldByInputCheck = -9;
// Selects again the plots a run held out of the selection (after a run that was killed).
void release_held_plots(db::Connection& c);

// The annual balance, for callers that run the whole sequence (the command line, the
// simulator window); tests may set another step or none.
RunDriver::BalanceStep annual_balance_step();

} // namespace vt::engine
