#include "integration/run_fixture.h"

#include "engine/balance/annual_balance.h"
#include "engine/run/run_configuration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

using vt::engine::RunOutcome;
using vt::test::RunFixture;

namespace {

bool contains(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

// Plot 1 recorded from 2001 to 2010: wheat in 2001, manure in 2003, wheat with straw in
// 2010; initial carbon 1.2 % in 2001; station 1 with long-term climate and the years.
void standard_plot(RunFixture& f, long long fl = 1, double notill = 0)
{
    f.addPlot(fl, 1, 1, notill);
    f.addEvent(fl, 2001, 2, 1, 60);
    f.addEvent(fl, 2003, 3, 201, 10);
    f.addEvent(fl, 2010, 9, 1, 70);
    f.addMeasurement(fl, 7, 2001, 0, 1.2);
}

// The run with its annual balance, its files beside the fixture's database.
RunFixture::Run run_with_balance(RunFixture& f, vt::engine::RunConfig cfg)
{
    cfg.work_dir = std::filesystem::path(f.path()).parent_path().string();
    cfg.k = vt::engine::load_model_constants(f.db());
    RunFixture::Run out;
    vt::engine::RunHooks hooks;
    hooks.log = [&out](const std::string& line) { out.log.push_back(line); };
    hooks.message = [&out](const std::string& caption, const std::string& text) {
        out.messages.push_back(caption + ": " + text);
    };
    vt::engine::RunDriver driver(f.db(), cfg, hooks);
    driver.setBalance(vt::engine::run_annual_balance);
    out.result = driver.run();
    return out;
}

void standard_site(RunFixture& f)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (int y = 2001; y <= 2010; ++y) f.addClimate(1, y, 9.0, 550);
}

TEST(RunPreparation, AShareOfFiftyCountsHalfTheCarbon)
{
    for (const bool regional : {false, true}) {
        SCOPED_TRACE(regional ? "regional" : "non-regional");
        RunFixture f(regional);
        standard_site(f);
        for (const long long fl : {1, 2}) {
            f.addPlot(fl);
            f.addEvent(fl, 2001, 3, 201, 10, fl == 1 ? 50 : 0);
            f.addMeasurement(fl, 7, 2001, 0, 1.2);
        }
        ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
        // 10 t fresh manure * 100 * 0.25 dry matter * 0.4 C = 100 kg C; 35 % reproduced.
        EXPECT_DOUBLE_EQ(f.number("SELECT Crep FROM crep_year WHERE FL_ID=2"), 35.0);
        EXPECT_DOUBLE_EQ(f.number("SELECT Crep FROM crep_year WHERE FL_ID=1"), 17.5);
        EXPECT_DOUBLE_EQ(f.number("SELECT Corg FROM crep_year WHERE FL_ID=1"), 1.2);
    }
}

TEST(RunPreparation, RepetitionCyclesRepeatTheYearsWithEvents)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    auto cfg = f.config();
    cfg.z_cnt = 2;
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    std::vector<long long> years;
    for (auto c = f.db().query("SELECT year_ FROM eff_climate WHERE cyc>0 ORDER BY year_"); !c.eof(); c.next())
        years.push_back(c.getInt("year_"));
    EXPECT_EQ(years, (std::vector<long long>{2011, 2013, 2020, 2021, 2023, 2030}));
    // Cycle years beyond the recorded climate take the long-term values.
    EXPECT_DOUBLE_EQ(f.number("SELECT ltem FROM eff_climate WHERE year_=2021"), 8.5);
    EXPECT_DOUBLE_EQ(f.number("SELECT ltem FROM eff_climate WHERE year_=2005"), 9.0);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE FL_ID=1"), 16);
}

TEST(RunPreparation, TillageLevelFollowsTheTillageRegime)
{
    RunFixture f(true);
    standard_site(f);
    standard_plot(f, 1, 1);
    standard_plot(f, 2, 0);
    standard_plot(f, 3, 2);
    f.addEvent(3, 2003, 14, 0, 0, 40);
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE FL_ID=1 AND t_level<>100"), 0);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE FL_ID=1"), 10);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat WHERE FL_ID=2 AND t_level<>0"), 0);
    EXPECT_DOUBLE_EQ(f.number("SELECT t_level FROM tmp_bat WHERE FL_ID=3 AND year_0=2003"), 40);
}

