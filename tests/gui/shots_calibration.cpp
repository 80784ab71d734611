// Renders the dialogs "calibrate…" and "uncertainty…" after a small fit and a small
// uncertainty run on the demo database, and the page "C-dynamics" with the 90 % band
// (files "calibration_*"); and the simulated and observed soil organic carbon of the demo's
// long-term plots after a run with the first-start settings, one picture per set of the
// demo's calibration: the page "C-dynamics" of every plot of the set, side by side (files
// "demo_fit_calibration_en", "demo_fit_validation_en"). Into $VELTRANO_SCREENSHOT_DIR when
// set (scripts/screenshots), else into a temporary folder.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/app/main_window.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/result_pages.h"
#include "gui/results/session_dialogs.h"
#include "gui/simulator/simulator_window.h"
#include "workbench/database_upkeep.h"

#include <QChart>
#include <QChartView>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

using vt::gui::MainWindow;

class ShotsCalibration : public QObject {
    Q_OBJECT
private slots:
    void dialogs();
    void demoFit();

private:
    QTemporaryDir tmp_;
};

namespace {

// The demo database with the settings the desktop program writes on its first start, its
// main window and simulator.
struct DemoProgram {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<vt::gui::SimulatorWindow> sim;

    DemoProgram()
    {
        vt::workbench::create_demo_file(box.file("demo.db"));
        box.settings(box.file("demo.db"));
        main = std::make_unique<MainWindow>(box.env());
        sim = std::make_unique<vt::gui::SimulatorWindow>(*main, vt::gui::SimulatorWindow::driverRun());
        main->setSimulator(sim.get());
        main->connectAtShow();
    }
};

} // namespace

void ShotsCalibration::dialogs()
{
    const QString dir = vt::test::screenshot_dir(tmp_);
    DemoProgram demo;
    vt::test::GuiSandbox& box = demo.box;
    MainWindow& main = *demo.main;
    vt::gui::SimulatorWindow& sim = *demo.sim;

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

void ShotsCalibration::demoFit()
{
    const QString dir = vt::test::screenshot_dir(tmp_);
    DemoProgram demo;
    QTabWidget tabs;
    vt::gui::ResultPageSet pages(false);
    pages.setDatabase(demo.main->session().connection(), demo.box.path("demo.db"));
    pages.addPagesTo(&tabs);
    vt::gui::BrowserRunController runs(*demo.main, *demo.sim);
    runs.setResultPages(&pages);
    runs.showDatabaseSelection();
    runs.panel()->tickAll(Qt::Checked);
    QVERIFY(runs.runSelection());
    QVERIFY(QTest::qWaitFor([&] { return !runs.busy(); }, 120000));
    tabs.resize(760, 820);
    tabs.show();
    tabs.setCurrentWidget(pages.carbon());

    struct Set {
        const char* file;
        const char* title;
        std::vector<long long> plots;
    };
    const Set sets[] = {
        {"demo_fit_calibration_en",
         "Calibration plots 101, 104, 201, 202: simulated and observed soil organic carbon (first-start settings)",
         {101, 104, 201, 202}},
        {"demo_fit_validation_en",
         "Validation plots 102, 103, 203: simulated and observed soil organic carbon (first-start settings)",
         {102, 103, 203}},
    };
    const int panelWidth = 600, header = 34, columns = 2;
    for (const Set& s : sets) {
        // The chart of every plot of the set, at the width of a panel.
        std::vector<QPixmap> charts;
        int panelHeight = 0;
        for (long long plot : s.plots) {
            QVERIFY(pages.showPlot(plot));
            QChartView* view = pages.carbon()->chartView();
            QVERIFY(view->chart()->series().size() >= 2);
            QTest::qWait(200);  // the chart lays out its axes once shown
            charts.push_back(view->grab().scaledToWidth(panelWidth, Qt::SmoothTransformation));
            panelHeight = std::max(panelHeight, charts.back().height());
        }
        const int n = static_cast<int>(charts.size());
        const int rows = (n + columns - 1) / columns;
        QImage image(panelWidth * columns, header + panelHeight * rows, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        QFont f = p.font();
        f.setBold(true);
        f.setPointSize(11);
        p.setFont(f);
        p.drawText(QRect(10, 0, image.width() - 20, header), Qt::AlignVCenter | Qt::AlignLeft, s.title);
        for (int i = 0; i < n; ++i)
            p.drawPixmap((i % columns) * panelWidth, header + (i / columns) * panelHeight,
                         charts[static_cast<std::size_t>(i)]);
        p.end();
        const QString file = dir + "/" + s.file + ".png";
        QVERIFY2(image.save(file), qPrintable(file));
    }
}

QTEST_MAIN(ShotsCalibration)
#include "shots_calibration.moc"
