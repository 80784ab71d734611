#include "config/rux_settings.h"
#include "db/connection.h"
#include "engine/run/run_configuration.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using vt::engine::ConfigWarnings;
using vt::engine::RunConfig;

namespace {

TEST(RunSwitches, EachParameterIsTestedAgainstEveryRule)
{
    vt::test::TempDir dir;
    const std::string script = dir.file("pre.sql");
    std::ofstream(script) << "select 1\n";

    struct Case {
        std::vector<std::string> args;
        std::function<bool(const RunConfig&)> check;
        const char* what;
    };
    const std::vector<Case> cases{
        {{"go", "NW"}, [](const RunConfig& c) { return c.auto_mode && c.nowait; }, "GO and nw in any case"},
        {{"GO", "!"}, [](const RunConfig& c) { return c.auto_mode && c.nowait; }, "! waits for nothing"},
        {{"Go!"}, [](const RunConfig& c) { return !c.auto_mode && !c.nowait; }, "GO is the whole parameter"},
        {{"BAT=0"}, [](const RunConfig& c) { return !c.recalc_bat; }, "BAT=0 switches recalculation off"},
        {{"bat=1"}, [](const RunConfig& c) { return c.recalc_bat; }, "BAT in any case"},
        {{"new_bat"}, [](const RunConfig& c) { return !c.simple_version; }, "new_bat"},
        {{"NEW_BAT"}, [](const RunConfig& c) { return c.simple_version; }, "new_bat is case-sensitive"},
        {{"M=HUBAHE12345"}, [](const RunConfig& c) { return c.methode == "HUBAHE"; }, "M= takes characters 3 to 8"},
        {{"M=HHE"}, [](const RunConfig& c) { return c.methode == "HUBAHE"; }, "M= with a method's code"},
        {{"M= XYZ "}, [](const RunConfig& c) { return c.methode == "XYZ"; }, "M= with any other text, trimmed"},
        {{"RC=3", "tc=2011"}, [](const RunConfig& c) { return c.z_cnt == 3 && c.z_anf == 2011; }, "cycles"},
        {{"RC=x"}, [](const RunConfig& c) { return c.z_cnt == 0; }, "an unreadable count keeps the default"},
        {{"SC=KA4x"}, [](const RunConfig& c) { return c.soil_scheme == "KA4"; }, "SC= takes three characters"},
        {{"sc=KA4"}, [](const RunConfig& c) { return c.soil_scheme == "RBS"; }, "SC= is case-sensitive"},
        {{"I=-1"}, [](const RunConfig& c) { return c.interpol == -1; }, "interpolation of the class silt"},
        {{"UNCAS"}, [](const RunConfig& c) { return c.uncas_mode; }, "sensitivity factors"},
        {{"ID=17"}, [](const RunConfig& c) { return c.sel_id == "17"; }, "single plot"},
        {{"ERR_P"}, [](const RunConfig& c) { return c.sim_prot && c.run_id == -99; }, "protocol without number"},
        {{"ERR_P=000042"}, [](const RunConfig& c) { return c.sim_prot && c.run_id == 42; }, "protocol with run number"},
        {{"PPQ=" + script}, [script](const RunConfig& c) { return c.pre_processing && c.pre_proc_query == script; },
         "an existing pre-processing script"},
        {{"poq=/no/such/file.sql"},
         [](const RunConfig& c) {
             return !c.pst_processing && c.pst_proc_query == "?" && c.config_errors.size() == 1 &&
                    c.config_errors[0] == "switch POQ: the script file \"/no/such/file.sql\" does not exist";
         },
         "a missing script keeps the run from starting"},
    };
    for (const auto& c : cases) {
        RunConfig cfg;
        ConfigWarnings w;
        vt::engine::apply_switches(cfg, c.args, w);
        EXPECT_TRUE(c.check(cfg)) << c.what;
    }
}

// The desktop program and `veltrano-cli run` read the same switches with this parser; the
// main window's mode switches are read with the run's.
TEST(RunSwitches, OneParserReadsTheMainWindowsSwitchesAsWell)
{
    ConfigWarnings w;
    auto s = vt::engine::parse_run_switches({"db=/data/exp.db", "acc", "REGIO1", "S+", "sat-", "M=HOG", "go", "nw"}, w);
    EXPECT_EQ(s.database.value_or(""), "/data/exp.db");
    EXPECT_EQ(s.modus.value_or(""), "KORVANIC");  // the later of ACC and M=
    EXPECT_TRUE(s.regio);
    EXPECT_EQ(s.scenario.value_or(-1), 1);
    EXPECT_EQ(s.hassink.value_or(-1), 0);
    EXPECT_EQ(s.method.value_or(""), "HUBAOG");
    EXPECT_TRUE(s.methodKnown);
    EXPECT_TRUE(s.unattended());

    s = vt::engine::parse_run_switches({"M=LUFA", "ACC", "s+", "GO"}, w);
    EXPECT_EQ(s.modus.value_or(""), "ACC");
    EXPECT_EQ(s.method.value_or(""), "LUFA");
    EXPECT_FALSE(s.scenario.has_value());  // S+ in exact case only
    EXPECT_FALSE(s.unattended());

    s = vt::engine::parse_run_switches({"M=ABCDEFGH"}, w);
    EXPECT_EQ(s.method.value_or(""), "ABCDEF");
    EXPECT_FALSE(s.methodKnown);

    w.clear();
    s = vt::engine::parse_run_switches({"RC=4", "RC=x"}, w);
    EXPECT_EQ(s.repeatCycles.value_or(-1), 4);  // an unreadable value keeps the one before
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("RC=x"), std::string::npos);
}

