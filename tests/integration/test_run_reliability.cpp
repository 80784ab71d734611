// How a run ends when it is stopped, given input it cannot use, or meets numbers that
// overflow: the results of every plot stay complete (the previous run's or this one's),
// nothing is built from unusable input, nothing non-finite is written.
#include "engine/balance/annual_balance.h"
#include "engine/run/stop_interrupt.h"
#include "integration/run_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace vt::engine;
using vt::test::RunFixture;

namespace {

constexpr int kYears = 10;

// Two plots of ten years on one soil and one climate station.
void two_plots(RunFixture& f, long long first = 1, long long second = 2)
{
    f.addSoil(1, 15, 40);
    f.addClimate(1, 0, 8.5, 600);
    for (long long plot : {first, second}) {
        f.addPlot(plot);
        for (int y = 2001; y < 2001 + kYears; ++y) f.addEvent(plot, y, 2, 1, 60);
        f.addEvent(plot, 2003, 3, 201, 10);
        f.addMeasurement(plot, 7, 2001, 0, 1.2);
    }
}

struct FullRun {
    RunResult result;
    std::vector<std::string> log;
    std::vector<std::string> messages;

    bool logged(const std::string& text) const
    {
        for (const auto& l : log)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
};

// Preparation and balance; "STOP RUN" is ticked when a log line beginning with `stopAt`
// is written.
FullRun full_run(RunFixture& f, RunConfig cfg, const std::string& stopAt = {}, int jobs = 1)
{
    vt::test::TempDir work;
    if (cfg.work_dir == ".") cfg.work_dir = work.path().string();
    cfg.jobs = jobs;
    std::atomic<bool> stop{false};
    FullRun out;
    RunHooks h;
    h.log = [&](const std::string& line) {
        out.log.push_back(line);
        if (!stopAt.empty() && line.rfind(stopAt, 0) == 0) stop = true;
    };
    h.message = [&out](const std::string& caption, const std::string& text) { out.messages.push_back(caption + ": " + text); };
    h.stop = &stop;
    RunDriver d(f.db(), cfg, h);
    d.setBalance(annual_balance_step());
    out.result = d.run();
    return out;
}

// A plot's rows of the result tables the run replaces, as text.
std::string plot_results(RunFixture& f, long long plot)
{
    return f.db()
               .scalar("SELECT count(*) || ':' || group_concat(c_som, ',') FROM (SELECT c_som FROM rux_nresult WHERE "
                       "fl_id=? ORDER BY [year])",
                       {plot})
               .toString() +
           "|" +
           f.db()
               .scalar("SELECT count(*) || ':' || group_concat(sim_value, ',') FROM (SELECT sim_value FROM sim_result "
                       "WHERE fl_id=? ORDER BY year_)",
                       {plot})
               .toString();
}

// Values no result table may hold: NULL (a NaN is stored as one) or an infinity.
long long non_finite_values(RunFixture& f)
{
    long long n = 0;
    for (const char* table : {"rux_nresult", "rux_zbv", "sim_result"}) {
        for (const std::string& col : f.db().columns(table)) {
            if (std::string(table) == "rux_zbv" && col.rfind("int_A", 0) == 0) continue;
            n += f.db()
                     .scalar("SELECT count(*) FROM " + std::string(table) + " WHERE [" + col + "] IS NULL OR abs([" + col +
                             "]) > 1.7976931348623157e308")
                     .toInt();
        }
    }
    return n;
}

} // namespace

// However a run is stopped, every plot keeps complete results: the previous run's, or this
// run's when it was written before the stop; the log says "STOP RUN".
TEST(RunReliability, AStoppedRunLeavesEveryPlotCompleteResults)
{
    struct Case {
        const char* stopAt;
        bool firstPlotNew;  // the first plot was written before the stop
    };
    const Case cases[] = {
        {"sql 2:", false},           // the first step of the preparation
        {"crep_year:", false},       // during the preparation
        {"tmp bat :", false},        // its last step
        {"rux running", false},      // the balance, before any plot is done
        {"initial C-stock:", true},  // the first plot done: the second is stopped in hand
    };
    for (const Case& k : cases) {
        RunFixture f;
        two_plots(f);
        ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
        const std::string old1 = plot_results(f, 1), old2 = plot_results(f, 2);
        ASSERT_EQ(old1.substr(0, 3), "10:");
        f.db().execute("UPDATE measurements SET meas_value = 2.4");

        const FullRun stopped = full_run(f, f.config(), k.stopAt);
        EXPECT_EQ(stopped.result.outcome, RunOutcome::Stopped) << k.stopAt;
        EXPECT_TRUE(stopped.logged("STOP RUN")) << k.stopAt;
        const std::string after1 = plot_results(f, 1), after2 = plot_results(f, 2);

        ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
        const std::string new1 = plot_results(f, 1);
        ASSERT_NE(new1, old1);
        EXPECT_EQ(after1, k.firstPlotNew ? new1 : old1) << k.stopAt;
        EXPECT_EQ(after2, old2) << k.stopAt;
    }
}

// With a simulating thread beside the writer the stop meets the plots at other points, but
// each plot still holds one complete set of rows.
TEST(RunReliability, AStoppedParallelRunLeavesNoPartialPlot)
{
    RunFixture f;
    two_plots(f);
    ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
    const std::string old1 = plot_results(f, 1), old2 = plot_results(f, 2);
    f.db().execute("UPDATE measurements SET meas_value = 2.4");
    // The simulating thread may have finished the second plot before the stop.
    const RunOutcome outcome = full_run(f, f.config(), "initial C-stock:", 2).result.outcome;
    EXPECT_TRUE(outcome == RunOutcome::Stopped || outcome == RunOutcome::Finished);
    const std::string after1 = plot_results(f, 1), after2 = plot_results(f, 2);
    ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
    EXPECT_TRUE(after1 == old1 || after1 == plot_results(f, 1)) << after1;
    EXPECT_TRUE(after2 == old2 || after2 == plot_results(f, 2)) << after2;
}

// A finished run replaces the results of every selected plot, including one that writes
// none this time; plots that are not selected keep theirs.
TEST(RunReliability, AFinishedRunReplacesTheResultsOfTheSelectedPlots)
{
    RunFixture f;
    two_plots(f);
    f.addPlot(3);
    f.db().execute("INSERT INTO rux_nresult (fl_id, [year]) VALUES (3, 1999), (4, 1999)");
    f.db().execute("INSERT INTO sim_result (fl_id, year_) VALUES (3, 1999), (4, 1999)");
    const FullRun r = full_run(f, f.config());
    ASSERT_EQ(r.result.outcome, RunOutcome::Finished);
    EXPECT_TRUE(r.logged(kReplacementRule));
    EXPECT_EQ(r.result.selected, 3);
    EXPECT_EQ(r.result.skipped, 1);  // plot 3 has no management events
    EXPECT_EQ(f.number("SELECT count(*) FROM rux_nresult WHERE fl_id=3"), 0);
    EXPECT_EQ(f.number("SELECT count(*) FROM sim_result WHERE fl_id=4"), 1);
    EXPECT_EQ(f.number("SELECT count(*) FROM rux_nresult WHERE fl_id IN (1, 2)"), 2 * kYears);
    ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.number("SELECT count(*) FROM rux_nresult WHERE fl_id IN (1, 2)"), 2 * kYears);
    EXPECT_EQ(f.number("SELECT count(*) FROM rux_zbv"), 4 * kYears);  // rux_zbv keeps earlier runs' rows

