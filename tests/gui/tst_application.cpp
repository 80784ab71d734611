// The whole program as main() assembles it (vt::gui::Application), driven as a user
// drives it: start on a copy of the demo database, open the windows from their commands,
// run plots from the browser, batch runs (GO) and every way of ending with its exit code.
// New journeys build on the helpers of AppJourney.
#include "gui/gui_support.h"
#include "gui/app/application.h"
#include "gui/app/main_window.h"
#include "gui/app/settings_dialog.h"
#include "gui/browser/basic_info_page.h"
#include "gui/browser/browser_window.h"
#include "gui/climate/climate_window.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/nbalance_window.h"
#include "gui/results/result_pages.h"
#include "gui/results/session_dialogs.h"
#include "gui/simulator/simulator_window.h"
#include "gui/tools/data_transfer_window.h"
#include "gui/tools/r_analysis_window.h"
#include "gui/tools/reference_list_window.h"
#include "gui/tools/sql_module_window.h"
#include "workbench/database_upkeep.h"

#include <QAbstractItemModel>
#include <QChart>
#include <QChartView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <chrono>
#include <filesystem>
#include <thread>

using vt::gui::Application;
using vt::gui::MainWindow;
using Command = vt::gui::MainWindow::Command;

namespace {

// One user's session: a sandbox (own settings, working folder) with a copy of the demo
// database that the settings name as the database used last, and the program built on it.
class AppJourney {
public:
    explicit AppJourney(const QStringList& args = {}, vt::gui::RunThread::RunFunction run = {})
    {
        demo = box.file("rux_demo.db");
        vt::workbench::create_demo_file(demo);
        box.settings(demo);
        start(args, std::move(run));
    }

    // Builds the program anew (a second start in the same sandbox).
    void start(const QStringList& args = {}, vt::gui::RunThread::RunFunction run = {})
    {
        app.reset();
        app = std::make_unique<Application>(box.env(args), std::move(run));
    }

    MainWindow& main() const { return app->mainWindow(); }
    vt::gui::BrowserWindow& browser() const { return app->browser(); }
    vt::db::Connection* db() const { return main().session().connection(); }
    long long count(const std::string& sql) const { return db()->scalar(sql).toInt(); }

    // Shows the main window as the program's start does (connect, activate).
    bool showMain()
    {
        main().show();
        main().activateWindow();
        return QTest::qWaitForWindowExposed(&main()) && db() != nullptr;
    }
    // Presses a command button of the main window; false when it is not offered.
    bool press(Command c)
    {
        QPushButton* b = main().button(c);
        if (!b->isVisible() || !b->isEnabled()) return false;
        b->click();
        return true;
    }
    // The program's event loop until it ends, with `user` pressing buttons once it runs.
    int run(const std::function<void()>& user = {})
    {
        if (user) QTimer::singleShot(0, &main(), user);
        return app->exec();
    }
    // Closes the next modal window (a command that opens its window with exec()) and
    // tells its title.
    QString closeModalSoon()
    {
        auto title = std::make_shared<QString>();
        QTimer::singleShot(50, [title] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                *title = w->windowTitle();
                w->close();
            }
        });
        titles_.push_back(title);
        return {};
    }
    QString lastModalTitle() const { return titles_.empty() ? QString() : *titles_.back(); }

    vt::test::GuiSandbox box;
    std::string demo;
    std::unique_ptr<Application> app;

private:
    std::vector<std::shared_ptr<QString>> titles_;
};

// Whether a window is shown, then hides it as its close button does.
bool shown_then_closed(QWidget* w)
{
    const bool shown = w && QTest::qWaitFor([w] { return w->isVisible(); }, 5000);
    if (w) w->close();
    return shown && !w->isVisible();
}

