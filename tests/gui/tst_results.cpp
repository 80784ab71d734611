// The result pages after a run started from the browser: the pairs, chart series and
// statistics of "C-dynamics", the selection run, the reports as PDF, the grid exports
// and the error window of a plot whose input rows are invalid.
#include "gui/gui_support.h"
#include "gui/app/main_window.h"
#include "workbench/database_upkeep.h"
#include "gui/browser/basic_info_page.h"
#include "gui/browser/browser_window.h"
#include "gui/browser/observation_page.h"
#include "gui/results/browser_results.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/results_menu.h"
#include "gui/results/grid_export.h"
#include "gui/results/result_pages.h"
#include "gui/results/background_task.h"
#include "gui/results/statistics_update.h"
#include "gui/simulator/simulator_window.h"
#include "gui/widgets/error_list_window.h"

#include <QAbstractAxis>
#include <QChart>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeView>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QProcess>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using vt::gui::BrowserRunController;
using vt::gui::DynamicsPage;
using vt::gui::MainWindow;
using vt::gui::QuantityPage;
using vt::gui::ResultPageSet;
using vt::gui::SimulatorWindow;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SimulatorWindow> sim;
    QTabWidget tabs;
    std::unique_ptr<ResultPageSet> pages;
    std::unique_ptr<BrowserRunController> runs;
    QStringList opened;

    Fixture()
    {
        vt::workbench::create_demo_file(box.file("demo.db"));
        box.settings(box.file("demo.db"));
        window = std::make_unique<MainWindow>(box.env());
        sim = std::make_unique<SimulatorWindow>(*window, SimulatorWindow::driverRun());
        window->setSimulator(sim.get());
        window->connectAtShow();
        pages = std::make_unique<ResultPageSet>(false);
        pages->setDatabase(db(), box.path("demo.db"));
        pages->addPagesTo(&tabs);
        runs = std::make_unique<BrowserRunController>(*window, *sim);
        runs->setResultPages(pages.get());
        vt::gui::set_desktop_opener([this](const QString& path) { opened << path; });
    }
    ~Fixture() { vt::gui::set_desktop_opener({}); }
    vt::db::Connection* db() { return window->session().connection(); }
    long long count(const char* sql) { return db()->scalar(sql).toInt(); }
};

// The windows joined as the application joins them: the browser with its result pages and
// runs, the simulator and the result tools.
struct Assembled {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<SimulatorWindow> sim;
    std::unique_ptr<vt::gui::BrowserWindow> browser;
    vt::gui::BrowserResults results;

    explicit Assembled(const QByteArray& language = "E")
    {
        vt::workbench::create_demo_file(box.file("demo.db"));
        box.settings(box.file("demo.db"), "language=" + language + "\n");
        main = std::make_unique<MainWindow>(box.env());
        sim = std::make_unique<SimulatorWindow>(*main, SimulatorWindow::driverRun());
        main->setSimulator(sim.get());
        main->connectAtShow();
        const auto tools = vt::gui::install_results_menu(*main, *sim);
        browser = std::make_unique<vt::gui::BrowserWindow>(*main);
        results = vt::gui::install_browser_results(*main, *sim, *browser, tools);
        browser->show();
    }
    ~Assembled()
    {
        // The set first: its pages stay in the browser's tabs and go with them.
        delete results.pages;
        browser.reset();
    }
    vt::db::Connection* db() { return main->session().connection(); }
    long long count(const std::string& sql) { return db()->scalar(sql).toInt(); }
    template <class T> T* child(QWidget* w, const char* name) { return w->findChild<T*>(name); }
    void click(long long flId)
    {
        const auto index = browser->treeModel()->findPlot(flId);
        QVERIFY(index.isValid());
        browser->treeView()->expand(index.parent().parent());
        browser->treeView()->expand(index.parent());
        browser->treeView()->scrollTo(index);
        QApplication::processEvents();
        QTest::mouseClick(browser->treeView()->viewport(), Qt::LeftButton, {},
                          browser->treeView()->visualRect(index).center());
    }
    QAction* menuAction(const QModelIndex& index, const char* name)
    {
        QMenu* menu = browser->pressNode(index, Qt::RightButton);
        return menu ? menu->findChild<QAction*>(name) : nullptr;
    }
    bool tabShown(QWidget* page) const
    {
        const int i = browser->pageTabs()->indexOf(page);
        return i >= 0 && browser->pageTabs()->isTabVisible(i);
    }
};

