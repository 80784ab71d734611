// Renders the result pages of the assembled program's browser after a run of the demo
// database, the window
// "RUX N balance", the selection panel, the phase dialog and the error window, in English
// and in German (files "results_*"), and writes the three PDF reports of one demo plot
// beside them: into $VELTRANO_SCREENSHOT_DIR when set (scripts/screenshots), else into a
// temporary folder.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/app/application.h"
#include "gui/app/main_window.h"
#include "gui/browser/browser_window.h"
#include "workbench/database_upkeep.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/nbalance_window.h"
#include "gui/results/result_pages.h"
#include "gui/results/statistics_update.h"
#include "gui/simulator/simulator_window.h"
#include "gui/widgets/error_list_window.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QPainter>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

using vt::gui::MainWindow;

class ShotsResults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pages_data();
    void pages();

private:
    void save(QWidget* w, const QString& name, QSize size = {});
    QString dir_;
    QTemporaryDir tmp_;
};

void ShotsResults::initTestCase()
{
    dir_ = qEnvironmentVariable("VELTRANO_SCREENSHOT_DIR");
    if (dir_.isEmpty()) dir_ = tmp_.path();
    QDir().mkpath(dir_);
}

// The window's client area under a plain title bar that carries its caption.
void ShotsResults::save(QWidget* w, const QString& name, QSize size)
{
    w->show();
    if (size.isValid()) w->resize(size);
    else w->adjustSize();
    QTest::qWait(150);  // the charts lay out their axes once shown
    QVERIFY2(vt::test::save_shot(w, dir_, name), qPrintable(name));
    w->hide();
}

void ShotsResults::pages_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "E";
    QTest::newRow("German") << "D";
}

void ShotsResults::pages()
{
    QFETCH(QString, language);
    const QString suffix = language == "E" ? "_en" : "_de";
    vt::test::GuiSandbox box;
    const auto db = box.file("rux_demo.db");
    vt::workbench::create_demo_file(db);
    box.settings(db, "language=" + language.toLatin1() + "\n");
    // The program as users start it; the pages are those of its browser.
    vt::gui::Application app(box.env());
    MainWindow& w = app.mainWindow();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activate();
    const bool german = w.state().german();
    w.state().db_f_name = "rux_demo.db";  // the window's title without the temporary folder
    w.button(MainWindow::Command::PlotSelection)->click();
    vt::gui::BrowserWindow& browser = app.browser();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));

    // "database simulation": every demo plot but the second ticked and run, then plot 104
    // loaded into the pages.
    emit browser.databaseSimulationRequested();
    vt::gui::BrowserRunController* runs = app.browserResults().runs;
    runs->panel()->tickAll(Qt::Checked);
    runs->panel()->list()->item(1)->setCheckState(Qt::Unchecked);
    save(&browser, "results_selection" + suffix, QSize(1000, 640));
    browser.show();
    runs->panel()->runButton()->click();
    QVERIFY(QTest::qWaitFor([&] { return !runs->busy() && !w.runActive(); }, 60000));

    browser.loadPlot(104);
    vt::gui::ResultPageSet& set = *app.browserResults().pages;
    QCOMPARE(set.plot(), 104LL);
    const std::pair<const char*, const char*> shots[] = {
        {"C-dynamics", "results_c_dynamics"},   {"N-dynamics", "results_n_dynamics"},
        {"micr.BM", "results_micr_bm"},         {"OM-turnover", "results_om_turnover"},
        {"misc.results", "results_misc_results"},
    };
    for (const auto& [page, name] : shots) {
        if (german && QString(page) == "misc.results") continue;  // the German interface has no "misc.results"
        QVERIFY(set.showPage(page));
        save(&browser, name + suffix, QSize(1000, 640));
    }

    vt::gui::NBalanceWindow& nb = *app.resultsMenu().nbalance;
    QSignalSpy done(&nb, &vt::gui::NBalanceWindow::balanceFinished);
    QVERIFY(nb.runBalance());
    QVERIFY(done.wait(30000));
    save(&nb, "results_nbalance" + suffix, QSize(980, 520));

    vt::gui::PhaseDialog phase;
    save(&phase, "results_phase_dialog" + suffix);

    vt::gui::ErrorListWindow errors;
    errors.addRows({"FL_ID=301 year_0=1995 corg=1.02 BD=-99 cif=0.31 clay=6 silt=12",
                    "FL_ID=301 year_0=1996 corg=-99.9999 BD=-99 cif=0.31 clay=6 silt=12"});
    save(&errors, "results_error_window" + suffix, QSize(620, 220));

    if (german) return;
    // The three reports of plot 104 as PDF files beside the pictures.
    QVERIFY(set.carbon()->writeReport(dir_ + "/results_dynamics_report.pdf", box.path("")));
    QVERIFY(set.managementReport().writePdf(dir_ + "/results_management_report.pdf"));
    QVERIFY(set.siteReport().writePdf(dir_ + "/results_site_report.pdf"));
}

QTEST_MAIN(ShotsResults)
#include "shots_results.moc"