// A run that works until it is told to stop (at most ten seconds).
vt::gui::RunThread::RunFunction run_until_stopped()
{
    return [](vt::db::Connection&, const vt::engine::RunConfig&, const vt::engine::RunHooks& h) {
        vt::engine::RunResult r;
        r.selected = 1;
        for (int i = 0; i < 2000; ++i) {
            if (h.stopRequested()) {
                r.outcome = vt::engine::RunOutcome::Stopped;
                return r;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return r;
    };
}

// Finds a tree row whose text contains `text`.
bool tree_shows(QAbstractItemModel* m, const QString& text, const QModelIndex& parent = {})
{
    for (int r = 0; r < m->rowCount(parent); ++r) {
        const QModelIndex i = m->index(r, 0, parent);
        if (i.data().toString().contains(text) || tree_shows(m, text, i)) return true;
    }
    return false;
}

} // namespace

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void everyCommandOpensItsWindowAndEndReturnsZero();
    void closingTheMainWindowEndsTheProgram();
    void plotRunFromTheBrowser();
    void databaseSimulationOfTwoTickedPlots();
    void batchExitCodes_data();
    void batchExitCodes();
    void batchWithMissingDatabaseRunsNothing();
    void stopSignalDuringBatchEndsNonZero();
};

// Main window: every command shows its window, the results menu too, the browser's
// tools open from their entries; "End" ends the program with 0, with windows still open.
void TestApplication::everyCommandOpensItsWindowAndEndReturnsZero()
{
    AppJourney j;
    QVERIFY(j.showMain());
    for (Command c : {Command::PlotSelection, Command::Parameters, Command::ClimateData, Command::SqlModule,
                      Command::DataTransfer, Command::Settings, Command::Manual, Command::ChangeDatabase, Command::End})
        QVERIFY2(j.main().button(c)->isVisible(), qPrintable(j.main().button(c)->text()));

    QVERIFY(j.press(Command::PlotSelection));
    QVERIFY(shown_then_closed(&j.browser()));
    j.closeModalSoon();
    QVERIFY(j.press(Command::Parameters));  // modal: returns when closed
    QCOMPARE(j.lastModalTitle(), QString("RUX-Parameter"));
    QVERIFY(j.press(Command::ClimateData));
    QVERIFY(shown_then_closed(j.main().climateWindow()));
    QVERIFY(j.press(Command::SqlModule));
    QVERIFY(shown_then_closed(j.app->tools().sqlModule.get()));
    QVERIFY(j.press(Command::DataTransfer));
    QVERIFY(shown_then_closed(j.app->tools().dataTransfer.get()));
    j.closeModalSoon();
    QVERIFY(j.press(Command::Settings));
    QCOMPARE(j.lastModalTitle(), j.main().settingsDialog()->windowTitle());

    // The results menu: the simulator on its own and the nitrogen balance.
    auto* menu = j.main().menuBar()->findChild<QMenu*>("results_menu");
    QVERIFY(menu);
    menu->findChild<QAction*>("open_simulator")->trigger();
    QVERIFY(shown_then_closed(&j.app->simulator()));
    menu->findChild<QAction*>("open_nbalance")->trigger();
    QVERIFY(shown_then_closed(j.app->resultsMenu().nbalance));
    menu->findChild<QAction*>("open_r_analysis")->trigger();
    QVERIFY(shown_then_closed(j.app->tools().rAnalysis.get()));

    // The browser's tools: references of a plot, calibration and uncertainty of an
    // experiment (the entries of its menus emit these requests).
    QVERIFY(j.press(Command::PlotSelection));
    j.browser().loadPlot(101);
    j.browser().basicInfoPage()->findChild<QPushButton*>("showReferences")->click();
    QVERIFY(shown_then_closed(j.app->tools().referenceList.get()));
    emit j.browser().calibrationRequested("Bad Lauchstädt", "1");
    QVERIFY(shown_then_closed(j.browser().findChild<vt::gui::CalibrationDialog*>()));
    emit j.browser().uncertaintyRequested("Bad Lauchstädt", "1");
    QVERIFY(shown_then_closed(j.browser().findChild<vt::gui::UncertaintyDialog*>()));
    emit j.browser().nitrogenBalanceRequested();
    QVERIFY(shown_then_closed(j.app->resultsMenu().nbalance));

    // "End" with the browser still open: the program ends, exit code 0, the connection closed.
    QVERIFY(j.browser().isVisible());
    QCOMPARE(j.run([&j] { j.press(Command::End); }), 0);
    QVERIFY(!j.main().session().isOpen());
    j.app.reset();  // every window goes, each by its one owner
}