TEST(RunPreparation, WithoutRecalculationTheMeanBatStillCarriesATillageLevel)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f, 1, 1);
    auto cfg = f.config();
    cfg.recalc_bat = false;
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat"), 3);  // the years with events
    EXPECT_DOUBLE_EQ(f.number("SELECT BAT FROM tmp_bat WHERE year_0=2003"), 40);
    // The plot's mean BAT stands for its untilled years too.
    EXPECT_DOUBLE_EQ(f.number("SELECT BATnotill FROM tmp_bat WHERE year_0=2003"), 40);
    EXPECT_DOUBLE_EQ(f.number("SELECT MIN(t_level) FROM tmp_bat"), 100);
}

TEST(RunPreparation, WithoutRecalculationANoTillPlotTurnsOverAsATilledOneWithItsMeanBat)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f, 1, 0);
    standard_plot(f, 2, 1);
    auto cfg = f.config();
    cfg.recalc_bat = false;
    ASSERT_EQ(run_with_balance(f, cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM rux_nresult WHERE fl_id=2 AND NOT bat > 0"), 0);
    EXPECT_DOUBLE_EQ(f.number("SELECT MIN(bat) FROM rux_nresult WHERE fl_id=2"), 40);
    // The stock moves, and year by year as that of the tilled plot.
    EXPECT_GT(f.number("SELECT MAX(c_org) - MIN(c_org) FROM rux_nresult WHERE fl_id=2"), 0.05);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM rux_nresult WHERE fl_id=2"), 10);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM rux_nresult a JOIN rux_nresult b ON a.[year]=b.[year]"
                       " WHERE a.fl_id=1 AND b.fl_id=2 AND a.c_org=b.c_org AND a.c_som=b.c_som AND a.bat=b.bat"),
              10);
}

TEST(RunPreparation, ANegativeOrMissingBatSkipsThePlotNamingTheYear)
{
    RunFixture f;
    standard_site(f);
    for (const long long fl : {1, 2, 3}) standard_plot(f, fl);
    auto cfg = f.config();
    cfg.recalc_bat = false;
    f.db().execute("UPDATE field_description SET mw_BAT=-12 WHERE FL_ID=2");
    f.db().execute("UPDATE field_description SET mw_BAT=NULL WHERE FL_ID=3");
    const auto run = run_with_balance(f, cfg);
    ASSERT_EQ(run.result.outcome, RunOutcome::Finished);
    EXPECT_TRUE(contains(run.messages, "BAT of FL_ID 2 in 2001 is -12; plot skipped")) << run.messages.size();
    EXPECT_TRUE(contains(run.messages, "BAT of FL_ID 3 in 2001 is missing; plot skipped"));
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM rux_nresult WHERE fl_id IN (2, 3)"), 0);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM rux_nresult WHERE fl_id=1"), 10);
}

// A database with only its primary keys (an import) gets the indexes its statements seek on,
// once, and the same working tables as one with the schema's indexes.
TEST(RunPreparation, ADatabaseWithOnlyPrimaryKeysGetsTheIndexesItsStatementsSeekOn)
{
    const auto text = [](RunFixture& f, const std::string& sql) {
        std::string all;
        for (auto c = f.db().query(sql); !c.eof(); c.next()) {
            for (int i = 0; i < c.fieldCount(); ++i) all += c.field(i).toString() + "|";
            all += "\n";
        }
        return all;
    };
    std::vector<std::string> dumps;
    for (const bool indexed : {true, false}) {
        RunFixture f(true);
        standard_site(f);
        for (const long long fl : {1, 2, 3}) standard_plot(f, fl, fl == 3 ? 2 : 0);
        f.addEvent(3, 2003, 14, 0, 0, 40);
        f.addEvent(2, 2004, 7, 0, 80, 50);
        if (!indexed) {
            std::vector<std::string> names;
            for (auto c = f.db().query("SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL"); !c.eof();
                 c.next())
                names.push_back(c.getString("name"));
            for (const std::string& name : names) f.db().execute("DROP INDEX " + name);
        }
        for (int run = 0; run < 2; ++run) ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
        if (!indexed) {
            EXPECT_EQ(text(f, "SELECT name FROM sqlite_master WHERE type='index' AND tbl_name IN ('cultivation',"
                              " 'site_state', 'measurements', 'soilproperties', 'field_description') ORDER BY name"),
                      "fdix|\nfdix2|\nix_cultivation_fl|\nix_measurements_fl|\nix_site_state_fl|\nix_soilproperties_id|\n");
        }
        std::string dump;
        for (const char* sql : {"SELECT * FROM tmp_bat", "SELECT * FROM eff_climate", "SELECT * FROM crep_year",
                                "SELECT * FROM tmp_tirgint", "SELECT * FROM opstab", "SELECT * FROM tmp_soil_prop"})
            dump += text(f, sql);
        dumps.push_back(dump);
    }
    EXPECT_FALSE(dumps[0].empty());
    EXPECT_EQ(dumps[0], dumps[1]);
}

