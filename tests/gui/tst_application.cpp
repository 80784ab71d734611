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
#include "gui/browser/management_page.h"
#include "gui/browser/observation_page.h"
#include "gui/climate/climate_window.h"
#include "gui/params/parameter_viewer_dialog.h"
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

#include <QAbstractAxis>
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QChart>
#include <QChartView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTreeWidget>
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
using vt::gui::DialogHooks;
using vt::gui::MainWindow;
using Command = vt::gui::MainWindow::Command;

namespace {

// One user's session: a sandbox (own settings, working folder) with a copy of the demo
// database that the settings name as the database used last, and the program built on it.
class AppJourney {
public:
    explicit AppJourney(const QStringList& args = {}, vt::gui::RunThread::RunFunction run = {},
                        const QByteArray& settings = {})
    {
        demo = box.file("rux_demo.db");
        vt::workbench::create_demo_file(demo);
        box.settings(demo, settings);
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
    // Main window shown, "Plot Selection" pressed: the browser in front.
    bool openBrowser()
    {
        return showMain() && press(Command::PlotSelection) && QTest::qWaitForWindowExposed(&browser());
    }
    // Waits until the browser's run and the simulator are done.
    bool runsDone() const
    {
        return QTest::qWaitFor([this] { return !app->browserResults().runs->busy() && !main().runActive(); }, 60000);
    }
    // Clicks the plot's node in the browser's tree as a user does.
    void click(long long flId)
    {
        auto* tree = browser().treeView();
        const auto index = browser().treeModel()->findPlot(flId);
        QVERIFY(index.isValid());
        tree->expand(index.parent().parent());
        tree->expand(index.parent());
        tree->scrollTo(index);
        QApplication::processEvents();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
    }
    // An entry of the node's menu (a right press), or null.
    QAction* menuAction(const QModelIndex& index, const char* name)
    {
        QMenu* menu = browser().pressNode(index, Qt::RightButton);
        return menu ? menu->findChild<QAction*>(name) : nullptr;
    }
    bool tabShown(QWidget* page) const
    {
        const int i = browser().pageTabs()->indexOf(page);
        return i >= 0 && browser().pageTabs()->isTabVisible(i);
    }
    template <class T> T* child(QWidget* w, const char* name) const { return w->findChild<T*>(name); }

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
    void nullPlotGivenAnInitialObservationRuns();
    void selectionRunsWithNoPlotLoaded();
    void honestUnitsAndShortNumbers();
    void managementOfTillageAndIrrigation();
    void itemParametersByRightPress();
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

// Plot Selection; click plot 101; "model run (plot)": that plot's rows are there and no
// other's, the yearly balance is in front and "C-dynamics" holds the plot's series. Then
// the user renames the plot and asks for the sequence once more from 1902 without saving
// first: the run saves Basic-Info's edits, takes its "repeat" and "from" (two cycles of
// rows), and the tree and the chart show the new name.
void TestApplication::plotRunFromTheBrowser()
{
    AppJourney j;
    QVERIFY(j.openBrowser());
    j.click(101);
    auto* page = j.browser().basicInfoPage();
    auto* run = j.child<QPushButton>(page, "modelRun");
    QVERIFY(run->isVisible() && run->isEnabled());
    run->click();  // repeat 0
    QVERIFY(j.runsDone());
    const long long once = j.count("select count(*) from rux_nresult where fl_id=101");
    QVERIFY(once > 100);
    QVERIFY(j.count("select count(*) from sim_result where fl_id=101") > 0);
    QCOMPARE(j.count("select count(*) from sim_result where fl_id<>101"), 0LL);

    // A plot with an initialisation ("i_con" not "null") shows its yearly balance after
    // its run; "C-dynamics" holds its observed and simulated series.
    auto* pages = j.app->browserResults().pages;
    QCOMPARE(j.browser().pageTabs()->currentWidget(), static_cast<QWidget*>(pages->turnover()));
    QVERIFY(!pages->turnover()->rows().rows.empty());
    QVERIFY(pages->showPage("C-dynamics"));
    QVERIFY(!pages->carbon()->chartView()->chart()->series().isEmpty());
    QCOMPARE(pages->plot(), 101LL);

    j.browser().showPage("Basic-Info");
    auto* name = j.child<QLineEdit>(page, "name");
    name->setText("no fertiliser, repeated");
    emit name->editingFinished();
    j.child<QSpinBox>(page, "repeat")->setValue(1);
    j.child<QLineEdit>(page, "from")->setText("1902");
    run->click();
    QVERIFY(j.runsDone());
    QCOMPARE(j.count("select count(*) from rux_nresult where fl_id=101"), 2 * once);
    QCOMPARE(j.db()->scalar("select site_description from field_description where fl_id=101").toString(),
             std::string("no fertiliser, repeated"));
    QCOMPARE(j.count("select rep_cnt from field_description where fl_id=101"), 19021LL);
    // The tree, reloaded after the run, shows the new name; the chart shows the same.
    QCOMPARE(j.browser().treeModel()->findPlot(101).data().toString(), QString("no fertiliser, repeated"));
    QCOMPARE(j.child<QLineEdit>(page, "name")->text(), QString("no fertiliser, repeated"));
    QVERIFY(pages->carbon()->chartView()->chart()->title().contains("no fertiliser, repeated"));
    QCOMPARE(j.child<QSpinBox>(page, "repeat")->value(), 1);
    QCOMPARE(j.run([&j] { j.press(Command::End); }), 0);
}

// "database simulation" with no plot loaded: the selection lists every plot, none
// ticked; two ticked and run: results for those two only.
void TestApplication::databaseSimulationOfTwoTickedPlots()
{
    AppJourney j;
    QVERIFY(j.showMain());
    QVERIFY(j.press(Command::PlotSelection));
    QAction* database = j.menuAction(j.browser().treeModel()->rootIndex(), "databaseSimulation");
    QVERIFY(database && database->isEnabled());
    database->trigger();
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
    QCOMPARE(j.browser().pageTabs()->indexOf(panel), -1);  // done: the panel goes
    QCOMPARE(j.run([&j] { j.press(Command::End); }), 0);
}

// A plot as "add a new plot" leaves it ("null" initialisation, no initial observation):
// switched to "obsval", its initial carbon entered on "Observation", then run.
void TestApplication::nullPlotGivenAnInitialObservationRuns()
{
    AppJourney j;
    QVERIFY(j.openBrowser());
    // A plot as "add a new plot" makes it: no initial state, no initial observation.
    const double initial = j.db()->scalar("select meas_value from measurements where fl_id=104 and m_ix=7 and year_number=0").toDouble();
    QVERIFY(initial > 0);
    j.db()->execute("delete from measurements where fl_id=104 and year_number=0");
    j.db()->execute("update field_description set i_con='null' where fl_id=104");
    j.click(104);
    auto* basic = j.browser().basicInfoPage();
    auto* init = j.child<QComboBox>(basic, "initialisation");
    QCOMPARE(init->currentText(), QString("null"));
    QCOMPARE(j.main().state().modus, std::string("ACC"));
    QVERIFY(!j.tabShown(j.browser().observationPage()));
    QVERIFY(init->isEnabled());

    // "obsval": the page for observations is there at once.
    init->setCurrentIndex(init->findText("obsval"));
    emit init->activated(init->currentIndex());
    QVERIFY(j.tabShown(j.browser().observationPage()));
    QCOMPARE(j.main().state().modus, std::string("RUX"));

    // The initial carbon, entered on "Observation".
    j.browser().showPage("Observation");
    auto* obs = j.browser().observationPage();
    auto* property = j.child<QComboBox>(obs, "property");
    property->setCurrentIndex(property->findData(7));
    j.child<QRadioButton>(obs, "insertMode")->setChecked(true);
    j.child<QDateEdit>(obs, "date")->setDate(QDate(1902, 3, 1));
    j.child<QLineEdit>(obs, "value")->setText(QLocale().toString(initial));
    j.child<QCheckBox>(obs, "initialValue")->setChecked(true);
    QTest::mouseClick(j.child<QPushButton>(obs, "store"), Qt::LeftButton);
    const QStringList messages = vt::gui::DialogHooks::takeMessages();
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    QCOMPARE(j.count("select count(*) from measurements where fl_id=104 and m_ix=7 and year_number=0"), 1LL);

    // The run stores the initialisation first and simulates from the observation.
    j.browser().showPage("Basic-Info");
    j.child<QPushButton>(basic, "modelRun")->click();
    QVERIFY(j.runsDone());
    QCOMPARE(j.db()->scalar("select i_con from field_description where fl_id=104").toString(), std::string("obsval"));
    QVERIFY(j.count("select count(*) from sim_result where fl_id=104 and m_ix=7") > 50);
    QCOMPARE(j.main().state().modus, std::string("RUX"));
    QVERIFY(j.tabShown(j.app->browserResults().pages->carbon()));
    QCOMPARE(j.browser().pageTabs()->currentWidget(), static_cast<QWidget*>(j.app->browserResults().pages->turnover()));
}

// The selection panel comes when a selection run is chosen and goes when it is closed or
// done: "database simulation" and "experiment simulation" with no plot loaded, then beside
// a loaded plot's pages.
void TestApplication::selectionRunsWithNoPlotLoaded()
{
    AppJourney j;
    QVERIFY(j.openBrowser());
    auto* tabs = j.browser().pageTabs();
    auto* panel = j.app->browserResults().runs->panel();
    QCOMPARE(tabs->indexOf(panel), -1);  // no selection chosen: no panel
    QVERIFY(!j.browser().pagesShown());

    // "database simulation" from the root node: the panel alone, in front.
    QAction* database = j.menuAction(j.browser().treeModel()->rootIndex(), "databaseSimulation");
    QVERIFY(database && database->isEnabled());
    database->trigger();
    QVERIFY(j.browser().pagesShown());
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(panel));
    QCOMPARE(tabs->tabText(tabs->indexOf(panel)), QString("selection"));
    QVERIFY(!j.tabShown(j.browser().basicInfoPage()));
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->list()->count(), int(j.count("select count(*) from field_description")));
    // "close": it goes without a run.
    QTest::mouseClick(j.child<QPushButton>(panel, "close"), Qt::LeftButton);
    QCOMPARE(tabs->indexOf(panel), -1);
    QVERIFY(!j.browser().pagesShown());