    // Rows overwritten in place (same years) or removed and written anew (a year more) end
    // as those of a first run.
    f.addEvent(1, 2001 + kYears, 2, 1, 60);
    f.db().execute("UPDATE measurements SET meas_value = 1.7");
    ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
    RunFixture fresh;
    two_plots(fresh);
    fresh.addEvent(1, 2001 + kYears, 2, 1, 60);
    fresh.db().execute("UPDATE measurements SET meas_value = 1.7");
    ASSERT_EQ(full_run(fresh, fresh.config()).result.outcome, RunOutcome::Finished);
    const auto all_rows = [](RunFixture& x) {
        std::string text;
        for (auto c = x.db().query("SELECT * FROM rux_nresult WHERE fl_id IN (1, 2) ORDER BY fl_id, [year]"); !c.eof();
             c.next())
            for (int i = 0; i < c.fieldCount(); ++i) text += c.field(i).toString() + (i + 1 < c.fieldCount() ? "|" : "\n");
        return text + plot_results(x, 1) + plot_results(x, 2);
    };
    EXPECT_EQ(all_rows(f), all_rows(fresh));
}

// Input the model cannot use ends the run before anything is built or replaced, naming
// table, plot, row and column.
TEST(RunReliability, UnusableInputIsRefusedBeforeAnythingChanges)
{
    struct Case {
        const char* change;
        const char* named;
    };
    const Case cases[] = {
        {"UPDATE cultivation SET year=2147483647 WHERE cultivation_id=3",
         "cultivation, plot 1, row 3, column year: 2147483647 is outside 1..9999"},
        {"UPDATE cultivation SET year=20190 WHERE cultivation_id=12", "plot 2, row 12, column year: 20190 is outside"},
        {"UPDATE cultivation SET year=2003.5 WHERE cultivation_id=2", "row 2, column year: 2003.5 is not a whole year"},
        {"UPDATE cultivation SET year=1000 WHERE cultivation_id=1",
         "cultivation, plot 1, column year: the events span 1000 to 2010, more than 1000 years"},
        {"UPDATE cultivation SET Quantity='x' WHERE cultivation_id=4", "row 4, column Quantity: 'x' is not a number"},
        {"UPDATE cultivation SET Quantity=9e999 WHERE cultivation_id=4", "column Quantity: Inf is not a finite number"},
        {"UPDATE climate_data SET temperature='abc'", "climate_data, plot 1, climate station 1, row 1, column temperature: 'abc' is not"},
        {"UPDATE climate_data SET temperature='NaN'", "column temperature: 'NaN' is not a number"},
        {"UPDATE climate_data SET precipitation=NULL", "column precipitation: empty"},
        {"UPDATE measurements SET meas_value='1,2' WHERE FL_ID=2", "measurements, plot 2, row 2, column meas_value: '1,2'"},
        {"UPDATE gldopspa SET ETA='n/a' WHERE item_ix=101", "gldopspa, item 101, row 1, column ETA: 'n/a' is not a number"},
    };
    for (const Case& k : cases) {
        RunFixture f;
        two_plots(f);
        ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
        const std::string before = plot_results(f, 1) + plot_results(f, 2);
        f.db().execute(k.change);
        f.db().execute("DROP TABLE crep_year");
        const FullRun r = full_run(f, f.config());
        EXPECT_EQ(r.result.outcome, RunOutcome::Cancelled) << k.change;
        EXPECT_NE(r.result.message.find(k.named), std::string::npos) << k.change << "\n" << r.result.message;
        EXPECT_FALSE(f.db().tableExists("crep_year")) << k.change;  // nothing was built
        EXPECT_EQ(plot_results(f, 1) + plot_results(f, 2), before) << k.change;
    }
}