TEST(RunPreparation, BatIsRecalculatedFromClimateAndFineFraction)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    f.db().execute("UPDATE soilproperties SET FAT=6, FAT_org=-1");
    f.db().execute("UPDATE climate_data SET temperature=8.5, precipitation=600");
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    // 3.3541 * 8.5 + 0.015698 * 600 + 9.087 = 47.01565, stored to 0.001.
    EXPECT_DOUBLE_EQ(f.number("SELECT BAT FROM tmp_bat WHERE year_0=2005"), 47.016);
    EXPECT_NEAR(f.number("SELECT BATnotill FROM tmp_bat WHERE year_0=2005"), 39.743, 0.001);
}

TEST(RunPreparation, TwoInitialCarbonValuesStopTheRun)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    f.addMeasurement(1, 7, 2001, 0, 1.3);
    const auto run = f.run();
    EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(run.result.message, "There is probably more than 1 initial Corg value (year_number=0)");
    EXPECT_TRUE(contains(run.messages, "ERROR: index creation failed "));
}

TEST(RunPreparation, WithNoPlotFlaggedTheRunEndsNormallyWithCountLines)
{
    RunFixture f;
    standard_site(f);
    f.addPlot(1, 1, 1, 0, 0);
    f.addEvent(1, 2001, 2, 1, 60);
    const auto run = f.run();
    ASSERT_EQ(run.result.outcome, RunOutcome::Finished);
    EXPECT_TRUE(run.messages.empty());
    for (const char* table : {"crep_h1", "crep_year", "_cropping_dt", "opstab", "tmp_time_scen", "tmp_tirgint",
                              "eff_climate", "clim4sim", "tmp_soil_prop", "tmp_bat"})
        EXPECT_EQ(f.number(std::string("SELECT COUNT(*) FROM ") + table), 0) << table;
    // Every line after the header is a count line, a step line, or an index note.
    const std::set<std::string> plain{"checking soil properties", "eff_climate index created", "climate_data index created",
                                      "simple_bat=yes"};
    const auto first = std::find(run.log.begin(), run.log.end(), "CNRaom=8.5");
    ASSERT_NE(first, run.log.end());
    for (auto it = first + 1; it != run.log.end(); ++it)
        EXPECT_TRUE(plain.count(*it) || it->back() == '0') << *it;
}

TEST(RunPreparation, LogShowsTheStepsInOrder)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    const auto run = f.run();
    ASSERT_EQ(run.result.outcome, RunOutcome::Finished);
    const std::vector<std::string> expected{
        "RUX run started: ", "dyn_bd : False", "dyn_lts: False", "ptf_mode=3 / Lieberoth", "pf_wp=4.2", "pf_fk=1.8",
        "soil classes : RBS", "method : RUX", "silt from soil class : 0==>mean", "k-values:", "km=0.00556", "ka=0.00032",
        "ks=0.0009", "kd=0.01258", "CNRaom=8.5", "sql 2:1", "sql 3:2", "CREP_ewr:2", " CREP_od:1", "  CREP_kop:1",
        "crep_year:3", "corg updates:1", "Norg updates:0", "crop_er :2", "crop_ap :1", "plough up :0", "crop_oa :1",
        "cops KPrecs:1", "cops OArecs:1", "cops ERrecs:2", "mark updated:4", "opstab index created:0", "tmp soil :1",
        "checking soil properties", "eff_climate index created", "climate_data index created",
        "climate_data index created", "simple_bat=yes", "tmp bat :10", "updt tmp bat :10"};
    ASSERT_EQ(run.log.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(run.log[i].rfind(expected[i], 0), 0u) << i << ": " << run.log[i];
}

