#include "gui/results/browser_results.h"

#include "gui/app/main_window.h"
#include "gui/browser/basic_info_page.h"
#include "gui/browser/browser_window.h"
#include "gui/browser/management_page.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/nbalance_window.h"
#include "gui/results/result_pages.h"
#include "gui/results/session_dialogs.h"
#include "gui/results/statistics_update.h"

namespace vt::gui {

BrowserResults install_browser_results(MainWindow& main, SimulatorWindow& simulator, BrowserWindow& browser,
                                       const ResultsMenu& tools)
{
    BrowserResults r;
    r.pages = new ResultPageSet(main.state().german(), &browser);
    r.pages->addPagesTo(browser.pageTabs());
    QObject::connect(&browser, &BrowserWindow::plotLoaded, r.pages, [&main, pages = r.pages](long long flId) {
        pages->setDatabase(main.session().connection(), QString::fromStdString(main.session().path()));
        pages->showPlot(flId);
    });

    // "print site desc." and "print management" of the loaded plot.
    QObject::connect(browser.basicInfoPage(), &BasicInfoPage::siteReportRequested, r.pages,
                     [pages = r.pages, &browser](long long) { pages->printSiteDescription(&browser); });
    QObject::connect(browser.managementPage(), &ManagementPage::reportRequested, r.pages,
                     [pages = r.pages, &browser](long long, workbench::ManagementFilter filter, bool pdfOnly) {
                         pages->printManagement(&browser, pdfOnly, filter);
                     });

    r.runs = new BrowserRunController(main, simulator, &browser);
    r.runs->setResultPages(r.pages);
    BrowserRunController::Hooks hooks;
    hooks.rebuildTree = [&browser](int mode) { browser.rebuildTree(mode); };
    hooks.loadPlot = [&browser](long long plot) { browser.loadPlot(plot); };
    hooks.showPage = [&browser](const QString& page) { browser.showPage(page); };
    // The selection panel is a page only while a selection run is chosen.
    hooks.showPanel = [&browser](QWidget* panel) { browser.showPanel(panel, QT_TRANSLATE_NOOP("BrowserWindow", "selection")); };
    hooks.closePanel = [&browser](QWidget* panel) { browser.closePanel(panel); };
    r.runs->setHooks(hooks);

    QObject::connect(&browser, &BrowserWindow::plotRunRequested, r.runs,
                     [runs = r.runs](long long flId, const QString& from, const QString& repeat) {
                         runs->runPlot(flId, from, repeat);
                     });
    QObject::connect(&browser, &BrowserWindow::databaseSimulationRequested, r.runs, [runs = r.runs, &browser] {
        runs->setPressedPlot(browser.currentPlot() > 0 ? browser.currentPlot() : 0);
        runs->showDatabaseSelection();
    });
    QObject::connect(&browser, &BrowserWindow::experimentSimulationRequested, r.runs,
                     [runs = r.runs, &browser](const QString& location, const QString& code) {
                         runs->setPressedPlot(browser.currentPlot() > 0 ? browser.currentPlot() : 0);
                         runs->showExperimentSelection(location, code);
                     });
    if (tools.statistics) {
        QObject::connect(&browser, &BrowserWindow::updateStatisticsRequested, tools.statistics,
                         [statistics = tools.statistics] { statistics->updateStatistics(); });
        QObject::connect(&browser, &BrowserWindow::outlierRefreshRequested, tools.statistics,
                         [&main, statistics = tools.statistics] { refresh_outlier_indication(main, *statistics); });
        // What the statistics tools change, the browser's tree and loaded plot show afresh.
        tools.statistics->setRebuildTree([&browser](int mode) {
            const long long plot = browser.currentPlot();
            browser.rebuildTree(mode);
            if (plot > 0) browser.loadPlot(plot);
        });
    }
    // "calibrate…" and "uncertainty…" of an experiment; what they store, the loaded plot's
    // pages show afresh (the 90 % band on "C-dynamics").
    const auto openDialog = [&browser, pages = r.pages](auto* dialog, const QString& location, const QString& code) {
        dialog->setExperiment(location, code);
        QObject::connect(dialog, &SessionDialog::stored, pages, [pages, &browser] {
            if (browser.currentPlot() > 0) pages->showPlot(browser.currentPlot());
        });
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        dialog->raise();
    };
    QObject::connect(&browser, &BrowserWindow::calibrationRequested, &browser,
                     [&main, &browser, openDialog](const QString& location, const QString& code) {
                         openDialog(new CalibrationDialog(main, &browser), location, code);
                     });
    QObject::connect(&browser, &BrowserWindow::uncertaintyRequested, &browser,
                     [&main, &browser, openDialog](const QString& location, const QString& code) {
                         openDialog(new UncertaintyDialog(main, &browser), location, code);
                     });
    if (tools.statistics)
        browser.setEvaluationWalk([statistics = tools.statistics](int mode, int phase) {
            statistics->treeWalk(mode, static_cast<eval::Phase>(phase));
        });
    if (tools.nbalance)
        QObject::connect(&browser, &BrowserWindow::nitrogenBalanceRequested, tools.nbalance,
                         [nbalance = tools.nbalance] {
                             nbalance->show();
                             nbalance->raise();
                         });
    return r;
}

} // namespace vt::gui