QStringList lines_of(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

int points(QChart* chart, int series)
{
    return static_cast<QXYSeries*>(chart->series().at(series))->count();
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void plotRunFillsCarbonPage();
    void selectionRunWithNothingTickedRunsNoPlot();
    void reportsAreWrittenAsPdf();
    void managementReportListsTheFilteredEvents();
    void makeCsvWritesTheGrid();
    void miscFiguresOfAQuantity();
    void invalidInputRowsShowTheErrorWindow();
    void cancelledUpdateStatisticsLeavesTablesWholeOrAsBefore();
    void runWhileTheSimulatorIsOpenOnItsOwn();
    void germanCaptions();
    void plotRunTakesRepeatAndFromAfterSavingTheEdits();
    void nullPlotGivenAnInitialObservationRuns();
    void selectionRunsWithNoPlotLoaded();
    void honestUnitsAndShortNumbers();
};

void TestResults::plotRunFillsCarbonPage()
{
    Fixture f;
    QVERIFY(f.runs->runPlot(101));
    QCOMPARE(f.count("select count(*) from site_state where status=1"), 1LL);
    QVERIFY(f.count("select count(*) from sim_result where fl_id=101") > 0);
    QVERIFY(!f.sim->isVisible());
    QCOMPARE(f.window->state().modus, std::string("RUX"));

    DynamicsPage* c = f.pages->carbon();
    // One grid row per simulated year of the plot, with its observations beside them.
    QCOMPARE(static_cast<long long>(c->rows().rows.size()),
             f.count("select count(*) from sim_result where fl_id=101 and m_ix=7"));
    QCOMPARE(c->grid()->model()->headerData(2, Qt::Horizontal).toString(), QString("MEAS_VALUE"));
    const long long observed = f.count(
        "select count(*) from measurements where fl_id=101 and m_ix=7 and year_number>0");
    auto* chart = c->chartView()->chart();
    QCOMPARE(chart->series().size(), 3);
    QVERIFY(points(chart, 0) > 50);                 // simulated
    QCOMPARE(static_cast<long long>(points(chart, 1) + points(chart, 2)), observed);
    const QStringList stats = c->statistics();
    QVERIFY2(stats.size() > 5, qPrintable(stats.join('\n')));
    QVERIFY(stats.first().startsWith(" N         ="));
    QVERIFY(stats.join('\n').contains(" RMSE     ="));
    QCOMPARE(f.tabs.currentWidget(), static_cast<QWidget*>(f.pages->turnover()));
    QVERIFY(f.pages->turnover()->rows().rows.size() > 50);
}

void TestResults::selectionRunWithNothingTickedRunsNoPlot()
{
    Fixture f;
    f.runs->showDatabaseSelection();
    auto* panel = f.runs->panel();
    QCOMPARE(panel->caption(), QString("choose plots for simulation"));
    QCOMPARE(static_cast<long long>(panel->list()->count()), f.count("select count(*) from field_description"));
    QVERIFY(panel->list()->item(0)->text().startsWith(" 101: Bad Lauchstädt - no fertiliser"));
    panel->tickAll(Qt::Checked);
    panel->invert();
    QVERIFY(panel->tickedPlots().isEmpty());
    f.runs->runSelection();
    QCOMPARE(f.count("select count(*) from site_state where status=1"), 0LL);
    QCOMPARE(f.count("select count(*) from sim_result"), 0LL);

    f.runs->showExperimentSelection("Sandhof");
    QCOMPARE(panel->list()->count(), 3);
    QVERIFY(panel->list()->item(0)->text().contains("  ===>   "));
}

void TestResults::reportsAreWrittenAsPdf()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
    Fixture f;
    QVERIFY(f.runs->runPlot(302));
    DynamicsPage* c = f.pages->carbon();
    const QString pdf = f.box.path("carbon.pdf");
    QVERIFY(c->writeReport(pdf, f.box.path("")));
    if (qEnvironmentVariableIsSet("KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("KEEP_PDF"));
    QVERIFY(QFile::exists(f.box.path("respic.png")));
    QVERIFY(QFile::exists(f.box.path("respic.svg")));
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(p.waitForFinished(20000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains("C-Dynamics"), qPrintable(text));
    for (const auto& line : c->statistics()) {
        const QString key = line.section('=', 0, 0).simplified();
        if (!key.isEmpty()) QVERIFY2(text.contains(key), qPrintable(key + " missing in\n" + text));
    }
    QVERIFY(text.contains(c->statistics().first().simplified().section(' ', -1)));
    QVERIFY(text.contains("observation"));

    const QString management = f.box.path("management.pdf"), site = f.box.path("site.pdf");
    QVERIFY(f.pages->managementReport().writePdf(management));
    QVERIFY(f.pages->siteReport().writePdf(site));
    p.start("pdftotext", {site, "-"});
    QVERIFY(p.waitForFinished(20000));
    const QString siteText = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(siteText.contains("References:") && siteText.contains("CLIMATE_ID="), qPrintable(siteText));

    // "print management" with "save as PDF; no preview": the file the user names, opened.
    vt::gui::DialogHooks::setNextFileName(f.box.path("named.pdf"));
    f.pages->printManagement(nullptr, true);
    QCOMPARE(f.opened.last(), f.box.path("named.pdf"));
    p.start("pdftotext", {f.box.path("named.pdf"), "-"});
    QVERIFY(p.waitForFinished(20000));
    QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains("Bewirtschaftung"));
}

void TestResults::managementReportListsTheFilteredEvents()
{
    Fixture f;
    f.pages->showPlot(302);
    const auto rows = [&](vt::workbench::ManagementFilter filter) {
        return f.pages->managementReport(filter).html.count("<tr>") - 1;  // less the heading
    };
    const auto events = [&](const char* where) {
        return int(f.db()->scalar(std::string("select count(*) from cultivation where fl_id=302") + where).toInt());
    };
    QCOMPARE(rows(vt::workbench::ManagementFilter::All), events(""));
    QCOMPARE(rows(vt::workbench::ManagementFilter::Harvest), events(" and macode in (2, 9)"));
    QCOMPARE(rows(vt::workbench::ManagementFilter::Fertilizer), events(" and macode=4"));
    QVERIFY(events(" and macode in (2, 9)") > 0 && events(" and macode in (2, 9)") < events(""));
}

void TestResults::makeCsvWritesTheGrid()
{
    Fixture f;
    QVERIFY(f.runs->runPlot(101));
    DynamicsPage* c = f.pages->carbon();
    c->exportBar()->makeCsv()->setChecked(true);
    c->exportGrid();
    QCOMPARE(f.opened, QStringList{f.box.path("rux_output.txt")});
    const QStringList lines = lines_of(f.box.path("rux_output.txt"));
    QCOMPARE(lines.first(), QString("N; YEAR_; MEAS_VALUE; SIM_VALUE"));
    QCOMPARE(static_cast<std::size_t>(lines.size()), c->rows().rows.size() + 1);
    QCOMPARE(lines.at(1).count("; "), 3);
    c->exportBar()->makeCsv()->setChecked(false);
    c->exportGrid();
    QCOMPARE(f.opened.last(), f.box.path("rux_output.xlsx"));
    QVERIFY(QFileInfo(f.box.path("rux_output.xlsx")).size() > 0);
}

void TestResults::miscFiguresOfAQuantity()
{
    QuantityPage page(QuantityPage::Kind::Misc, false);
    vt::eval::Table t;
    t.columns = {"year", "n_m_om"};
    t.rows = {{1990, 3.0}, {1991, 7.0}, {1992, 5.0}};
    page.setRows(t);
    page.choose(0);
    QCOMPARE(page.figures(), (QStringList{"Mean=5", "Min=3", "Max=7"}));
    QCOMPARE(points(page.chartView()->chart(), 0), 3);
    page.setRows({});
    QVERIFY(page.figures().isEmpty());
}

void TestResults::invalidInputRowsShowTheErrorWindow()
{
    Fixture f;
    // A soil without bulk density cannot be simulated.
    f.db()->execute("update soilproperties set BD=-5, BD_org=-1, PD=-5, PD_org=-1 where soil_ID=3");
    f.runs->runPlot(301);
    const QStringList rows = f.sim->errorWindow()->rows();
    const QStringList messages = vt::gui::DialogHooks::takeMessages();
    QVERIFY2(!rows.isEmpty(), qPrintable(messages.join('\n')));
    QVERIFY(rows.first().startsWith("FL_ID=301"));
    QVERIFY2(messages.join('\n').contains("missing data for FL_ID301"), qPrintable(messages.join('\n')));
}

void TestResults::cancelledUpdateStatisticsLeavesTablesWholeOrAsBefore()
{
    Fixture f;
    f.runs->showDatabaseSelection();
    f.runs->panel()->tickAll(Qt::Checked);
    f.runs->runSelection();
    int rebuilds = 0;
    vt::gui::StatisticsUpdate update([&f] { return f.db(); }, nullptr);
    update.setRebuildTree([&rebuilds](int mode) { rebuilds += mode == 0; });
    QVERIFY(update.updateStatistics(vt::eval::Phase::All));
    QCOMPARE(rebuilds, 1);
    auto snapshot = [&f] {
        return f.db()->scalar("select group_concat(FL_ID || ':' || n || ':' || rms, ',') from "
                              "(select * from rux_stat_corg order by FL_ID)").toString() + "|" +
               f.db()->scalar("select group_concat(FL_ID || ':' || n, ',') from "
                              "(select * from rux_stat_nt order by FL_ID)").toString();
    };
    const std::string whole = snapshot();
    QVERIFY(f.db()->scalar("select count(*) from rux_stat_corg where n > 1").toInt() >= 9);

    // "cancel" pressed while the walk is going on: the tables are as before (the walk of
    // another phase was rolled back) or complete, never half-written.
    QTimer::singleShot(0, update.task(), &vt::gui::BackgroundTask::cancel);
    const bool completed = update.updateStatistics(vt::eval::Phase::Late);
    QCOMPARE(completed, !update.lastResult().cancelled);
    const std::string afterCancel = snapshot();
    if (!completed) QCOMPARE(afterCancel, whole);
    // Once more, completed: the late years give other statistics than all records.
    QVERIFY(update.updateStatistics(vt::eval::Phase::Late));
    const std::string late = snapshot();
    if (completed) QCOMPARE(afterCancel, late);
    QVERIFY(late != whole);
    QVERIFY(update.treeWalk(1, vt::eval::Phase::All));
    QCOMPARE(snapshot(), whole);
    QVERIFY(!update.treeWalk(7, vt::eval::Phase::All));
    QVERIFY(update.refreshOutlierIndication());
    QVERIFY(f.db()->scalar("select count(*) from tmp_outlist").toInt() >= 1);
}

void TestResults::runWhileTheSimulatorIsOpenOnItsOwn()
{
    Fixture f;
    f.sim->show();  // opened from the main window's menu, no run yet
    QVERIFY(f.runs->runPlot(203, "-99", "0"));
    QVERIFY(f.count("select count(*) from sim_result where fl_id=203") > 0);
    QVERIFY(!f.runs->runPlot(203, "x", "0"));  // a "from" that is no integer is refused
    QVERIFY(vt::gui::DialogHooks::takeMessages().join('\n').contains("'x' is not a valid integer value"));
}

void TestResults::germanCaptions()
{
    Fixture f;
    QVERIFY(f.runs->runPlot(101));
    QTabWidget tabs;
    ResultPageSet german(true);
    german.setDatabase(f.db());
    german.addPagesTo(&tabs);
    QVERIFY(german.showPlot(101));
    QCOMPARE(tabs.tabText(0), QString("Ergebnisse: Corg"));
    QVERIFY(!tabs.isTabVisible(tabs.indexOf(german.misc())));  // no "misc.results" in German
    QCOMPARE(german.carbon()->grid()->model()->headerData(3, Qt::Horizontal).toString(), QString("modelliert"));
    QVERIFY(german.carbon()->findChild<QListWidget*>("statistics")->isHidden());
    QVERIFY(german.showPage("OM-turnover"));
    QCOMPARE(tabs.tabText(tabs.currentIndex()), QString("Humusbilanz"));
    QCOMPARE(german.turnover()->grid()->model()->headerData(1, Qt::Horizontal).toString(),
             QString("Hum.aufb[kgC/ha/a]"));
}

void TestResults::plotRunTakesRepeatAndFromAfterSavingTheEdits()
{
    Assembled f;
    f.click(101);
    auto* basic = f.browser->basicInfoPage();
    auto* run = f.child<QPushButton>(basic, "modelRun");
    QVERIFY(run->isVisible() && run->isEnabled());
    run->click();  // repeat 0
    const long long once = f.count("select count(*) from rux_nresult where fl_id=101");
    QVERIFY(once > 100);

    // The user renames the plot, asks for the sequence once more from 1902 and runs.
    auto* name = f.child<QLineEdit>(basic, "name");
    name->setText("no fertiliser, repeated");
    emit name->editingFinished();
    f.child<QSpinBox>(basic, "repeat")->setValue(1);
    f.child<QLineEdit>(basic, "from")->setText("1902");
    run->click();
    QCOMPARE(f.count("select count(*) from rux_nresult where fl_id=101"), 2 * once);
    QCOMPARE(f.db()->scalar("select site_description from field_description where fl_id=101").toString(),
             std::string("no fertiliser, repeated"));
    QCOMPARE(f.count("select rep_cnt from field_description where fl_id=101"), 19021LL);
    // The tree, reloaded after the run, shows the new name; the chart shows the same.
    QCOMPARE(f.browser->treeModel()->findPlot(101).data().toString(), QString("no fertiliser, repeated"));
    QCOMPARE(f.child<QLineEdit>(basic, "name")->text(), QString("no fertiliser, repeated"));
    QVERIFY(f.results.pages->carbon()->chartView()->chart()->title().contains("no fertiliser, repeated"));
    QCOMPARE(f.child<QSpinBox>(basic, "repeat")->value(), 1);
}

void TestResults::nullPlotGivenAnInitialObservationRuns()
{
    Assembled f;
    // A plot as "add a new plot" makes it: no initial state, no initial observation.
    const double initial = f.db()->scalar("select meas_value from measurements where fl_id=104 and m_ix=7 and year_number=0").toDouble();
    QVERIFY(initial > 0);
    f.db()->execute("delete from measurements where fl_id=104 and year_number=0");
    f.db()->execute("update field_description set i_con='null' where fl_id=104");
    f.click(104);
    auto* basic = f.browser->basicInfoPage();
    auto* init = f.child<QComboBox>(basic, "initialisation");
    QCOMPARE(init->currentText(), QString("null"));
    QCOMPARE(f.main->state().modus, std::string("ACC"));
    QVERIFY(!f.tabShown(f.browser->observationPage()));
    QVERIFY(init->isEnabled());

    // "obsval": the page for observations is there at once.
    init->setCurrentIndex(init->findText("obsval"));
    emit init->activated(init->currentIndex());
    QVERIFY(f.tabShown(f.browser->observationPage()));
    QCOMPARE(f.main->state().modus, std::string("RUX"));

    // The initial carbon, entered on "Observation".
    f.browser->showPage("Observation");
    auto* obs = f.browser->observationPage();
    auto* property = f.child<QComboBox>(obs, "property");
    property->setCurrentIndex(property->findData(7));
    f.child<QRadioButton>(obs, "insertMode")->setChecked(true);
    f.child<QDateEdit>(obs, "date")->setDate(QDate(1902, 3, 1));
    f.child<QLineEdit>(obs, "value")->setText(QLocale().toString(initial));
    f.child<QCheckBox>(obs, "initialValue")->setChecked(true);
    QTest::mouseClick(f.child<QPushButton>(obs, "store"), Qt::LeftButton);
    const QStringList messages = vt::gui::DialogHooks::takeMessages();
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    QCOMPARE(f.count("select count(*) from measurements where fl_id=104 and m_ix=7 and year_number=0"), 1LL);

    // The run stores the initialisation first and simulates from the observation.
    f.browser->showPage("Basic-Info");
    f.child<QPushButton>(basic, "modelRun")->click();
    QCOMPARE(f.db()->scalar("select i_con from field_description where fl_id=104").toString(), std::string("obsval"));
    QVERIFY(f.count("select count(*) from sim_result where fl_id=104 and m_ix=7") > 50);
    QCOMPARE(f.main->state().modus, std::string("RUX"));
    QVERIFY(f.tabShown(f.results.pages->carbon()));
    QCOMPARE(f.browser->pageTabs()->currentWidget(), static_cast<QWidget*>(f.results.pages->turnover()));
}

void TestResults::selectionRunsWithNoPlotLoaded()
{
    Assembled f;
    auto* tabs = f.browser->pageTabs();
    auto* panel = f.results.runs->panel();
    QCOMPARE(tabs->indexOf(panel), -1);  // no selection chosen: no panel
    QVERIFY(!f.browser->pagesShown());

    // "database simulation" from the root node: the panel alone, in front.
    QAction* database = f.menuAction(f.browser->treeModel()->rootIndex(), "databaseSimulation");
    QVERIFY(database && database->isEnabled());
    database->trigger();
    QVERIFY(f.browser->pagesShown());
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(panel));
    QCOMPARE(tabs->tabText(tabs->indexOf(panel)), QString("selection"));
    QVERIFY(!f.tabShown(f.browser->basicInfoPage()));
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->list()->count(), int(f.count("select count(*) from field_description")));
    // "close": it goes without a run.
    QTest::mouseClick(f.child<QPushButton>(panel, "close"), Qt::LeftButton);
    QCOMPARE(tabs->indexOf(panel), -1);
    QVERIFY(!f.browser->pagesShown());

    // "experiment simulation" of Sandhof: one plot ticked and run; then the panel goes.
    const auto root = f.browser->treeModel()->rootIndex();
    QModelIndex sandhof;
    for (int e = 0; e < f.browser->treeModel()->rowCount(root); ++e)
        if (f.browser->treeModel()->location(f.browser->treeModel()->index(e, 0, root)) == "Sandhof")
            sandhof = f.browser->treeModel()->index(e, 0, root);
    QVERIFY(sandhof.isValid());
    f.menuAction(sandhof, "experimentSimulation")->trigger();
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(panel));
    QCOMPARE(panel->caption(), QString("Sandhof"));
    panel->list()->item(0)->setCheckState(Qt::Checked);
    const long long plot = panel->tickedPlots().value(0);
    QTest::mouseClick(panel->runButton(), Qt::LeftButton);
    QVERIFY(f.count("select count(*) from sim_result where fl_id=" + std::to_string(plot)) > 0);
    QCOMPARE(f.count("select count(*) from sim_result where fl_id<>" + std::to_string(plot)), 0LL);
    QCOMPARE(tabs->indexOf(panel), -1);
    QVERIFY(!f.browser->pagesShown());

    // With a plot loaded the panel stands beside its pages and leaves them as they were.
    f.click(101);
    f.menuAction(root, "databaseSimulation")->trigger();
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(panel));
    QVERIFY(f.tabShown(f.browser->basicInfoPage()));
    QTest::mouseClick(f.child<QPushButton>(panel, "close"), Qt::LeftButton);
    QCOMPARE(tabs->indexOf(panel), -1);
    QVERIFY(f.tabShown(f.browser->basicInfoPage()));
    QCOMPARE(f.browser->currentPlot(), 101LL);
}