TEST(RunPreparation, MissingClimateEndsTheRunNotTheProgramAndTheDriverRunsAgain)
{
    RunFixture f;
    f.addSoil(1, 15, 40);
    for (int y = 2001; y <= 2010; ++y)
        if (y != 2005) f.addClimate(1, y, 9.0, 550);
    standard_plot(f);
    f.db().execute("INSERT INTO sim_result VALUES (1, 7, 2001, 1, 1.2)");

    vt::engine::RunConfig cfg = f.config();
    std::vector<std::string> messages;
    vt::engine::RunHooks hooks;
    hooks.message = [&](const std::string& c, const std::string& t) { messages.push_back(c + ": " + t); };
    vt::engine::RunDriver driver(f.db(), cfg, hooks);
    const auto first = driver.run();
    EXPECT_EQ(first.outcome, RunOutcome::Cancelled);
    EXPECT_NE(first.message.find("LTEM<0 aufgetreten !"), std::string::npos);
    EXPECT_NE(first.message.find("FL_ID 1, year 2005"), std::string::npos);
    EXPECT_TRUE(contains(messages, "unvollständige Klimadaten ?"));
    EXPECT_FALSE(driver.running());
    // The tables built so far stay readable.
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_bat"), 10);

    f.addClimate(1, 2005, 9.0, 550);
    EXPECT_EQ(driver.run().outcome, RunOutcome::Finished);
}

TEST(RunPreparation, AnUnknownMethodEndsTheRunBeforeAnythingIsRemoved)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    f.db().execute("INSERT INTO sim_result VALUES (1, 7, 2001, 1, 1.2)");
    auto cfg = f.config();
    cfg.methode = "rux";
    const auto run = f.run(cfg);
    EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled);
    EXPECT_NE(run.result.message.find("\"rux\""), std::string::npos);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM sim_result"), 1);
}

// The preparation leaves the results alone: the balance replaces them plot by plot.
TEST(RunPreparation, ASinglePlotRunSelectsThePlotAndKeepsTheResults)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f, 1);
    standard_plot(f, 2);
    f.db().execute("INSERT INTO sim_result VALUES (1, 7, 2001, 1, 1.2), (2, 7, 2001, 1, 1.2)");
    f.db().execute("INSERT INTO rux_nresult (fl_id, year, year_num) VALUES (1, 2001, 1), (2, 2001, 1)");
    auto cfg = f.config();
    cfg.sel_id = "2";
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM sim_result WHERE fl_id=1"), 1);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM sim_result WHERE fl_id=2"), 1);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM rux_nresult WHERE fl_id=2"), 1);
    EXPECT_EQ(f.number("SELECT status FROM site_state WHERE FL_ID=1"), 0);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_soil_prop"), 1);

    cfg.sel_id = "2 OR 1=1";
    EXPECT_EQ(f.run(cfg).result.outcome, RunOutcome::Cancelled);
}

TEST(RunPreparation, NewBatWithoutABatTableEndsTheRun)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    auto cfg = f.config();
    cfg.simple_version = false;
    const auto run = f.run(cfg);
    EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(contains(run.log, "simple_bat=no"));
}

TEST(RunPreparation, TheBalanceStepRunsAfterThePreparation)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    vt::engine::RunDriver driver(f.db(), f.config());
    long long rows = -1;
    driver.setBalance([&](vt::db::Connection& c, const vt::engine::RunConfig&, const vt::engine::RunHooks&) {
        rows = c.scalar("SELECT COUNT(*) FROM tmp_bat").toInt();
        return vt::engine::RunResult{RunOutcome::Finished, "", 1, 10};
    });
    EXPECT_EQ(driver.run().plots, 1);
    EXPECT_EQ(rows, 10);
}

