#include "workbench/run_setup.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "engine/balance/annual_balance.h"
#include "engine/run/run_configuration.h"
#include "engine/run/run_driver.h"
#include "engine/run/run_preconditions.h"

namespace vt::workbench {

engine::RunConfig setup_run(const RunSetup& setup, config::RuxSettings& settings, db::Connection& c,
                            const engine::RunHooks& hooks)
{
    engine::ConfigWarnings ignored;  // read_run_configuration reports them
    const engine::RunSwitches given = engine::parse_run_switches(setup.switches, ignored);
    // The switches the main window applies to the program's state.
    engine::RunConfig base = setup.base;
    if (given.modus) base.modus = *given.modus;
    if (given.regio) base.regional_mode = true;
    engine::RunConfig cfg = engine::read_run_configuration(base, settings, setup.switches, c, hooks);
    if (setup.scenario) cfg.scenario_ctrl = *setup.scenario;
    if (setup.hassink) cfg.hassink = *setup.hassink;
    if (given.scenario) cfg.scenario_ctrl = *given.scenario;
    if (given.hassink) cfg.hassink = *given.hassink;
    return cfg;
}

std::string run_database(const std::vector<std::string>& switches, const std::string& fallback)
{
    engine::ConfigWarnings ignored;
    return engine::parse_run_switches(switches, ignored).database.value_or(fallback);
}

std::string run_database_problem(db::Connection& c) { return engine::experiment_database_problem(c); }

engine::RunResult run_model(db::Connection& c, const engine::RunConfig& cfg, const engine::RunHooks& hooks, bool balance)
{
    engine::RunDriver driver(c, cfg, hooks);
    if (balance) driver.setBalance(engine::annual_balance_step());
    return driver.run();
}

engine::RunResult activate_run(db::Connection& c, const engine::RunConfig& cfg, const engine::RunHooks& hooks)
{
    engine::RunDriver driver(c, cfg, hooks);
    return driver.activate();
}

const char* nothing_selected_message() { return engine::kNothingSelected; }

} // namespace vt::workbench