void TestApplication::closingTheMainWindowEndsTheProgram()
{
    AppJourney j;
    QCOMPARE(j.run([&j] {
        j.press(Command::PlotSelection);
        j.browser().loadPlot(101);
        j.main().close();
    }), 0);
    QVERIFY(!j.main().session().isOpen());
    j.app.reset();
}

// Plot Selection; load plot 101; rename it; "model run (plot)": that plot's rows are
// there and no other's, the tree shows the new name, the yearly balance is in front and
// "C-dynamics" holds the plot's series. (The run's "repeat" and "from" join this journey
// with the browser's run fields.)
void TestApplication::plotRunFromTheBrowser()
{
    AppJourney j;
    QVERIFY(j.showMain());
    QVERIFY(j.press(Command::PlotSelection));
    QVERIFY(QTest::qWaitForWindowExposed(&j.browser()));
    j.browser().loadPlot(101);
    auto* page = j.browser().basicInfoPage();
    auto* name = page->findChild<QLineEdit*>("name");
    name->setText("Journey plot");
    emit name->editingFinished();
    page->findChild<QPushButton*>("updateChanges")->click();
    QCOMPARE(QString::fromStdString(j.db()->scalar("select site_description from field_description where fl_id=101")
                                        .toString()),
             QString("Journey plot"));

    auto* run = page->findChild<QPushButton*>("modelRun");
    QVERIFY(run->isVisible() && run->isEnabled());
    run->click();
    QVERIFY(QTest::qWaitFor([&] { return !j.app->browserResults().runs->busy() && !j.main().runActive(); }, 60000));
    QVERIFY(j.count("select count(*) from sim_result where fl_id=101") > 0);
    QCOMPARE(j.count("select count(*) from sim_result where fl_id<>101"), 0LL);
    QVERIFY(tree_shows(j.browser().treeView()->model(), "Journey plot"));

    // A plot with an initialisation ("i_con" not "null") shows its yearly balance after
    // its run; "C-dynamics" holds its observed and simulated series.
    auto* pages = j.app->browserResults().pages;
    QCOMPARE(j.browser().pageTabs()->currentWidget(), static_cast<QWidget*>(pages->turnover()));
    QVERIFY(!pages->turnover()->rows().rows.empty());
    QVERIFY(pages->showPage("C-dynamics"));
    QChart* chart = pages->carbon()->chartView()->chart();
    QVERIFY(!chart->series().isEmpty());
    QCOMPARE(pages->plot(), 101LL);
    QCOMPARE(j.run([&j] { j.press(Command::End); }), 0);
}

// "database simulation" with no plot loaded: the selection lists every plot, none
// ticked; two ticked and run: results for those two only.
void TestApplication::databaseSimulationOfTwoTickedPlots()
{
    AppJourney j;
    QVERIFY(j.showMain());
    QVERIFY(j.press(Command::PlotSelection));
    emit j.browser().databaseSimulationRequested();
    auto* panel = j.app->browserResults().runs->panel();
    QCOMPARE(j.browser().pageTabs()->currentWidget(), static_cast<QWidget*>(panel));
    QCOMPARE(static_cast<long long>(panel->list()->count()), j.count("select count(*) from field_description"));
    QVERIFY(panel->tickedPlots().isEmpty());
    QList<long long> ticked;
    for (int row : {0, 2}) {
        panel->list()->item(row)->setCheckState(Qt::Checked);
    }
    ticked = panel->tickedPlots();
    QCOMPARE(ticked.size(), 2);
    panel->runButton()->click();
    QVERIFY(QTest::qWaitFor([&] { return !j.app->browserResults().runs->busy() && !j.main().runActive(); }, 60000));
    QCOMPARE(j.count("select count(distinct fl_id) from sim_result"), 2LL);
    for (long long plot : ticked)
        QVERIFY(j.count("select count(*) from sim_result where fl_id=" + std::to_string(plot)) > 0);
    QCOMPARE(j.run([&j] { j.press(Command::End); }), 0);
}

