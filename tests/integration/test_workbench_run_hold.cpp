// The run's hold on the database: while a run owns the connection on its thread, every
// statement of another thread is refused, and the run's results are those of a run that
// nobody disturbed.
#include "db/connection.h"
#include "db/demo_database.h"
#include "engine/balance/annual_balance.h"
#include "engine/run/run_configuration.h"
#include "engine/run/run_driver.h"
#include "support/temp_dir.h"
#include "workbench/database_info.h"
#include "workbench/database_upkeep.h"
#include "workbench/run_hold.h"
#include "workbench/run_plots.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using vt::db::Connection;
using vt::db::ConnectionBusy;
namespace wb = vt::workbench;

namespace {

// Runs `work` on another thread while `held` runs on this one's partner: the partner
// takes the hold, signals, and keeps it until `work` has finished.
void while_held(Connection& c, const std::function<void()>& work)
{
    std::mutex m;
    std::condition_variable cv;
    bool taken = false, done = false;
    std::thread holder([&] {
        const wb::RunHold hold(c);
        std::unique_lock<std::mutex> l(m);
        taken = true;
        cv.notify_all();
        cv.wait(l, [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return taken; });
    }
    work();
    {
        std::lock_guard<std::mutex> l(m);
        done = true;
    }
    cv.notify_all();
    holder.join();
}

template <class F>
std::string refusal_of(F&& statement)
{
    try {
        statement();
    } catch (const ConnectionBusy& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("other error: ") + e.what();
    }
    return "not refused";
}

TEST(RunHold, EveryWayIntoTheDatabaseIsRefusedToOtherThreads)
{
    auto c = Connection::memory();
    c->executeScript("CREATE TABLE t (x int); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);");
    auto open = c->query("SELECT x FROM t");  // opened before the hold
    vt::db::Statement prepared = c->prepare("SELECT count(*) FROM t");
    const std::string message = wb::kRunHoldMessage;

    while_held(*c, [&] {
        EXPECT_TRUE(wb::run_holds_database(*c));
        EXPECT_EQ(refusal_of([&] { c->execute("INSERT INTO t VALUES (3)"); }), message);
        EXPECT_EQ(refusal_of([&] { c->execute("INSERT INTO t VALUES (?)", {4}); }), message);
        // A refusal is no harmless failure: it is not swallowed.
        EXPECT_EQ(refusal_of([&] { c->executeIgnoringErrors("DELETE FROM t"); }), message);
        EXPECT_EQ(refusal_of([&] { c->executeScript("DELETE FROM t;"); }), message);
        EXPECT_EQ(refusal_of([&] { c->query("SELECT * FROM t"); }), message);
        EXPECT_EQ(refusal_of([&] { c->scalar("SELECT 1"); }), message);
        EXPECT_EQ(refusal_of([&] { c->prepare("SELECT 1"); }), message);
        EXPECT_EQ(refusal_of([&] { c->tableExists("t"); }), message);
        EXPECT_EQ(refusal_of([&] { c->columns("t"); }), message);
        EXPECT_EQ(refusal_of([&] { c->handle(); }), message);
        EXPECT_EQ(refusal_of([&] { open.next(); }), message);
        EXPECT_EQ(refusal_of([&] { prepared.step(); }), message);
        EXPECT_EQ(refusal_of([&] { vt::db::Transaction t(*c); }), message);
        EXPECT_EQ(refusal_of([&] { const wb::RunHold second(*c); }), message);
    });

    EXPECT_FALSE(wb::run_holds_database(*c));
    EXPECT_EQ(c->scalar("SELECT count(*) FROM t").toInt(), 2);  // nothing of the above landed
    open.next();
    EXPECT_FALSE(open.eof());
    EXPECT_TRUE(prepared.step());

    // The holder itself, and a nested hold of its thread, go on as before.
    {
        const wb::RunHold outer(*c);
        {
            const wb::RunHold inner(*c);
            c->execute("INSERT INTO t VALUES (5)");
        }
        EXPECT_EQ(c->scalar("SELECT count(*) FROM t").toInt(), 3);
    }
    EXPECT_FALSE(wb::run_holds_database(*c));
}

struct DemoRun {
    vt::test::TempDir dir;
    Connection c{dir.file("demo.db"), Connection::Mode::ReadWriteCreate};
    DemoRun() { vt::db::create_demo_database(c); }

    vt::engine::RunConfig config()
    {
        vt::engine::RunConfig cfg;
        cfg.database = c.path();
        cfg.work_dir = dir.path().string();
        cfg.hymode = 3;
        cfg.k = vt::engine::load_model_constants(c);
        return cfg;
    }
    vt::engine::RunResult run(const vt::engine::RunHooks& hooks)
    {
        vt::engine::RunDriver driver(c, config(), hooks);
        driver.setBalance(vt::engine::run_annual_balance);
        return driver.run();
    }
    // The results of a run, summed so that two runs compare at a glance.
    std::string results()
    {
        return c.scalar("SELECT count(*) || '/' || round(sum(c_som), 6) || '/' || round(sum(c_m_tot), 6) "
                        "FROM rux_nresult")
            .toString();
    }
};

// A window writes while the run has its transaction open: the write is refused, and the
// run ends with the results of an undisturbed run.
TEST(RunHold, AWindowsWriteDuringARunIsRefusedAndTheResultsStayIntact)
{
    DemoRun undisturbed;
    ASSERT_EQ(undisturbed.run({}).outcome, vt::engine::RunOutcome::Finished);
    const std::string expected = undisturbed.results();
    ASSERT_NE(expected.rfind("0/", 0), 0u) << expected;

    DemoRun d;
    std::mutex m;
    std::condition_variable cv;
    bool inTransaction = false, windowDone = false;
    vt::engine::RunHooks hooks;
    // The first log line written inside the run's open transaction waits for the window.
    hooks.log = [&](const std::string&) {
        std::unique_lock<std::mutex> l(m);
        if (inTransaction || sqlite3_get_autocommit(d.c.handle())) return;
        inTransaction = true;
        cv.notify_all();
        cv.wait(l, [&] { return windowDone; });
    };
    vt::engine::RunResult result;
    std::thread run([&] {
        const wb::RunHold hold(d.c);
        result = d.run(hooks);
    });

    std::string refusals;
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return inTransaction; });
    }
    // The windows' own operations, as the settings dialog and the main window call them.
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { wb::store_method(d.c, "LUFA"); },
             [&] { wb::delete_results(d.c); },
             [&] { wb::set_regional_mode(d.c, true); },
             [&] { wb::sync_selection_lists(d.c, "D"); },
             [&] { wb::plots_of_next_run(d.c); },
         })
        refusals += refusal_of(write) + "\n";
    {
        std::lock_guard<std::mutex> l(m);
        windowDone = true;
    }
    cv.notify_all();
    run.join();

    const std::string line = std::string(wb::kRunHoldMessage) + "\n";
    EXPECT_EQ(refusals, line + line + line + line + line);
    ASSERT_EQ(result.outcome, vt::engine::RunOutcome::Finished) << result.message;
    EXPECT_EQ(d.results(), expected);
    EXPECT_EQ(wb::stored_method(d.c), "RUX");
    EXPECT_FALSE(wb::is_regional_database(d.c));
}

} // namespace
