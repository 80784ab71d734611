#include "cli/run_setup.h"
#include "config/rux_settings.h"
#include "db/connection.h"
#include "db/demo_database.h"
#include "engine/run/run_configuration.h"
#include "support/temp_dir.h"
#include "workbench/run_setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

// Every field of a run's configuration, for comparing two of them with named differences.
std::vector<std::string> fields(const vt::engine::RunConfig& c)
{
    std::vector<std::string> f;
    auto add = [&f](const char* name, const auto& v) {
        std::ostringstream s;
        s << name << '=' << v;
        f.push_back(s.str());
    };
    add("database", c.database), add("methode", c.methode), add("modus", c.modus);
    add("regional_mode", c.regional_mode), add("hymode", c.hymode), add("pf_wp", c.pf_wp), add("pf_fk", c.pf_fk);
    add("soil_scheme", c.soil_scheme), add("interpol", c.interpol), add("recalc_bat", c.recalc_bat);
    add("simple_version", c.simple_version), add("dyn_lts", c.dyn_lts), add("dyn_bd", c.dyn_bd);
    add("hassink", c.hassink), add("scenario_ctrl", c.scenario_ctrl), add("uncas_mode", c.uncas_mode);
    add("z_cnt", c.z_cnt), add("z_anf", c.z_anf), add("sim_prot", c.sim_prot), add("run_id", c.run_id);
    add("sel_id", c.sel_id), add("pre_processing", c.pre_processing), add("pre_proc_query", c.pre_proc_query);
    add("pst_processing", c.pst_processing), add("pst_proc_query", c.pst_proc_query);
    add("auto_mode", c.auto_mode), add("nowait", c.nowait), add("r_call", c.r_call), add("r_script", c.r_script);
    add("r_result", c.r_result), add("pre_cond", c.pre_cond), add("rux_icon", c.rux_icon);
    add("acc_plot", c.acc_plot), add("work_dir", c.work_dir), add("jobs", c.jobs), add("stepwise", c.stepwise);
    add("ks", c.k.ks), add("km", c.k.km), add("ka", c.k.ka), add("kd", c.k.kd), add("cnrsom", c.k.cnrsom);
    add("hpwp", c.k.hpwp), add("hfc", c.k.hfc);
    for (const auto& w : c.config_warnings) add("warning", w);
    for (const auto& e : c.config_errors) add("error", e);
    return f;
}

class RunSetupSwitches : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VELTRANO_CONFIG", dir_.file("rux.ini").c_str(), 1);
        vt::db::Connection c(db_, vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_demo_database(c);
    }
    void TearDown() override { unsetenv("VELTRANO_CONFIG"); }

    // The desktop program's path: the main window applies the switches to its state
    // (application mode, regional mode) and to the settings dialog (save-state choice,
    // Hassink option, loaded from the settings file); the simulator reads them.
    vt::engine::RunConfig desktopConfiguration(const std::vector<std::string>& switches)
    {
        vt::config::RuxSettings settings;
        vt::engine::ConfigWarnings ignored;
        const auto sw = vt::engine::parse_run_switches(switches, ignored);
        vt::workbench::RunSetup setup;
        setup.base.database = db_;
        setup.base.modus = sw.modus.value_or("RUX");
        setup.base.regional_mode = sw.regio;
        setup.base.methode = "RUX";
        setup.base.work_dir = std::filesystem::current_path().string();
        setup.switches = switches;
        setup.scenario = sw.scenario.value_or(static_cast<int>(settings.integerOr("scenario", 0)));
        setup.hassink = sw.hassink.value_or(static_cast<int>(settings.integerOr("hassink", 0)));
        vt::db::Connection c(db_);
        return vt::workbench::setup_run(setup, settings, c, {});
    }

    vt::engine::RunConfig cliConfiguration(const std::vector<std::string>& switches)
    {
        vt::options::RunOptions opt;
        opt.switches = switches;
        vt::config::RuxSettings settings;
        vt::db::Connection c(db_);
        return vt::workbench::setup_run(vt::cli::cli_run_setup(opt, db_), settings, c, {});
    }

    vt::test::TempDir dir_;
    std::string db_ = dir_.file("demo.db");
};

