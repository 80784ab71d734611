// Renders the dialogs "calibrate…" and "uncertainty…" after a small fit and a small
// uncertainty run on the demo database, and the page "C-dynamics" with the 90 % band
// (files "calibration_*"): into $VELTRANO_SCREENSHOT_DIR when set (scripts/screenshots),
// else into a temporary folder.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/app/main_window.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/result_pages.h"
#include "gui/results/session_dialogs.h"
#include "gui/simulator/simulator_window.h"
#include "workbench/database_upkeep.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using vt::gui::MainWindow;

class ShotsCalibration : public QObject {
    Q_OBJECT
private slots:
    void dialogs();

private:
    QTemporaryDir tmp_;
};

void ShotsCalibration::dialogs()
{
    const QString dir = vt::test::screenshot_dir(tmp_);
    vt::test::GuiSandbox box;
    vt::workbench::create_demo_file(box.file("demo.db"));
    box.settings(box.file("demo.db"));
    MainWindow main(box.env());
    vt::gui::SimulatorWindow sim(main, vt::gui::SimulatorWindow::driverRun());
    main.setSimulator(&sim);
    main.connectAtShow();

    vt::gui::CalibrationDialog calibration(main);
    calibration.setExperiment("Bad Lauchstädt", "1");
    QVERIFY(calibration.start());
    vt::test::save_window_shot(&calibration, dir, "calibration_calibrate_en", false);

    vt::gui::UncertaintyDialog uncertainty(main);
    uncertainty.setExperiment("Rothamsted", "2");
    uncertainty.samplesField()->setValue(200);
    QVERIFY(uncertainty.start());
    vt::test::save_window_shot(&uncertainty, dir, "calibration_uncertainty_en", false);

    // The band behind the simulated carbon of the farmyard manure plot, after a run.
    QTabWidget tabs;
    vt::gui::ResultPageSet pages(false);
    pages.setDatabase(main.session().connection(), box.path("demo.db"));
    pages.addPagesTo(&tabs);
    vt::gui::BrowserRunController runs(main, sim);
    runs.setResultPages(&pages);
    QVERIFY(runs.runPlot(202));
    pages.showPlot(202);
    QVERIFY(pages.carbon()->hasBand());
    tabs.setCurrentWidget(pages.carbon());
    tabs.setWindowTitle("DATABASE");
    tabs.resize(1000, 560);
    vt::test::save_window_shot(&tabs, dir, "calibration_band_en", false);
}

QTEST_MAIN(ShotsCalibration)
#include "shots_calibration.moc"
