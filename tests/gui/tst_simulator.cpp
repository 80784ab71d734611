// "RUX-simulator": runs on the worker thread, the message list, STOP RUN, closing during
// a run, the "calculate"/"close" states and batch runs (GO).
#include "gui/gui_support.h"
#include "gui/app/regio_mode_dialog.h"
#include "workbench/database_info.h"
#include "workbench/database_upkeep.h"
#include "workbench/run_hold.h"
#include "gui/simulator/plot_list_model.h"
#include "gui/simulator/simulator_pages.h"
#include "gui/simulator/simulator_window.h"
#include "gui/app/main_window.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <chrono>
#include <thread>

using vt::engine::RunOutcome;
using vt::engine::RunResult;
using vt::gui::DialogHooks;
using vt::gui::SimulatorWindow;
using vt::gui::MainWindow;

namespace {

// A run that writes a few lines, then works year by year until it is told to stop or
// has done `years` years.
vt::gui::RunThread::RunFunction scripted_run(int years, RunOutcome end = RunOutcome::Finished)
{
    return [years, end](vt::db::Connection& c, const vt::engine::RunConfig& cfg, const vt::engine::RunHooks& h) {
        RunResult r;
        h.logLine("method : " + cfg.methode);
        r.selected = c.scalar("select count(*) from site_state where status=1").toInt();
        h.logLine("plots selected: " + std::to_string(r.selected));
        h.logLine(" CL1<-0.5=>3 / 30.0%");
        for (int y = 0; y < years; ++y) {
            if (h.stopRequested()) {
                r.outcome = RunOutcome::Stopped;
                return r;
            }
            h.report(y, years);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        r.outcome = end;
        if (end == RunOutcome::Failed) {
            r.message = "no such table: tmp_bat";
            return r;
        }
        h.logLine("job finished: 12:00");
        return r;
    };
}

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SimulatorWindow> sim;

    explicit Fixture(vt::gui::RunThread::RunFunction run, const QStringList& args = {}, bool demo = false)
    {
        if (demo) vt::workbench::create_demo_file(box.file("demo.db"));
        box.settings(demo ? box.file("demo.db") : box.database("exp.db"));
        window = std::make_unique<MainWindow>(box.env(args));
        sim = std::make_unique<SimulatorWindow>(*window, std::move(run));
        window->setSimulator(sim.get());
        window->connectAtShow();
    }
    template <class T> T* child(const char* name) { return sim->findChild<T*>(name); }
    QStringList log()
    {
        QStringList l;
        auto* list = child<QListWidget>("messages");
        for (int i = 0; i < list->count(); ++i) l << list->item(i)->text();
        return l;
    }
    bool waitForRun() { return QTest::qWaitFor([this] { return !sim->running(); }, 20000); }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT
private slots:
    void demoRunEndsWithJobFinished();
    void stopRunTickedBeforeTheRunStopsIt();
    void runFillsTheMessageList();
    void stopRunEndsTheRun();
    void everyLineArrivesInOrder();
    void closingDuringARunAsksFirst();
    void secondPressClosesOnlyForTheBrowser();
    void endingTheProgramDuringARunStopsIt();
    void regioModeSwitchesTheStructure();
    void aWindowsWriteDuringARunIsRefused();
    void plotListShowsThePlotsOfTheNextRun();
    void batchRunEndsTheProgram_data();
    void batchRunEndsTheProgram();
    void unattendedBatchWithoutDatabaseEnds();
};

void TestSimulator::demoRunEndsWithJobFinished()
{
    Fixture f(SimulatorWindow::driverRun(), {}, true);
    f.sim->show();
    QVERIFY(f.log().contains("method : RUX"));
    f.sim->calculate();
    QVERIFY(f.waitForRun());
    QCOMPARE(int(f.sim->lastResult().outcome), int(RunOutcome::Finished));
    const auto log = f.log();
    QVERIFY2(log.size() > 20, qPrintable(log.join('\n')));
    QVERIFY(log.last().startsWith("job finished: "));
    auto* c = f.window->session().connection();
    QVERIFY(c->scalar("select count(*) from sim_result").toInt() > 0);
    QVERIFY(QFile::exists(f.box.path("rux_report.txt")));
}

void TestSimulator::stopRunTickedBeforeTheRunStopsIt()
{
    Fixture f(SimulatorWindow::driverRun(), {}, true);
    f.sim->show();
    f.sim->requestStop();
    f.sim->calculate();
    QVERIFY(f.waitForRun());
    QCOMPARE(int(f.sim->lastResult().outcome), int(RunOutcome::Stopped));
    QVERIFY(!f.log().last().startsWith("job finished: "));
}

void TestSimulator::runFillsTheMessageList()
{
    Fixture f(scripted_run(3));
    f.sim->show();
    QVERIFY(f.log().contains("method : RUX"));
    auto* calculate = f.child<QPushButton>("calculate");
    QCOMPARE(calculate->text(), QString("calculate"));
    QSignalSpy finished(f.sim.get(), &SimulatorWindow::runFinished);
    QTest::mouseClick(calculate, Qt::LeftButton);
    QVERIFY(f.sim->running());
    QCOMPARE(calculate->text(), QString("close"));
    QVERIFY(!calculate->isEnabled());
    QVERIFY(!f.child<QPushButton>("database")->isEnabled());
    QVERIFY(f.waitForRun());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    const auto log = f.log();
    QCOMPARE(log.first(), QString("method : RUX"));
    QVERIFY(log.contains("plots selected: 1"));
    QVERIFY(log.last().startsWith("job finished: "));
    QVERIFY(calculate->isEnabled());
    QCOMPARE(calculate->text(), QString("close"));
    QVERIFY(f.child<QPushButton>("database")->isEnabled());
    QCOMPARE(f.sim->findChild<vt::gui::HistogramPage*>()->count(0), 3LL);
}

void TestSimulator::stopRunEndsTheRun()
{
    Fixture f(scripted_run(1000000));
    f.sim->show();
    f.sim->calculate();
    QTest::qWait(50);
    QVERIFY(f.sim->running());
    QTest::mouseClick(f.child<QCheckBox>("stop_run"), Qt::LeftButton, {}, QPoint(6, 6));
    QVERIFY(f.waitForRun());
    QCOMPARE(f.sim->lastResult().outcome, RunOutcome::Stopped);
    QCOMPARE(f.log().last(), QString("STOP RUN: the run was stopped"));
}

void TestSimulator::everyLineArrivesInOrder()
{
    const int lines = 20000;
    Fixture f([lines](vt::db::Connection&, const vt::engine::RunConfig&, const vt::engine::RunHooks& h) {
        for (int i = 0; i < lines; ++i) {
            h.logLine(std::to_string(i));
            h.report(i, lines);
        }
        return RunResult{};
    });
    f.sim->show();
    f.sim->calculate();
    QVERIFY(f.waitForRun());
    const auto log = f.log();
    QCOMPARE(log.size(), lines);
    for (int i = 0; i < lines; i += 997) QCOMPARE(log[i], QString::number(i));
    QCOMPARE(log.last(), QString::number(lines - 1));
    QVERIFY(!f.child<QProgressBar>("progress")->isVisible());
}

void TestSimulator::closingDuringARunAsksFirst()
{
    Fixture f(scripted_run(1000000));
    f.sim->show();
    f.sim->calculate();
    DialogHooks::setNextAnswer(false);
    QVERIFY(!f.sim->close());
    QVERIFY(f.sim->running());
    QVERIFY(f.sim->isVisible());
    DialogHooks::setNextAnswer(true);
    QVERIFY(f.sim->close());
    QVERIFY(!f.sim->running());
    QVERIFY(!f.sim->isVisible());
    QCOMPARE(f.sim->lastResult().outcome, RunOutcome::Stopped);
}

void TestSimulator::secondPressClosesOnlyForTheBrowser()
{
    Fixture f(scripted_run(1));
    f.sim->show();
    f.sim->calculate();
    QVERIFY(f.waitForRun());
    f.sim->calculate();
    QVERIFY(f.sim->isVisible());
    f.sim->singlemode = true;
    f.sim->calculate();
    QVERIFY(!f.sim->isVisible());
}

void TestSimulator::endingTheProgramDuringARunStopsIt()
{
    Fixture f(scripted_run(1000000));
    f.window->show();
    f.sim->show();
    f.sim->calculate();
    DialogHooks::setNextAnswer(false);
    f.window->endProgram();
    QVERIFY(f.window->isVisible());
    QVERIFY(f.sim->running());
    DialogHooks::setNextAnswer(true);
    f.window->endProgram();
    QVERIFY(!f.sim->running());
    QVERIFY(!f.sim->isVisible());
    QVERIFY(!f.window->isVisible());
    QVERIFY(!f.window->session().isOpen());
}

void TestSimulator::regioModeSwitchesTheStructure()
{
    Fixture f(scripted_run(1));
    const auto db = f.window->session().path();
    vt::gui::RegioModeDialog dialog(*f.window);
    QVERIFY(!dialog.regional());
    f.sim->show();
    QVERIFY(!f.child<QLabel>("regional")->isVisible());
    f.sim->hide();
    QVERIFY(dialog.changeStructure());
    // The structure changed; the program ends and is started again.
    QVERIFY(!f.window->session().isOpen());
    QVERIFY(vt::db::Connection(db).columnExists("cultivation", "part"));

    QVERIFY(f.window->switchDatabase(QString::fromStdString(db)));
    f.sim->show();
    QVERIFY(f.child<QLabel>("regional")->isVisible());
    QVERIFY(dialog.regional());
    QVERIFY(dialog.changeStructure());
    QVERIFY(!vt::db::Connection(db).columnExists("cultivation", "part"));
}

// While the run holds the database the main window's editing commands are disabled, and a
// window's write is refused with a message instead of landing inside the run's transaction.
void TestSimulator::aWindowsWriteDuringARunIsRefused()
{
    Fixture f(scripted_run(1000000));
    f.window->show();
    auto* c = f.window->session().connection();
    const auto method = vt::workbench::stored_method(*c);
    QSignalSpy runActive(f.window.get(), &MainWindow::runActiveChanged);
    auto* settings = f.window->button(MainWindow::Command::Settings);
    auto* change = f.window->button(MainWindow::Command::ChangeDatabase);
    auto* history = f.window->findChild<QComboBox*>("history");
    QVERIFY(settings->isEnabled() && change->isEnabled() && history->isEnabled());

    f.sim->show();
    f.sim->calculate();
    QVERIFY(QTest::qWaitFor([&] { return vt::workbench::run_holds_database(*c); }, 5000));
    QCOMPARE(runActive.count(), 1);
    QVERIFY(!settings->isEnabled() && !change->isEnabled() && !history->isEnabled());
    QString refusal;
    try {
        vt::workbench::store_method(*c, "LUFA");
    } catch (const vt::db::ConnectionBusy& e) {
        refusal = e.what();
    }
    QCOMPARE(refusal, QString(vt::workbench::kRunHoldMessage));
    vt::gui::RegioModeDialog dialog(*f.window);
    dialog.show();
    QVERIFY(!dialog.findChild<QPushButton*>("change")->isEnabled());
    QCOMPARE(dialog.findChild<QLabel*>("state")->text(), QString(vt::workbench::kRunHoldMessage));
    QVERIFY(!dialog.changeStructure());
    dialog.hide();

    f.sim->requestStop();
    QVERIFY(f.waitForRun());
    QCOMPARE(runActive.count(), 2);
    QVERIFY(settings->isEnabled() && change->isEnabled() && history->isEnabled());
    QCOMPARE(vt::workbench::stored_method(*c), method);
    QVERIFY(!vt::workbench::is_regional_database(*c));
}

void TestSimulator::plotListShowsThePlotsOfTheNextRun()
{
    Fixture f(scripted_run(1), {}, true);
    auto* c = f.window->session().connection();
    vt::gui::PlotListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(model.reload(c).isEmpty());
    const int flagged = int(c->scalar("select count(*) from site_state where status=1").toInt());
    QVERIFY(flagged > 1);
    QCOMPARE(model.rowCount(), flagged);
    QCOMPARE(model.columnCount(), 6);
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QString("station"));
    QVERIFY(model.index(0, 0).data().toLongLong() < model.index(1, 0).data().toLongLong());