// "veltrano DB=... GO nw": the exit code tells the script what happened, as the command
// line's run does.
void TestApplication::batchExitCodes_data()
{
    QTest::addColumn<QByteArray>("prepare");
    QTest::addColumn<int>("code");
    QTest::newRow("every plot simulated") << QByteArray() << 0;
    QTest::newRow("nothing selected") << QByteArray("update site_state set status=0") << 1;
    QTest::newRow("a plot skipped") << QByteArray("delete from cultivation where fl_id=101") << 3;
}

void TestApplication::batchExitCodes()
{
    QFETCH(QByteArray, prepare);
    QFETCH(int, code);
    vt::test::GuiSandbox box;
    const auto db = box.file("batch.db");
    vt::workbench::create_demo_file(db);
    if (!prepare.isEmpty()) vt::db::Connection(db).executeScript(prepare.toStdString());
    box.settings(db);
    Application app(box.env({"DB=" + QString::fromStdString(db), "GO", "nw"}));
    QCOMPARE(app.exec(), code);
    QVERIFY(!app.mainWindow().session().isOpen());
    if (code == 0) {
        QVERIFY(QFileInfo::exists(box.path("rux_report.txt")));
        QVERIFY(vt::db::Connection(db).scalar("select count(distinct fl_id) from sim_result").toInt() > 1);
    }
}

// A batch whose DB= names a missing file ends with 1 and the message, and leaves the
// database used last alone; an interactive start still falls back to it.
void TestApplication::batchWithMissingDatabaseRunsNothing()
{
    AppJourney j({"DB=missing.db", "GO", "nw"});  // the sandbox is the working folder
    QCOMPARE(j.run(), 1);
    QVERIFY(!j.main().session().isOpen());
    QCOMPARE(vt::db::Connection(j.demo).scalar("select count(*) from sim_result").toInt(), 0);
    QVERIFY(!std::filesystem::exists(j.box.file("missing.db")));
    QVERIFY(!QFileInfo::exists(j.box.path("rux_report.txt")));

    j.start({"DB=missing.db"});
    QVERIFY(j.showMain());
    QCOMPARE(QString::fromStdString(j.main().session().path()), QString::fromStdString(j.demo));
    QCOMPARE(j.run([&j] { j.press(Command::End); }), 0);

    // A file that exists but is no database: the batch ends with 1 as well.
    j.box.write("broken.db", "this is not a database");
    j.start({"DB=" + j.box.path("broken.db"), "GO", "nw"});
    QCOMPARE(j.run(), 1);
    QCOMPARE(vt::db::Connection(j.demo).scalar("select count(*) from sim_result").toInt(), 0);
}

// SIGTERM while a batch runs: "STOP RUN", then the program ends with a non-zero code.
void TestApplication::stopSignalDuringBatchEndsNonZero()
{
    AppJourney j({"GO", "nw"}, run_until_stopped());
    vt::gui::install_stop_signals(*j.app);
    QObject::connect(&j.app->simulator(), &vt::gui::SimulatorWindow::runningChanged, &j.main(), [](bool running) {
        if (running) std::raise(SIGTERM);
    });
    QCOMPARE(j.run(), 1);
    QVERIFY(j.app->simulator().hasResult());
    QCOMPARE(j.app->simulator().lastResult().outcome, vt::engine::RunOutcome::Stopped);
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