    // "experiment simulation" of Sandhof: one plot ticked and run; then the panel goes.
    const auto root = j.browser().treeModel()->rootIndex();
    QModelIndex sandhof;
    for (int e = 0; e < j.browser().treeModel()->rowCount(root); ++e)
        if (j.browser().treeModel()->location(j.browser().treeModel()->index(e, 0, root)) == "Sandhof")
            sandhof = j.browser().treeModel()->index(e, 0, root);
    QVERIFY(sandhof.isValid());
    j.menuAction(sandhof, "experimentSimulation")->trigger();
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(panel));
    QCOMPARE(panel->caption(), QString("Sandhof"));
    panel->list()->item(0)->setCheckState(Qt::Checked);
    const long long plot = panel->tickedPlots().value(0);
    QTest::mouseClick(panel->runButton(), Qt::LeftButton);
    QVERIFY(j.runsDone());
    QVERIFY(j.count("select count(*) from sim_result where fl_id=" + std::to_string(plot)) > 0);
    QCOMPARE(j.count("select count(*) from sim_result where fl_id<>" + std::to_string(plot)), 0LL);
    QCOMPARE(tabs->indexOf(panel), -1);
    QVERIFY(!j.browser().pagesShown());

    // With a plot loaded the panel stands beside its pages and leaves them as they were.
    j.click(101);
    j.menuAction(root, "databaseSimulation")->trigger();
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(panel));
    QVERIFY(j.tabShown(j.browser().basicInfoPage()));
    QTest::mouseClick(j.child<QPushButton>(panel, "close"), Qt::LeftButton);
    QCOMPARE(tabs->indexOf(panel), -1);
    QVERIFY(j.tabShown(j.browser().basicInfoPage()));
    QCOMPARE(j.browser().currentPlot(), 101LL);
}