void TestResults::honestUnitsAndShortNumbers()
{
    for (const QByteArray language : {"E", "D"}) {
        Assembled f(language);
        f.click(101);
        f.child<QPushButton>(f.browser->basicInfoPage(), "modelRun")->click();
        // OM-turnover: soil carbon in kg/ha (values of tens of thousands), in both languages.
        auto* turnover = f.results.pages->turnover();
        const QString title = turnover->grid()->model()->headerData(5, Qt::Horizontal).toString();
        QVERIFY2(title.endsWith("[kg/ha]"), qPrintable(title));
        const auto& rows = turnover->rows();
        const int soilCarbon = rows.column("soilcarbon");
        QVERIFY(soilCarbon >= 0 && !rows.rows.empty());
        QVERIFY(vt::eval::cell(rows.rows.front(), soilCarbon).toDouble() > 10000);
        // micr.BM: the value axis takes the unit of the property table, which is the unit
        // of the simulated c_mic and of the observations (mg C per 100 g of soil).
        auto* microbial = f.results.pages->microbial();
        const auto axes = microbial->chartView()->chart()->axes(Qt::Vertical);
        QVERIFY(!axes.isEmpty());
        QCOMPARE(axes.first()->titleText(), QString("Cmic [mg C/100 g]"));
        // Statistics in their shortest form: no tail of binary noise.
        for (const QString& line : f.results.pages->carbon()->statistics()) {
            QVERIFY2(!line.contains("99999") && !line.contains("00000"), qPrintable(line));
            QVERIFY2(!line.contains("e-2"), qPrintable(line));
        }
        // The selection panel's page speaks the interface's language.
        f.menuAction(f.browser->treeModel()->rootIndex(), "databaseSimulation")->trigger();
        auto* tabs = f.browser->pageTabs();
        QCOMPARE(tabs->tabText(tabs->indexOf(f.results.runs->panel())), QString(language == "D" ? "Auswahl" : "selection"));
    }
}

QTEST_MAIN(TestResults)
#include "tst_results.moc"