TEST(RunPreparation, HumusBalanceMethodsChooseTheirCoefficients)
{
    struct Case {
        const char* methode;
        double crop;
        double oram;
    };
    for (const Case& c : {Case{"HUBAHE", -400, 50}, Case{"HUBAOG", 0, 0}, Case{"NULL", -280, 0}, Case{"HUBA_2", -300, 40},
                          Case{"HUBAUG1", 0, 40}}) {
        SCOPED_TRACE(c.methode);
        RunFixture f;
        standard_site(f);
        standard_plot(f);
        auto cfg = f.config();
        cfg.methode = c.methode;
        ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
        EXPECT_DOUBLE_EQ(f.number("SELECT huba FROM huba_crop"), c.crop);
        EXPECT_DOUBLE_EQ(f.number("SELECT huba FROM huba_oram"), c.oram);
        EXPECT_DOUBLE_EQ(f.number("SELECT hb_crop FROM hubi_c_bilanz WHERE year_=2001"), c.crop);
        EXPECT_DOUBLE_EQ(f.number("SELECT Corg FROM hubi_c_bilanz WHERE year_=2001"), 1.2);
        EXPECT_EQ(f.number("SELECT COUNT(*) FROM hubi_c_bilanz"), 3);
    }
}

TEST(SoilCheck, GivenValuesStayAndEachPlotKeepsItsOwnParameters)
{
    RunFixture f;
    f.addSoil(1, 15, 40, 1.3);   // bulk density given
    f.addSoil(2, 25, -99);       // silt from the fine fraction
    f.db().execute("UPDATE soilproperties SET FAT=20, FAT_org=-1, deg=0.02, deg_org=-1 WHERE soil_ID=2");
    f.addClimate(1, 0, 8.5, 600);
    standard_plot(f, 1);
    f.addPlot(2, 2, 1);
    f.addEvent(2, 2001, 2, 1, 60);
    f.addMeasurement(2, 7, 2001, 0, 1.5);
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);

    EXPECT_DOUBLE_EQ(f.number("SELECT BD FROM tmp_soil_prop WHERE FL_ID=1"), 1.3);
    EXPECT_DOUBLE_EQ(f.number("SELECT silt FROM tmp_soil_prop WHERE FL_ID=1"), 40);
    EXPECT_GT(f.number("SELECT BD FROM tmp_soil_prop WHERE FL_ID=2"), 1.0);
    EXPECT_GT(f.number("SELECT PWP FROM tmp_soil_prop WHERE FL_ID=1"), 0);
    // A fine fraction below the clay content gives no usable silt; the class "L" supplies it.
    EXPECT_GT(f.number("SELECT silt FROM tmp_soil_prop WHERE FL_ID=2"), 0);
    EXPECT_DOUBLE_EQ(f.number("SELECT kd FROM tmp_soil_prop WHERE FL_ID=1"), 0.01258);
    EXPECT_DOUBLE_EQ(f.number("SELECT deg FROM tmp_soil_prop WHERE FL_ID=1"), 0.01258);
    EXPECT_DOUBLE_EQ(f.number("SELECT kd FROM tmp_soil_prop WHERE FL_ID=2"), 0.02);
    EXPECT_NE(f.number("SELECT hf FROM tmp_soil_prop WHERE FL_ID=1"), f.number("SELECT hf FROM tmp_soil_prop WHERE FL_ID=2"));
    EXPECT_GT(f.number("SELECT hf FROM tmp_soil_prop WHERE FL_ID=1"), 0);
}

TEST(SoilCheck, SiltFromTheFineFractionFollowsTheParticleSizeCurve)
{
    RunFixture f;
    f.addSoil(1, 10, -99);
    f.db().execute("UPDATE soilproperties SET FAT=20, FAT_org=-1");
    f.addClimate(1, 0, 8.5, 600);
    standard_plot(f);
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    // P(0.063) through (0.002, 10) and (0.006, 20), minus clay.
    const double expected = 20 + (std::log(0.063) - std::log(0.006)) * (10 - 20) / (std::log(0.002) - std::log(0.006)) - 10;
    EXPECT_NEAR(f.number("SELECT silt FROM tmp_soil_prop"), expected, 1e-9);
}

TEST(SoilCheck, AnUnknownClassificationSchemeEndsTheRunNamingThePlot)
{
    RunFixture f;
    f.addSoil(1, 15, -99);
    f.addClimate(1, 0, 8.5, 600);
    standard_plot(f);
    auto cfg = f.config();
    cfg.soil_scheme = "XYZ";
    const auto run = f.run(cfg);
    EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled);
    EXPECT_NE(run.result.message.find("unrecognised soil classification scheme"), std::string::npos);
    EXPECT_NE(run.result.message.find("FL_ID 1, year 2001"), std::string::npos);
    EXPECT_DOUBLE_EQ(f.number("SELECT silt FROM tmp_soil_prop"), -99);
}

} // namespace