// In both languages: OM-turnover's soil carbon in kg/ha, the micr.BM axis in the unit of
// its values, statistics in their shortest form, the selection panel translated.
void TestApplication::honestUnitsAndShortNumbers()
{
    for (const QByteArray language : {"E", "D"}) {
        AppJourney j({}, {}, "language=" + language + "\n");
        QVERIFY(j.openBrowser());
        j.click(101);
        j.child<QPushButton>(j.browser().basicInfoPage(), "modelRun")->click();
        QVERIFY(j.runsDone());
        // OM-turnover: soil carbon in kg/ha (values of tens of thousands), in both languages.
        auto* turnover = j.app->browserResults().pages->turnover();
        const QString title = turnover->grid()->model()->headerData(5, Qt::Horizontal).toString();
        QVERIFY2(title.endsWith("[kg/ha]"), qPrintable(title));
        const auto& rows = turnover->rows();
        const int soilCarbon = rows.column("soilcarbon");
        QVERIFY(soilCarbon >= 0 && !rows.rows.empty());
        QVERIFY(vt::eval::cell(rows.rows.front(), soilCarbon).toDouble() > 10000);
        // micr.BM: the value axis takes the unit of the property table, which is the unit
        // of the simulated c_mic and of the observations (mg C per 100 g of soil).
        auto* microbial = j.app->browserResults().pages->microbial();
        const auto axes = microbial->chartView()->chart()->axes(Qt::Vertical);
        QVERIFY(!axes.isEmpty());
        QCOMPARE(axes.first()->titleText(), QString("Cmic [mg C/100 g]"));
        // Statistics in their shortest form: no tail of binary noise.
        for (const QString& line : j.app->browserResults().pages->carbon()->statistics()) {
            QVERIFY2(!line.contains("99999") && !line.contains("00000"), qPrintable(line));
            QVERIFY2(!line.contains("e-2"), qPrintable(line));
        }
        // The selection panel's page speaks the interface's language.
        j.menuAction(j.browser().treeModel()->rootIndex(), "databaseSimulation")->trigger();
        auto* tabs = j.browser().pageTabs();
        QCOMPARE(tabs->tabText(tabs->indexOf(j.app->browserResults().runs->panel())), QString(language == "D" ? "Auswahl" : "selection"));
    }
}