// Every switch of GO sets up the same run from veltrano-cli as from the desktop program,
// and each of them changes the run it names.
TEST_F(RunSetupSwitches, EverySwitchSetsUpTheSameRunInBothFrontEnds)
{
    std::ofstream(dir_.file("pre.sql")) << "select 1\n";
    vt::config::RuxSettings(dir_.file("rux.ini")).writeFirstStartDefaults(db_, dir_.path().string());
    const vt::engine::RunConfig plain = cliConfiguration({"GO"});
    struct Case {
        std::string sw;
        std::function<bool(const vt::engine::RunConfig&)> changed;
    };
    using C = const vt::engine::RunConfig&;
    const std::vector<Case> cases = {
        {"nw", [](C c) { return c.nowait; }},
        {"!", [](C c) { return c.nowait; }},
        {"S+", [](C c) { return c.scenario_ctrl == 1; }},
        {"SAT+", [](C c) { return c.hassink == 1; }},
        {"BAT=0", [](C c) { return !c.recalc_bat; }},
        {"new_bat", [](C c) { return !c.simple_version; }},
        {"ACC", [](C c) { return c.modus == "ACC"; }},
        {"M=HHE", [](C c) { return c.modus == "KORVANIC"; }},
        {"REGIO", [](C c) { return c.regional_mode; }},
        {"RC=2", [](C c) { return c.z_cnt == 2; }},
        {"TC=1990", [](C c) { return c.z_anf == 1990; }},
        {"SC=KA5", [](C c) { return c.soil_scheme == "KA5"; }},
        {"I=1", [](C c) { return c.interpol == 1; }},
        {"UNCAS", [](C c) { return c.uncas_mode; }},
        {"ID=1", [](C c) { return c.sel_id == "1"; }},
        {"ERR_P000007", [](C c) { return c.sim_prot; }},
        {"PPQ=" + dir_.file("pre.sql"), [](C c) { return c.pre_processing; }},
        {"POQ=" + dir_.file("pre.sql"), [](C c) { return c.pst_processing; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.sw);
        const std::vector<std::string> switches = {"GO", k.sw};
        const vt::engine::RunConfig desktop = desktopConfiguration(switches);
        const vt::engine::RunConfig cli = cliConfiguration(switches);
        EXPECT_EQ(fields(cli), fields(desktop));
        EXPECT_TRUE(k.changed(cli));
        EXPECT_FALSE(k.changed(plain));
    }
    // The off switches against settings that say on.
    vt::config::RuxSettings on(dir_.file("rux.ini"));
    on.setInteger("hassink", 1);
    on.setInteger("scenario", 1);
    on.save();
    for (const std::string sw : {"SAT-", "S-"}) {
        SCOPED_TRACE(sw);
        const vt::engine::RunConfig cli = cliConfiguration({"GO", sw});
        EXPECT_EQ(fields(cli), fields(desktopConfiguration({"GO", sw})));
        EXPECT_EQ(sw == "SAT-" ? cli.hassink : cli.scenario_ctrl, 0);
    }
}

// SAT+ changes the results of a run of the demo database (the long-term stable carbon).
TEST_F(RunSetupSwitches, HassinkSwitchChangesTheDemoResults)
{
    int n = 0;
    auto ltsSum = [&](const std::vector<std::string>& extra) {
        // Each run on a fresh demo database.
        const std::string db = dir_.file("run" + std::to_string(++n) + ".db");
        std::filesystem::copy_file(db_, db);
        std::vector<std::string> args = {"run", "--db", db, "GO", "nw"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = vt::test::run_cli(args);
        EXPECT_EQ(r.code, 0) << r.err;
        vt::db::Connection c(db);
        return c.scalar("select sum(c_lts) from rux_zbv").toDouble();
    };
    const double without = ltsSum({});
    const double with = ltsSum({"SAT+"});
    EXPECT_GT(without, 0);
    EXPECT_GT(std::abs(with - without), 0.01 * without);
    EXPECT_DOUBLE_EQ(ltsSum({"SAT-"}), without);
}

} // namespace