    c->execute("update site_state set status=0");
    QVERIFY(model.reload(c).isEmpty());
    QCOMPARE(model.rowCount(), 0);
    auto bare = vt::db::Connection::memory();  // no plot tables: the reason, and no rows
    QVERIFY(!model.reload(bare.get()).isEmpty());
    QCOMPARE(model.rowCount(), 0);
}

void TestSimulator::batchRunEndsTheProgram_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("finished") << int(RunOutcome::Finished) << 0;
    QTest::newRow("failed") << int(RunOutcome::Failed) << 1;
}

void TestSimulator::batchRunEndsTheProgram()
{
    QFETCH(int, outcome);
    QFETCH(int, exitCode);
    Fixture f(scripted_run(3, RunOutcome(outcome)), {"GO", "nw"});
    f.window->show();
    f.window->activate();
    QVERIFY(f.sim->isVisible() || f.sim->hasResult());
    QVERIFY(QTest::qWaitFor([&] { return !f.window->isVisible(); }, 20000));
    QVERIFY(f.sim->hasResult());
    QVERIFY(!f.sim->isVisible());
    QCOMPARE(f.window->exitCode(), exitCode);
}

void TestSimulator::unattendedBatchWithoutDatabaseEnds()
{
    vt::test::GuiSandbox box;
    box.settings(box.file("moved.db"));
    // No file dialog may open: nobody would answer it.
    MainWindow window(box.env({"GO", "!"}));
    SimulatorWindow sim(window, scripted_run(1));
    window.setSimulator(&sim);
    window.show();
    window.activate();
    QVERIFY(QTest::qWaitFor([&] { return !window.isVisible(); }, 20000));
    QVERIFY(!sim.hasResult());
    QCOMPARE(window.exitCode(), 1);
}

QTEST_MAIN(TestSimulator)
#include "tst_simulator.moc"