// "Management" of plot 301: tillage and irrigation events name no subject ("-", never
// "?"), the filter "soil tillage" lists them, and they offer no item choice.
void TestApplication::managementOfTillageAndIrrigation()
{
    AppJourney j;
    QVERIFY(j.openBrowser());
    j.click(301);
    auto* page = j.browser().managementPage();
    j.browser().showPage("Management");
    auto* grid = j.child<QTableView>(page, "grid");
    QVERIFY(grid);
    const auto* model = grid->model();
    // Tillage (5) and irrigation (7) events have no item: their subject reads "-".
    int without = 0;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString action = model->index(r, 1).data().toString();
        if (action == "soil tillage" || action == "irrigation") {
            QCOMPARE(model->index(r, 2).data().toString(), QString("-"));
            ++without;
        }
        QVERIFY2(model->index(r, 2).data().toString() != "?", qPrintable(action));
    }
    QCOMPARE(without, int(j.count("select count(*) from cultivation where fl_id=301 and macode in (5, 7)")));
    QVERIFY(without > 0);
    // "soil tillage" lists the plot's tillage events.
    auto* filter = j.child<QComboBox>(page, "filter");
    filter->setCurrentIndex(4);
    emit filter->activated(4);
    QCOMPARE(page->rowCount(), int(j.count("select count(*) from cultivation where fl_id=301 and macode in (5, 14)")));
    QVERIFY(page->rowCount() > 0);
    // A tillage event shown: no item choice, its depth in cm.
    grid->setCurrentIndex(model->index(0, 0));
    QVERIFY(!j.child<QComboBox>(page, "item")->isVisibleTo(page));
    QVERIFY(j.child<QLineEdit>(page, "intensity")->isVisibleTo(page));
    // Choosing the action shows the same fields as the stored event does.
    auto* action = j.child<QComboBox>(page, "action");
    action->setCurrentIndex(action->findData(5));
    emit action->activated(action->currentIndex());
    QVERIFY(!j.child<QComboBox>(page, "item")->isVisibleTo(page));
}

// A right press on the item choice opens the parameters of the event's crop or amendment.
void TestApplication::itemParametersByRightPress()
{
    AppJourney j;
    QVERIFY(j.openBrowser());
    j.click(301);
    auto* page = j.browser().managementPage();
    j.browser().showPage("Management");
    auto* grid = j.child<QTableView>(page, "grid");
    auto* item = j.child<QComboBox>(page, "item");
    // The first harvest of the plot: its crop's parameters.
    const auto* model = grid->model();
    int harvest = -1, amendment = -1;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString action = model->index(r, 1).data().toString();
        if (harvest < 0 && action.startsWith("harvest")) harvest = r;
        if (amendment < 0 && action == "organic amendment") amendment = r;
    }
    QVERIFY(harvest >= 0 && amendment >= 0);
    grid->setCurrentIndex(model->index(harvest, 0));
    QTest::mousePress(item, Qt::RightButton);
    auto* crops = j.main().cropViewer();
    QVERIFY(crops->isVisible());
    QCOMPARE(crops->windowTitle(), QString("gldpflan"));
    QVERIFY(crops->tree()->topLevelItemCount() > 0);
    crops->close();
    grid->setCurrentIndex(model->index(amendment, 0));
    QTest::mousePress(item, Qt::RightButton);
    auto* amendments = j.main().amendmentViewer();
    QVERIFY(amendments->isVisible());
    QCOMPARE(amendments->windowTitle(), QString("gldopspa"));
    QVERIFY(amendments->tree()->topLevelItemCount() > 0);
    amendments->close();
    QVERIFY(DialogHooks::takeMessages().isEmpty());
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
