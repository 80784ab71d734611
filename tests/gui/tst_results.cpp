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
#include "gui/app/translation.h"
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

    f.runs->showExperimentSelection("Sandhof", "3");
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
    QuantityPage page(QuantityPage::Kind::Misc);
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
    // A bulk density below any soil's is caught by the input check: the plot is skipped and named.
    const QString messages = vt::gui::DialogHooks::takeMessages().join('\n');
    QVERIFY2(messages.contains("plot 301: soilproperties, soil 3"), qPrintable(messages));
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
    // The pages speak the language of the installed translation; the flag keeps the German
    // interface's rules (no "misc.results", no statistics list).
    QVERIFY(vt::gui::install_translation("D"));
    struct BackToEnglish {
        ~BackToEnglish() { vt::gui::install_translation("E"); }
    } backToEnglish;
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

QTEST_MAIN(TestResults)
#include "tst_results.moc"