namespace {

TEST(SoilCheck, RepIXPlotsStartFromTheSteadyStateOfTheirIndex)
{
    RunFixture f;
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    standard_plot(f);
    f.db().execute("UPDATE field_description SET i_con='RepIX', repix=29");
    ASSERT_EQ(f.run().result.outcome, RunOutcome::Finished);
    const double corg = f.number("SELECT corg FROM tmp_soil_prop");
    EXPECT_GT(corg, 0.3);
    EXPECT_NE(corg, 1.2);
    // norg follows with the default C/N ratio (the observed nitrogen marker is negative).
    EXPECT_NEAR(f.number("SELECT norg FROM tmp_soil_prop"), corg / 10.5, 1e-12);
}

TEST(SoilCheck, KA4SoilWithoutAnyTextureHintGetsAMinimalSilt)
{
    RunFixture f;
    f.addSoil(1, 15, -99);
    f.addClimate(1, 0, 8.5, 600);
    standard_plot(f);
    auto cfg = f.config();
    cfg.soil_scheme = "KA4";
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_DOUBLE_EQ(f.number("SELECT silt FROM tmp_soil_prop"), 0.0001);
}

TEST(RunPreparation, PreProcessingRunsBeforeThePlotsAreRead)
{
    vt::test::TempDir dir;
    RunFixture f;
    standard_site(f);
    standard_plot(f);
    f.db().execute("UPDATE site_state SET status=0");
    const std::string script = dir.file("select.sql");
    std::ofstream(script) << "' flag the plot\ndrop table no_such_table\ngo\nupdate site_state set status=1\n";
    auto cfg = f.config();
    cfg.pre_processing = true;
    cfg.pre_proc_query = script;
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_soil_prop"), 1);
}

} // namespace

namespace {

TEST(SoilPropertyTable, ABrowserRunOfANullPlotUsesDefaultInitialValues)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f, 1);
    f.addPlot(2);  // no initial observation
    f.addEvent(2, 2001, 2, 1, 60);
    auto cfg = f.config();
    cfg.modus = "ACC";
    cfg.rux_icon = "null";
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_soil_prop WHERE corg=9.99 AND norg=0.99 AND [year]=0"), 2);

    cfg.modus = "RUX";  // the observed values otherwise: the plot without one has no row
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_soil_prop"), 1);
    EXPECT_DOUBLE_EQ(f.number("SELECT norg FROM tmp_soil_prop"), 1.2 / -10.99);
}

} // namespace

namespace {

TEST(SoilPropertyTable, InAccModeTheInitialStateSourceIsTheBrowserPlotsOwn)
{
    // The browser flags its current plot and leaves the initial-state source to the run.
    RunFixture f;
    standard_site(f);
    standard_plot(f, 1);
    f.addPlot(2, 1, 1, 0, 0, "null");
    f.addEvent(2, 2001, 2, 1, 60);
    auto cfg = f.config();
    cfg.modus = "ACC";
    cfg.sel_id = "2";
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT COUNT(*) FROM tmp_soil_prop WHERE FL_ID=2 AND corg=9.99 AND [year]=0"), 1);

    cfg.sel_id = "1";  // a plot with an observed initial value
    ASSERT_EQ(f.run(cfg).result.outcome, RunOutcome::Finished);
    EXPECT_DOUBLE_EQ(f.number("SELECT corg FROM tmp_soil_prop WHERE FL_ID=1"), 1.2);
}

TEST(RunDriver, ActivationSelectsThePlotWithoutRunning)
{
    RunFixture f;
    standard_site(f);
    standard_plot(f, 1);
    standard_plot(f, 2);
    auto cfg = f.config();
    cfg.sel_id = "2";
    std::vector<std::string> log;
    vt::engine::RunHooks hooks;
    hooks.log = [&](const std::string& l) { log.push_back(l); };
    vt::engine::RunDriver driver(f.db(), cfg, hooks);
    EXPECT_EQ(driver.activate().outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT SUM(status) FROM site_state"), 1);
    EXPECT_EQ(f.number("SELECT status FROM site_state WHERE FL_ID=2"), 1);
    EXPECT_FALSE(contains(log, "k-values:"));
    EXPECT_TRUE(contains(log, "method : RUX"));
    EXPECT_FALSE(f.db().tableExists("crep_year"));
}

} // namespace