namespace {

// Plots 1 and 2 on soil 1 and climate station 1, plot 3 on soil 2 and station 2.
void three_plots(RunFixture& f)
{
    two_plots(f);
    f.addSoil(2, 20, 50);
    f.addClimate(2, 0, 9.5, 650);
    f.addPlot(3, 2, 2);
    for (int y = 2001; y < 2001 + kYears; ++y) f.addEvent(3, y, 2, 1, 60);
    f.addMeasurement(3, 7, 2001, 0, 1.4);
}

std::string file_text(const std::filesystem::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

// A value outside its plausible range, a plot without climate or without its initial state
// skips the plots it concerns, named with the reason in the log, the messages and the run
// report; the other plots run, and the selection is as it was afterwards.
TEST(RunReliability, ImplausibleInputSkipsThePlotsItConcerns)
{
    struct Case {
        const char* change;
        std::vector<long long> skipped;
        const char* reason;  // of the first skipped plot
    };
    const Case cases[] = {
        {"UPDATE cultivation SET Quantity=1e300 WHERE FL_ID=1 AND Macode=3", {1},
         "cultivation, plot 1, row 11, column Quantity: 1e+300 is outside 0..5000 dt/ha for Macode 3"},
        {"UPDATE cultivation SET Quantity=-5 WHERE FL_ID=3 AND year=2004", {3}, "is outside 0..2000 dt/ha for Macode 2"},
        {"UPDATE soilproperties SET clay=150 WHERE soil_ID=2", {3},
         "soilproperties, soil 2, row 2, column clay: 150 is outside 0..100 % (clay content)"},
        {"UPDATE soilproperties SET clay=-5 WHERE soil_ID=1", {1, 2}, "column clay: -5 is outside 0..100 %"},
        {"UPDATE soilproperties SET skelett=99.999 WHERE soil_ID=1", {1, 2}, "column skelett: 99.999 is outside 0..90 %"},
        {"UPDATE soilproperties SET clay=60, silt=50 WHERE soil_ID=2", {3},
         "soilproperties, soil 2, row 2, columns clay, silt, sand: their sum 110 % is above 100 %"},
        {"UPDATE climate_data SET temperature=55 WHERE climate_ID=2", {3},
         "climate_data, climate station 2, row 2, column temperature: 55 is outside -30..40 degC"},
        {"UPDATE climate_data SET precipitation=-1 WHERE climate_ID=1", {1, 2}, "column precipitation: -1 is outside"},
        {"UPDATE climate_data SET temperature=-2 WHERE climate_ID=2", {3},
         "column temperature: -2 is outside 0..40 degC (mean air temperature of the year; the BAT"},
        {"UPDATE field_description SET climate_ID=NULL WHERE FL_ID=3", {3},
         "field_description, plot 3, row 3, column climate_ID: empty (no climate station)"},
        {"UPDATE field_description SET climate_ID=9 WHERE FL_ID=1", {1},
         "column climate_ID: climate station 9 has no rows in climate_data"},
        {"UPDATE field_description SET i_con=NULL WHERE FL_ID=2", {2},
         "initialisation error: no proper initial conditions found"},
        {"UPDATE field_description SET i_con='77' WHERE FL_ID=3", {3}, "(i_con \"77\" names no stored state"},
    };
    for (const Case& k : cases) {
        RunFixture f;
        three_plots(f);
        f.db().execute(k.change);
        vt::test::TempDir work;
        RunConfig cfg = f.config();
        cfg.work_dir = work.path().string();
        const FullRun r = full_run(f, cfg);
        ASSERT_EQ(r.result.outcome, RunOutcome::Finished) << k.change << r.result.message;
        EXPECT_EQ(r.result.selected, 3) << k.change;
        ASSERT_EQ(r.result.skipped, static_cast<long long>(k.skipped.size())) << k.change;
        ASSERT_EQ(r.result.skippedPlots.size(), k.skipped.size()) << k.change;
        for (std::size_t i = 0; i < k.skipped.size(); ++i) {
            const SkippedPlot& s = r.result.skippedPlots[i];
            EXPECT_EQ(s.plot, k.skipped[i]) << k.change;
            EXPECT_TRUE(r.logged("  plot " + std::to_string(s.plot) + ": " + s.reason)) << k.change;
            EXPECT_EQ(f.number("SELECT count(*) FROM rux_nresult WHERE fl_id=" + std::to_string(s.plot)), 0) << k.change;
        }
        EXPECT_NE(r.result.skippedPlots[0].reason.find(k.reason), std::string::npos)
            << k.change << "\n" << r.result.skippedPlots[0].reason;
        bool shown = false;
        for (const auto& m : r.messages) shown = shown || m.find("plots not simulated: \n  plot " +
                                                                 std::to_string(k.skipped[0]) + ": ") == 0;
        EXPECT_TRUE(shown) << k.change;
        for (long long plot : {1, 2, 3}) {
            if (std::find(k.skipped.begin(), k.skipped.end(), plot) == k.skipped.end()) {
                EXPECT_EQ(f.number("SELECT count(*) FROM rux_nresult WHERE fl_id=" + std::to_string(plot)), kYears)
                    << k.change << " plot " << plot;
            }
        }
        EXPECT_EQ(f.number("SELECT count(*) FROM site_state WHERE status=1"), 3) << k.change;
        EXPECT_NE(file_text(work.path() / kReportFile).find("  plot " + std::to_string(k.skipped[0]) + ": "),
                  std::string::npos)
            << k.change;
    }
}

// A run killed while it held plots out of the selection leaves them selected again at the
// next run.
TEST(RunReliability, PlotsHeldByAKilledRunAreSelectedAgain)
{
    RunFixture f;
    three_plots(f);
    f.db().execute("UPDATE site_state SET status=? WHERE FL_ID=2", {static_cast<long long>(kHeldByInputCheck)});
    const FullRun r = full_run(f, f.config());
    EXPECT_EQ(r.result.selected, 3);
    EXPECT_EQ(r.result.skipped, 0);
}

// Values at the edges of their ranges, and the missing-value marker of a soil, run as before.
TEST(RunReliability, PlausibleEdgeValuesRun)
{
    const char* changes[] = {
        "UPDATE soilproperties SET skelett=90",
        "UPDATE soilproperties SET clay=33.3, silt=33.3, sand=33.4, sand_org=-1",
        "UPDATE soilproperties SET sand=-99",
        "UPDATE climate_data SET temperature=0",
        "UPDATE cultivation SET Quantity=2000 WHERE Macode=2 AND year=2005",
    };
    for (const char* change : changes) {
        RunFixture f;
        three_plots(f);
        f.db().execute(change);
        const FullRun r = full_run(f, f.config());
        EXPECT_EQ(r.result.outcome, RunOutcome::Finished) << change << r.result.message;
        EXPECT_EQ(r.result.skipped, 0) << change;
    }
}

// Input of a plot that is not selected is not the run's business: selected plots that are a
// range of ids or a list of them run as if it were fine.
TEST(RunReliability, UnusableInputOfAPlotNotSelectedIsLeftAlone)
{
    for (const bool range : {true, false}) {
        RunFixture f;
        two_plots(f);
        if (!range) {  // plots 1, 2 and 6
            f.addPlot(6);
            f.addEvent(6, 2001, 2, 1, 60);
            f.addMeasurement(6, 7, 2001, 0, 1.2);
        }
        f.addPlot(4, 1, 1, 0, 0);
        f.addEvent(4, 2001, 2, 1, 60);
        f.addMeasurement(4, 7, 2001, 0, 1.2);
        f.db().execute("UPDATE cultivation SET Quantity='x', year=20190 WHERE FL_ID=4");
        f.db().execute("UPDATE measurements SET meas_value='1,2' WHERE FL_ID=4");
        f.db().execute("UPDATE field_description SET soil_ID='?' WHERE FL_ID=4");
        EXPECT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished) << range;
    }
}

// Soil or input values at the end of the number range: the plots they reach end with a
// message naming plot, year and quantity (or run on where the value is harmless); no result
// table receives a value that is not a finite number.
TEST(RunReliability, NoNonFiniteValueIsWritten)
{
    const char* changes[] = {
        "UPDATE soilproperties SET clay=0",
        "UPDATE cultivation SET Quantity=1e308 WHERE Macode=3 AND FL_ID=1",
        "UPDATE cultivation SET Quantity=-1e308 WHERE Macode=3 AND FL_ID=1",
        "UPDATE cultivation SET Quantity=1e308 WHERE Macode=2 AND FL_ID=1",
        "UPDATE measurements SET meas_value=1e308 WHERE FL_ID=1",
        "UPDATE soilproperties SET BD=1e308, BD_org=-1",
        "UPDATE soilproperties SET BD=-1e308, BD_org=-1",
    };
    for (const char* change : changes) {
        RunFixture f;
        two_plots(f);
        f.db().execute(change);
        const FullRun r = full_run(f, f.config());
        EXPECT_EQ(non_finite_values(f), 0) << change;
        EXPECT_EQ(r.result.outcome, RunOutcome::Finished) << change << r.result.message;
        for (const std::string& m : r.messages) {
            if (m.find("not a finite number") != std::string::npos) {
                EXPECT_NE(m.find("ERROR: FL_ID 1, year 20"), std::string::npos) << change << m;
            }
        }
    }
    RunFixture f;
    two_plots(f);
    f.db().execute("UPDATE soilproperties SET clay=0");
    ASSERT_EQ(full_run(f, f.config()).result.skipped, 0);
    EXPECT_GT(f.number("SELECT min(pwp) FROM rux_nresult"), 0);
}

// A plot number beyond 2^53 reaches every result table unchanged.
TEST(RunReliability, PlotNumbersStayWholeNumbers)
{
    const long long big = 9007199254740993LL;  // 2^53 + 1: no double holds it
    RunFixture f;
    two_plots(f, big, big + 2);
    const FullRun r = full_run(f, f.config());
    ASSERT_EQ(r.result.outcome, RunOutcome::Finished) << r.result.message;
    EXPECT_EQ(r.result.skipped, 0);
    for (const char* table : {"rux_nresult", "rux_zbv", "sim_result"}) {
        EXPECT_EQ(f.db().scalar(std::string("SELECT count(*) FROM ") + table + " WHERE fl_id = ?", {big}).toInt(), kYears)
            << table;
        EXPECT_EQ(f.db().scalar(std::string("SELECT count(*) FROM ") + table + " WHERE typeof(fl_id) <> 'integer'").toInt(),
                  0)
            << table;
    }
    ASSERT_EQ(full_run(f, f.config()).result.outcome, RunOutcome::Finished);
    EXPECT_EQ(f.db().scalar("SELECT count(*) FROM rux_nresult WHERE fl_id = ?", {big}).toInt(), kYears);
}

// "STOP RUN" ends a statement of the preparation that would otherwise run for minutes.
TEST(RunReliability, StopInterruptsALongStatement)
{
    RunFixture f;
    std::atomic<bool> stop{true};
    RunHooks h;
    h.stop = &stop;
    {
        const StopInterruptsStatements interruptible(f.db().handle(), h);
        EXPECT_THROW(f.db().scalar("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                                   "SELECT count(*) FROM n"),
                     vt::db::DbError);
    }
    EXPECT_EQ(f.db().scalar("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                            "SELECT count(*) FROM n")
                  .toInt(),
              100000);
}

namespace {

namespace fs = std::filesystem;

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string last_line(const std::string& text)
{
    const std::string t = text.substr(0, text.find_last_not_of('\n') + 1);
    return t.substr(t.find_last_of('\n') + 1);
}

// veltrano-cli run with settings of its own.
class RunExitCodes : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VELTRANO_CONFIG", settingsFile().c_str(), 1);
        std::ofstream(settingsFile()) << "[rux]\nptfmode=3\npf_wp=42\npf_fk=18\nrecalc_bat=1\n";
        two_plots(f_);
        f_.db().execute("PRAGMA journal_mode=DELETE");
    }
    void TearDown() override { unsetenv("VELTRANO_CONFIG"); }
    std::string settingsFile() const { return dir_.file("rux.ini"); }
    vt::test::CliResult run(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"run", "--db", f_.path(), "GO", "nw", "--jobs", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        return vt::test::run_cli(args);
    }
    std::string results() { return plot_results(f_, 1) + plot_results(f_, 2); }

    vt::test::TempDir dir_;
    RunFixture f_;
};

} // namespace

TEST_F(RunExitCodes, TheCodeTellsWhetherEverySelectedPlotWasSimulated)
{
    auto r = run();
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string simulated = results();

    // Every plot without its initial carbon: the run finishes, writes nothing, and says so.
    f_.db().execute("UPDATE measurements SET FL_ID = FL_ID + 100");
    r = run();
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(last_line(r.err), "veltrano-cli: 2 of 2 selected plots skipped (not simulated; named above, in the run "
                                "log and in rux_report.txt)");
    EXPECT_NE(r.err.find("  plot 1: no input rows"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("plots not simulated: 2 of 2"), std::string::npos);
    EXPECT_EQ(f_.number("SELECT count(*) FROM rux_nresult"), 0);
    f_.db().execute("UPDATE measurements SET FL_ID = FL_ID - 100");

    f_.db().execute("UPDATE site_state SET status = 0");
    r = run();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no plot is selected"), std::string::npos) << r.err;
    r = run({"ID=7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no plot is selected"), std::string::npos) << r.err;
    f_.db().execute("UPDATE site_state SET status = 1");
    ASSERT_EQ(run().code, 0);
    EXPECT_EQ(results(), simulated);
}

// A plot whose climate station has no rows, or whose clay is out of range, is skipped and
// named on standard error; the other plot runs (exit code 3).
TEST_F(RunExitCodes, ASkippedPlotIsNamedAndTheOthersRun)
{
    struct Case {
        const char* change;
        const char* named;
    };
    const Case cases[] = {
        {"UPDATE field_description SET climate_ID=5 WHERE FL_ID=2",
         "  plot 2: field_description, plot 2, row 2, column climate_ID: climate station 5 has no rows in climate_data"},
        {"UPDATE cultivation SET Quantity=1e300 WHERE FL_ID=2 AND Macode=3", "  plot 2: cultivation, plot 2, row "},
    };
    for (const Case& k : cases) {
        RunFixture f;
        two_plots(f);
        f.db().execute(k.change);
        f.db().execute("PRAGMA journal_mode=DELETE");
        const auto r = vt::test::run_cli({"run", "--db", f.path(), "GO", "nw", "--jobs", "1"});
        EXPECT_EQ(r.code, 3) << r.err;
        EXPECT_NE(r.err.find(k.named), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("LTEM<0"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find(k.named), std::string::npos) << r.out;
        EXPECT_EQ(f.number("SELECT count(*) FROM rux_nresult WHERE fl_id=1"), kYears);
    }
}

// Settings out of range and missing script files stop the run before it changes anything.
TEST_F(RunExitCodes, ARunThatCannotStartChangesNothing)
{
    ASSERT_EQ(run().code, 0);
    const std::string before = results();
    f_.db().execute("DROP TABLE crep_year");
    const std::string script = dir_.file("pre.sql");
    std::ofstream(script) << "' set up\nupdate site_state set status=1\ngo\n\nupdate no_such_table set x=1\ngo\n";
    struct Case {
        std::string setting;  // a line added to the settings
        std::vector<std::string> switches;
        std::string named;
    };
    const Case cases[] = {
        {"ptfmode=99", {}, "setting \"ptfmode\" = \"99\" is not a pedotransfer method 1..4"},
        {"pf_wp=nan", {}, "setting \"pf_wp\" = \"nan\""},
        {"hassink=2", {}, "setting \"hassink\""},
        {"", {"PPQ=" + dir_.file("missing.sql")}, "switch PPQ: the script file \"" + dir_.file("missing.sql")},
        {"", {"POQ=" + dir_.file("missing.sql")}, "switch POQ: the script file"},
        {"", {"PPQ=" + script}, "script " + script + ", line 5 (update no_such_table set x=1): no such table"},
    };
    for (const Case& k : cases) {
        std::ofstream(settingsFile()) << "[rux]\nptfmode=3\npf_wp=42\npf_fk=18\nrecalc_bat=1\n" << k.setting << "\n";
        const auto r = run(k.switches);
        EXPECT_EQ(r.code, 1) << k.named;
        EXPECT_NE((r.out + r.err).find(k.named), std::string::npos) << r.out << r.err;
        EXPECT_EQ(results(), before) << k.named;
        EXPECT_FALSE(f_.db().tableExists("crep_year")) << k.named;
    }
}

// A file that is no experiment database is left as it was.
TEST_F(RunExitCodes, AFileThatIsNoExperimentDatabaseIsNotTouched)
{
    const std::string empty = dir_.file("empty.db"), other = dir_.file("other.db"), text = dir_.file("notes.db");
    std::ofstream(empty).flush();
    std::ofstream(text) << "not a database\n";
    {
        vt::db::Connection c(other, vt::db::Connection::Mode::ReadWriteCreate);
        c.execute("CREATE TABLE addresses (name text)");
    }
    for (const std::string& file : {empty, other, text}) {
        const std::string bytes = file_bytes(file);
        const auto r = vt::test::run_cli({"run", "--db", file, "GO", "nw"});
        EXPECT_EQ(r.code, 1) << file;
        EXPECT_FALSE(r.err.empty()) << file;
        EXPECT_TRUE(file_bytes(file) == bytes) << file;
    }
    EXPECT_NE(vt::test::run_cli({"run", "--db", empty, "GO"}).err.find("is not an experiment database"),
              std::string::npos);
}

// evaluate and nbalance build working tables; on a write-protected file they build them in
// memory and leave the file as it was.
TEST_F(RunExitCodes, EvaluationsWorkOnAReadOnlyDatabase)
{
    ASSERT_EQ(run().code, 0);
    const std::string bytes = file_bytes(f_.path());
    fs::permissions(f_.path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"evaluate", "--db", f_.path(), "--plot", "1"},
          std::vector<std::string>{"nbalance", "--db", f_.path()}}) {
        const auto r = vt::test::run_cli(args);
        EXPECT_EQ(r.code, 0) << args[0] << r.err;
        EXPECT_NE(r.err.find("is read-only: the working tables are built in memory"), std::string::npos) << r.err;
        EXPECT_FALSE(r.out.empty()) << args[0];
        EXPECT_TRUE(file_bytes(f_.path()) == bytes) << args[0];
    }
    fs::permissions(f_.path(), fs::perms::owner_all);
}