TEST(RunSettings, ValuesAreConvertedAndUnreadableOnesFallBack)
{
    vt::test::TempDir dir;
    const auto path = dir.file("rux.ini");
    std::ofstream(path) << "[rux]\nptfmode=2\npf_wp=42\npf_fk=x\nrecalc_bat=0\nsoil_scheme=KA4\ndyn_bd=1\nscenario=2\n";
    vt::config::RuxSettings s(path);
    RunConfig cfg;
    ConfigWarnings w;
    vt::engine::apply_settings(cfg, s, w);
    EXPECT_EQ(cfg.hymode, 2);
    EXPECT_DOUBLE_EQ(cfg.pf_wp, 4.2);
    EXPECT_DOUBLE_EQ(cfg.pf_fk, 1.8);
    EXPECT_FALSE(cfg.recalc_bat);
    EXPECT_EQ(cfg.soil_scheme, "KA4");
    EXPECT_TRUE(cfg.dyn_bd);
    EXPECT_FALSE(cfg.dyn_lts);
    EXPECT_EQ(cfg.scenario_ctrl, 2);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("pf_fk"), std::string::npos);
}

TEST(RunSettings, TheMethodComesFromTheCallerNotFromTheStoredSettings)
{
    // The browser asks for the process model even when the settings name another method.
    vt::test::TempDir dir;
    const auto path = dir.file("rux.ini");
    std::ofstream(path) << "[rux]\nmethode=HUBAHE\nptfmode=3\npf_wp=42\npf_fk=18\nrecalc_bat=1\n";
    vt::config::RuxSettings s(path);
    RunConfig cfg;
    cfg.methode = "RUX";
    ConfigWarnings w;
    vt::engine::apply_settings(cfg, s, w);
    EXPECT_EQ(cfg.methode, "RUX");
}

TEST(RunSettings, AMissingKeyGivesTheDefaults)
{
    vt::test::TempDir dir;
    vt::config::RuxSettings s(dir.file("none.ini"));
    RunConfig cfg;
    cfg.recalc_bat = false;
    cfg.z_cnt = 4;
    ConfigWarnings w;
    vt::engine::apply_settings(cfg, s, w);
    EXPECT_TRUE(cfg.recalc_bat);
    EXPECT_EQ(cfg.z_cnt, 0);
    EXPECT_EQ(cfg.methode, "RUX");
    EXPECT_EQ(cfg.soil_scheme, "RBS");
}

TEST(ModelConstants, AMissingColumnKeepsItsDefaultAndAllAfterIt)
{
    auto db = vt::db::Connection::memory();
    EXPECT_DOUBLE_EQ(vt::engine::load_model_constants(*db).ks, 0.0009);  // no table
    db->execute("CREATE TABLE gldaparm (item_ix int, K_STAB double, K_AOS double, K_AKT double, K_DEG double,"
                " CNR_OBS double, H_FC double)");
    db->execute("INSERT INTO gldaparm VALUES (1, 0.001, 0.006, 0.0004, 0.02, 9.5, 100)");
    const auto k = vt::engine::load_model_constants(*db);
    EXPECT_DOUBLE_EQ(k.ks, 0.001);
    EXPECT_DOUBLE_EQ(k.km, 0.006);
    EXPECT_DOUBLE_EQ(k.ka, 0.0004);
    EXPECT_DOUBLE_EQ(k.kd, 0.02);
    EXPECT_DOUBLE_EQ(k.cnrsom, 9.5);
    EXPECT_NEAR(k.hpwp, 15848.93, 0.01);
    EXPECT_NEAR(k.hfc, 63.0957, 0.0001);
}

TEST(MethodBinding, TheDatabaseMethodWinsUnlessKorvanic)
{
    vt::test::TempDir dir;
    for (const bool korvanic : {false, true}) {
        SCOPED_TRACE(korvanic ? "korvanic" : "bound");
        const auto path = dir.file(korvanic ? "k.ini" : "b.ini");
        std::ofstream(path) << "[rux]\nkorvanic=" << (korvanic ? 1 : 0) << "\nptfmode=3\npf_wp=42\npf_fk=18\nrecalc_bat=1\n";
        vt::config::RuxSettings s(path);
        auto db = vt::db::Connection::memory();
        db->execute("CREATE TABLE vtn_setting (model char(12))");
        db->execute("INSERT INTO vtn_setting VALUES ('RUX')");
        std::vector<std::string> shown;
        vt::engine::RunHooks hooks;
        hooks.message = [&](const std::string& c, const std::string& t) { shown.push_back(c + t); };

        const RunConfig cfg = vt::engine::read_run_configuration({}, s, {"M=HUBAHE"}, *db, hooks);
        const std::string expected = korvanic ? "HUBAHE" : "RUX";
        EXPECT_EQ(cfg.methode, expected);
        EXPECT_EQ(db->scalar("SELECT model FROM vtn_setting").toString(), expected);
        EXPECT_EQ(vt::config::RuxSettings(path).textOr("methode", ""), expected);
        EXPECT_EQ(shown, korvanic ? std::vector<std::string>{} : std::vector<std::string>{" attentiongeneral error (2)"});
    }
}

} // namespace
