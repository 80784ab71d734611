#include "db/connection.h"
#include "db/demo_database.h"
#include "engine/balance/annual_balance.h"
#include "engine/run/run_configuration.h"
#include "engine/run/run_driver.h"
#include "engine/session/simulation_session.h"
#include "eval/calibration.h"
#include "eval/uncertainty.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace vt::engine;
using vt::test::run_cli;

namespace {

// The demo database, run once through the run driver and the annual balance.
class SessionFixture : public ::testing::Test {
protected:
    vt::test::TempDir dir;
    std::optional<vt::db::Connection> c;
    RunConfig cfg;
    std::optional<std::string> savedConfig;

    void SetUp() override
    {
        if (const char* v = std::getenv("VELTRANO_CONFIG")) savedConfig = v;
        setenv("VELTRANO_CONFIG", dir.file("rux.ini").c_str(), 1);
        c.emplace(dir.file("demo.db"), vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_demo_database(*c);
        cfg.database = dir.file("demo.db");
        cfg.work_dir = dir.path().string();
        cfg.hymode = 3;
        cfg.rux_icon = "*";
        cfg.jobs = 1;
        cfg.k = load_model_constants(*c);
    }
    void TearDown() override
    {
        if (savedConfig)
            setenv("VELTRANO_CONFIG", savedConfig->c_str(), 1);
        else
            unsetenv("VELTRANO_CONFIG");
    }

    void run()
    {
        RunDriver driver(*c, cfg, {});
        driver.setBalance(run_annual_balance);
        const RunResult r = driver.run();
        ASSERT_EQ(r.outcome, RunOutcome::Finished) << r.message;
    }
    long long count(const char* table) { return c->scalar(std::string("SELECT COUNT(*) FROM ") + table).toInt(); }
};

// One evaluation of a session with the run's own constants gives the rows the run wrote,
// to the last bit; preparing the session leaves the results and the plot flags alone.
TEST_F(SessionFixture, EvaluationGivesTheRowsOfARun)
{
    for (bool dynamic : {false, true}) {
        cfg.dyn_bd = cfg.dyn_lts = dynamic;
        cfg.hassink = dynamic ? 1 : 0;
        run();
        const long long rows = count("rux_nresult");
        c->execute("UPDATE site_state SET status=0 WHERE FL_ID=303");
        const auto session = SimulationSession::prepare(*c, cfg, {101, 202, 303});
        EXPECT_EQ(count("rux_nresult"), rows);
        EXPECT_EQ(c->scalar("SELECT status FROM site_state WHERE FL_ID=303").toInt(), 0);
        c->execute("UPDATE site_state SET status=1");
        ASSERT_EQ(session.inputs().size(), 3u);

        const auto outputs = session.simulate(session.baseParameters(), 2);
        long long compared = 0;
        for (const PlotOutput& out : outputs) {
            auto cur = c->query("SELECT r.*, s.sim_value FROM rux_nresult r LEFT JOIN sim_result s ON "
                                "s.fl_id = r.fl_id AND s.year_ = r.[year] AND s.year_num = r.year_num "
                                "WHERE r.fl_id=? ORDER BY r.rowid",
                                {out.fl_id});
            for (const YearResult& y : out.years) {
                ASSERT_FALSE(cur.eof()) << "plot " << out.fl_id;
                EXPECT_EQ(cur.getDouble("c_org"), y.nresult[7]) << out.fl_id << " " << y.z_jahr;
                EXPECT_EQ(cur.getDouble("c_som"), y.nresult[6]) << out.fl_id << " " << y.z_jahr;
                EXPECT_EQ(cur.getDouble("n_org"), y.nresult[10]) << out.fl_id << " " << y.z_jahr;
                EXPECT_EQ(cur.getDouble("bat"), y.nresult[13]) << out.fl_id << " " << y.z_jahr;
                ASSERT_TRUE(y.sim_value);
                EXPECT_EQ(cur.getDouble("sim_value"), *y.sim_value);
                EXPECT_NEAR(y.sim_exact, *y.sim_value, 5e-5);
                cur.next();
                ++compared;
            }
            EXPECT_TRUE(cur.eof()) << "plot " << out.fl_id;
        }
        EXPECT_GT(compared, 100);
    }
}

// Observations made from the model's own organic carbon, constants moved away from the
// values that made them: the fit finds the values again.
TEST_F(SessionFixture, CalibrationFindsTheConstantsThatMadeTheObservations)
{
    run();
    const double ka = cfg.k.ka, ks = cfg.k.ks;
    c->execute("DELETE FROM measurements WHERE M_IX=7 AND year_number>0");
    c->execute("INSERT INTO measurements (FL_ID, M_IX, [year], year_number, meas_value) "
               "SELECT fl_id, 7, year_, year_num, sim_value FROM sim_result WHERE year_num>0 AND year_num % 3 = 0");
    c->executeIgnoringErrors("DROP TABLE tmp_outlist");
    c->execute("UPDATE gldaparm SET K_AKT=K_AKT*1.5, K_STAB=K_STAB*0.7 WHERE item_ix=1");

    const auto result = run_cli({"calibrate", "--db", dir.file("demo.db"), "--param", "K_AKT=0.0001:0.001", "--param",
                                 "K_STAB=0.0003:0.003", "--jobs", "2", "--apply"});
    ASSERT_EQ(result.code, 0) << result.err << result.out;
    auto fitted = [&](const char* name) {
        return c->scalar("SELECT fitted_value FROM rux_calibration WHERE parameter=?", {std::string(name)}).toDouble();
    };
    EXPECT_NEAR(fitted("K_AKT"), ka, 0.01 * ka) << result.out;
    EXPECT_NEAR(fitted("K_STAB"), ks, 0.01 * ks) << result.out;
    EXPECT_LT(c->scalar("SELECT sse_after FROM rux_calibration").toDouble(),
              c->scalar("SELECT sse_before FROM rux_calibration").toDouble());
    EXPECT_EQ(count("rux_calibration_fit"), 10);
    // --apply adds a row and changes none.
    EXPECT_EQ(count("gldaparm"), 2);
    EXPECT_DOUBLE_EQ(c->scalar("SELECT K_AKT FROM gldaparm WHERE item_ix=2").toDouble(), fitted("K_AKT"));
    EXPECT_DOUBLE_EQ(c->scalar("SELECT K_AKT FROM gldaparm WHERE item_ix=1").toDouble(), ka * 1.5);
    EXPECT_EQ(c->scalar("SELECT K_AOS FROM gldaparm WHERE item_ix=2").toDouble(),
              c->scalar("SELECT K_AOS FROM gldaparm WHERE item_ix=1").toDouble());
}

// A parameter of a substance or crop given to the session simulates what a run over the
// table holding that value gives: the farmyard manure's K, ETA and CNR reach its additions,
// the spring barley's CEWR and FEWR the carbon of its harvest residues.
TEST_F(SessionFixture, ItemParametersActAsTheirTables)
{
    const std::vector<long long> plots{103, 202, 301};
    const struct {
        const char* name;
        const char* update;
        double value;
    } cases[] = {
        {"gldopspa.1.K", "UPDATE gldopspa SET K=? WHERE item_ix=1", 0.02},
        {"GLDOPSPA.1.eta", "UPDATE gldopspa SET ETA=? WHERE item_ix=1", 0.4},
        {"gldopspa.11.CNR", "UPDATE gldopspa SET CNR=? WHERE item_ix=11", 30},
        {"gldpflan.2.CEWR", "UPDATE gldpflan SET CEWR=? WHERE ITEM_IX=2", 25},
        {"gldpflan.2.FEWR", "UPDATE gldpflan SET FEWR=? WHERE ITEM_IX=2", 0.25},
    };
    const auto session = SimulationSession::prepare(*c, cfg, plots);
    for (const auto& k : cases) {
        SessionParameters p = session.baseParameters();
        double* v = session_parameter(p, k.name);
        ASSERT_NE(v, nullptr) << k.name;
        const double stored = *v;
        *v = k.value;
        const auto changed = session.simulate(p, 1);
        c->execute(k.update, {k.value});
        const auto tableSession = SimulationSession::prepare(*c, cfg, plots);
        const auto byTable = tableSession.simulate(tableSession.baseParameters(), 1);
        c->execute(k.update, {stored});
        ASSERT_EQ(changed.size(), byTable.size());
        bool differs = false;
        for (std::size_t i = 0; i < changed.size(); ++i) {
            ASSERT_EQ(changed[i].years.size(), byTable[i].years.size());
            for (std::size_t y = 0; y < changed[i].years.size(); ++y) {
                EXPECT_DOUBLE_EQ(changed[i].years[y].sim_exact, byTable[i].years[y].sim_exact)
                    << k.name << " plot " << changed[i].fl_id << " year " << changed[i].years[y].z_jahr;
                EXPECT_DOUBLE_EQ(changed[i].years[y].nresult[10], byTable[i].years[y].nresult[10]) << k.name;
            }
            const auto base = session.simulatePlot(i, session.baseParameters());
            differs = differs || base.years.back().sim_exact != changed[i].years.back().sim_exact;
        }
        EXPECT_TRUE(differs) << k.name << " (stored " << stored << ") changes nothing";
    }
    SessionParameters p = session.baseParameters();
    EXPECT_EQ(session_parameter(p, "gldopspa.999.K"), nullptr);
    EXPECT_EQ(session_parameter(p, "gldopspa.1.NAME"), nullptr);
    EXPECT_EQ(session_parameter(p, "gldaparm.1.K_AKT"), nullptr);
}

// Observations made with the farmyard manure's stored K and ETA, the substance moved away
// from them: the fit finds them again; --apply writes them into gldopspa and keeps the
// values it replaced, --undo puts these back exactly and refuses a second time.
TEST_F(SessionFixture, CalibrationOfASubstanceAppliesAndUndoes)
{
    cfg.k = load_model_constants(*c);
    const double k = c->scalar("SELECT K FROM gldopspa WHERE item_ix=1").toDouble();
    const double eta = c->scalar("SELECT ETA FROM gldopspa WHERE item_ix=1").toDouble();
    run();
    c->execute("DELETE FROM measurements WHERE M_IX=7 AND year_number>0");
    c->execute("INSERT INTO measurements (FL_ID, M_IX, [year], year_number, meas_value) "
               "SELECT fl_id, 7, year_, year_num, sim_value FROM sim_result WHERE year_num>0 AND year_num % 3 = 0");
    c->executeIgnoringErrors("DROP TABLE tmp_outlist");
    c->execute("UPDATE gldopspa SET K=?, ETA=? WHERE item_ix=1", {k * 1.4, eta * 0.75});
    const auto row = [&](const char* table, const char* key, int item) {
        return c->scalar(std::string("SELECT quote(K)||' '||quote(ETA)||' '||quote(CNR)||' '||typeof(K) FROM ") + table +
                         " WHERE " + key + "=?", {item}).toString();
    };
    const std::string before = row("gldopspa", "item_ix", 1);
    const auto gldaparmRows = count("gldaparm");

    const std::string db = dir.file("demo.db");
    const auto result = run_cli({"calibrate", "--db", db, "--plots", "103,104,202,203", "--param",
                                 "gldopspa.1.K=0.005:0.1", "--param", "gldopspa.1.ETA=0.1:0.9", "--apply"});
    ASSERT_EQ(result.code, 0) << result.err << result.out;
    auto fitted = [&](const char* name) {
        return c->scalar("SELECT fitted_value FROM rux_calibration WHERE parameter=?", {std::string(name)}).toDouble();
    };
    EXPECT_NEAR(fitted("gldopspa.1.K"), k, 0.01 * k) << result.out;
    EXPECT_NEAR(fitted("gldopspa.1.ETA"), eta, 0.01 * eta) << result.out;
    EXPECT_DOUBLE_EQ(c->scalar("SELECT K FROM gldopspa WHERE item_ix=1").toDouble(), fitted("gldopspa.1.K"));
    EXPECT_DOUBLE_EQ(c->scalar("SELECT ETA FROM gldopspa WHERE item_ix=1").toDouble(), fitted("gldopspa.1.ETA"));
    EXPECT_DOUBLE_EQ(c->scalar("SELECT previous_value FROM rux_calibration WHERE parameter='gldopspa.1.K'").toDouble(),
                     k * 1.4);
    EXPECT_EQ(count("gldaparm"), gldaparmRows) << "no constant was fitted";
    const std::string runTime = c->scalar("SELECT run_time FROM rux_calibration").toString();

    const auto again = run_cli({"calibrate", "--db", db, "--undo", runTime});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(row("gldopspa", "item_ix", 1), before);
    const auto twice = run_cli({"calibrate", "--db", db, "--undo", runTime});
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.err.find("is not applied"), std::string::npos) << twice.err;
}

TEST_F(SessionFixture, CalibrationRefusesBadRequests)
{
    const std::string db = dir.file("demo.db");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--param", "K_XYZ=0:1"}, "unknown parameter K_XYZ"},
        {{"--param", "gldopspa.999.K=0:1"}, "no item gldopspa.999.K"},
        {{"--param", "gldpflan.2.HI=0:1"}, "unknown parameter GLDPFLAN.2.HI"},
        {{}, "give the parameters to fit"},
        {{"--undo", "2026-01-01 00:00:00"}, "no calibration has been applied"},
        {{"--param", "K_AKT=0.001:0.002"}, "do not enclose its start value"},
        {{"--param", "K_AKT=low:0.002"}, "is not a number"},
        {{"--param", "K_AKT=0.0001:0.001", "--plots", "101,x"}, "is not a plot number"},
        {{"--param", "K_AKT=0.0001:0.001", "--plots", "999"}, "plot 999 is not in field_description"},
        {{"--param", "K_AKT=0.0001:0.001", "--property", "5", "--plots", "201"}, "no observations"},
    };
    for (const auto& k : cases) {
        std::vector<std::string> args{"calibrate", "--db", db};
        args.insert(args.end(), k.args.begin(), k.args.end());
        const auto r = run_cli(args);
        EXPECT_EQ(r.code, 2) << k.message << ": " << r.err;
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(c->tableExists("rux_calibration"));
}

// The same seed gives the same tables for one and for two threads; a parameter drawn
// with a standard deviation of 0 gives a band of zero width on the deterministic run.
TEST_F(SessionFixture, UncertaintyIsReproducibleAndCollapsesWithoutSpread)
{
    run();
    const std::string db = dir.file("demo.db");
    const auto dump = [&] {
        std::string s;
        for (auto cur = c->query("SELECT * FROM rux_uncertainty ORDER BY fl_id, [year], m_ix"); !cur.eof(); cur.next())
            for (int i = 0; i < cur.fieldCount(); ++i) s += cur.field(i).toString() + (i + 1 < cur.fieldCount() ? "," : "\n");
        for (auto cur = c->query("SELECT * FROM rux_sensitivity ORDER BY fl_id, parameter"); !cur.eof(); cur.next())
            for (int i = 0; i < cur.fieldCount(); ++i) s += cur.field(i).toString() + ",";
        return s;
    };
    std::string first;
    for (const char* jobs : {"1", "2"}) {
        const auto r = run_cli({"uncertainty", "--db", db, "--plots", "101,201", "--samples", "40", "--seed", "7",
                                "--param", "K_AKT=normal(0.00032,0.00003)", "--param", "F_CREP=uniform(0.8,1.2)",
                                "--jobs", jobs});
        ASSERT_EQ(r.code, 0) << r.err;
        if (first.empty())
            first = dump();
        else
            EXPECT_EQ(dump(), first);
    }
    EXPECT_GT(c->scalar("SELECT COUNT(*) FROM rux_uncertainty WHERE q95 > q05").toInt(), 10);
    EXPECT_EQ(c->scalar("SELECT COUNT(*) FROM rux_sensitivity").toInt(), 4);

    // The demo's own K_AKT (calibrated), drawn without spread.
    char kAkt[64];
    std::snprintf(kAkt, sizeof kAkt, "K_AKT=normal(%.17g,0)", cfg.k.ka);
    const auto r = run_cli({"uncertainty", "--db", db, "--plots", "101", "--samples", "5", "--param", kAkt});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(c->scalar("SELECT COUNT(*) FROM rux_uncertainty u JOIN sim_result s ON s.fl_id=u.fl_id AND "
                        "s.year_=u.[year] AND s.m_ix=7 WHERE u.fl_id=101 AND u.m_ix=7 AND "
                        "(u.q05<>s.sim_value OR u.q95<>s.sim_value)")
                  .toInt(),
              0);
    EXPECT_GT(c->scalar("SELECT COUNT(*) FROM rux_uncertainty WHERE fl_id=101 AND m_ix=7").toInt(), 10);
}

// Samples that fail (a constant so large that the pools are no finite numbers, a BAT
// beyond a year) are named and left out: exit code 3 when some failed, 1 with nothing
// stored when all did. No sensitivity is printed as "nan"; more samples than the memory
// holds are refused before any work.
TEST_F(SessionFixture, UncertaintyNamesFailedSamplesInItsExitCode)
{
    run();
    const std::string db = dir.file("demo.db");
    struct Case {
        const char* param;
        const char* samples;
        int code;
        const char* named;
    };
    const Case cases[] = {
        {"K_AKT=lognormal(1000,1)", "8", 1, "every sample failed; nothing was written\n8 of 8 samples failed"},
        {"F_BAT=uniform(10000,100000)", "8", 1, "sample 1: plot 101: BAT of FL_ID 101 in "},
        {"F_BAT=uniform(1,30)", "16", 3, "samples failed and are left out:\n  sample "},
        {"K_AKT=normal(0.00032,0)", "4294967295", 2, "samples fit into the"},
    };
    for (const Case& k : cases) {
        c->execute("DROP TABLE IF EXISTS rux_uncertainty");
        const auto r = run_cli({"uncertainty", "--db", db, "--plots", "101", "--samples", k.samples, "--param", k.param});
        EXPECT_EQ(r.code, k.code) << k.param << "\n" << r.out << r.err;
        EXPECT_NE(r.err.find(k.named), std::string::npos) << k.param << "\n" << r.err;
        EXPECT_EQ((r.out + r.err).find("nan"), std::string::npos) << k.param << "\n" << r.out;
        if (k.code == 3) {
            EXPECT_GT(c->scalar("SELECT COUNT(*) FROM rux_uncertainty WHERE fl_id=101").toInt(), 10);
            EXPECT_EQ(c->scalar("SELECT COUNT(*) FROM rux_uncertainty WHERE q05 IS NULL OR samples=0").toInt(), 0);
        } else {
            EXPECT_FALSE(c->tableExists("rux_uncertainty")) << k.param;
        }
    }
    const auto r = run_cli({"uncertainty", "--db", db, "--plots", "101", "--samples", "3", "--param",
                            "K_AKT=normal(0.00032,0)"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("K_AKT -"), std::string::npos) << r.out;
}

TEST(UncertainParameters, ParseAndDraw)
{
    const auto p = vt::eval::parse_uncertain_parameter("k_akt=lognormal(-8, 0.1)");
    EXPECT_EQ(p.name, "K_AKT");
    EXPECT_EQ(p.distribution.kind, vt::eval::Distribution::Kind::LogNormal);
    for (const char* bad : {"K_AKT=normal(1)", "K_AKT=gamma(1,2)", "K_AKT=normal(1,-1)", "K_AKT=uniform(2,1)",
                            "K_AKT normal(1,2)", "K_AKT=normal(1,x)"})
        EXPECT_THROW(vt::eval::parse_uncertain_parameter(bad), std::invalid_argument) << bad;
    const auto a = vt::eval::draw_samples({p}, 1000, 3), b = vt::eval::draw_samples({p}, 1000, 3);
    EXPECT_EQ(a, b);
    double mean = 0;
    for (const auto& s : a) mean += std::log(s[0]) / 1000;
    EXPECT_NEAR(mean, -8, 0.02);
}

} // namespace
