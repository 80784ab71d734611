// "RUX N balance": the budget of all plots or one plot after a run fills the grid, the
// choice list switches the table, "copy to XLS" writes the files, cancelling leaves
// the tables as they were.
#include "gui/gui_support.h"
#include "gui/app/main_window.h"
#include "workbench/database_upkeep.h"
#include "gui/results/background_task.h"
#include "gui/results/browser_run_controller.h"
#include "gui/results/grid_export.h"
#include "gui/results/nbalance_window.h"
#include "gui/simulator/simulator_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QtTest>

using vt::gui::MainWindow;
using vt::gui::NBalanceWindow;
using vt::gui::SimulatorWindow;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SimulatorWindow> sim;
    std::unique_ptr<NBalanceWindow> nb;
    QStringList opened;

    Fixture()
    {
        vt::workbench::create_demo_file(box.file("demo.db"));
        box.settings(box.file("demo.db"));
        window = std::make_unique<MainWindow>(box.env());
        sim = std::make_unique<SimulatorWindow>(*window, SimulatorWindow::driverRun());
        window->setSimulator(sim.get());
        window->connectAtShow();
        // Results of every plot: a selection run with all plots ticked.
        vt::gui::BrowserRunController runs(*window, *sim);
        runs.showDatabaseSelection();
        runs.panel()->tickAll(Qt::Checked);
        runs.runSelection();
        nb = std::make_unique<NBalanceWindow>([this] { return window->session().connection(); },
                                              [this] { return window->runActive(); });
        vt::gui::set_desktop_opener([this](const QString& path) { opened << path; });
    }
    ~Fixture() { vt::gui::set_desktop_opener({}); }
    vt::db::Connection* db() { return window->session().connection(); }
    bool run()
    {
        QSignalSpy done(nb.get(), &NBalanceWindow::balanceFinished);
        if (!nb->runBalance()) return false;
        return done.wait(20000) && done.first().first().toBool();
    }
};

} // namespace

class TestNBalance : public QObject {
    Q_OBJECT
private slots:
    void allPlotsFillTheGrid();
    void onePlotGivesItsYears();
    void badPlotIdIsRefused();
    void copyToXlsWritesBothFiles();
};

void TestNBalance::allPlotsFillTheGrid()
{
    Fixture f;
    QVERIFY(f.db()->scalar("select count(distinct fl_id) from rux_nresult").toInt() == 10);
    QVERIFY(f.run());
    QCOMPARE(f.nb->tableChoice()->currentText(), QString("NMIN_SALDO"));
    QCOMPARE(f.nb->progress()->value(), 17);
    auto* model = f.nb->grid()->model();
    QCOMPARE(model->rowCount(), f.db()->scalar("select count(*) from nmin_saldo").toInt());
    QVERIFY(model->rowCount() >= 9);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("FL_ID"));
    f.nb->tableChoice()->setCurrentIndex(1);
    f.nb->showTable("NT_SALDO");
    QVERIFY(f.nb->shownTable().column("n_saldo_plot") >= 0);
    f.nb->showTable("");
    QCOMPARE(model->rowCount(), 0);
}

void TestNBalance::onePlotGivesItsYears()
{
    Fixture f;
    f.nb->plotField()->setText("301");
    f.nb->yearFrom()->setText("2030");  // the limits of the window count only for all plots
    QVERIFY(f.run());
    const auto& t = f.nb->shownTable();
    QVERIFY(t.column("year") >= 0);
    QCOMPARE(static_cast<long long>(t.rows.size()),
             f.db()->scalar("select count(*) from rux_nresult where fl_id=301").toInt());
}

void TestNBalance::badPlotIdIsRefused()
{
    Fixture f;
    f.nb->plotField()->setText("12a");
    QVERIFY(!f.nb->runBalance());
    QVERIFY(vt::gui::DialogHooks::takeMessages().join('\n').contains("'12a' is not a plot id"));
    QVERIFY(!f.db()->tableExists("rux_n_bilanz"));
}

void TestNBalance::copyToXlsWritesBothFiles()
{
    Fixture f;
    QVERIFY(f.run());
    f.nb->makeCsv()->setChecked(true);
    f.nb->copyToXls();
    QCOMPARE(f.opened, (QStringList{f.box.path("rux_output.txt"), f.box.path("rux_output.xlsx")}));
    QFile csv(f.box.path("rux_output.txt"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QVERIFY(csv.readLine().startsWith("FL_ID; n_pflanze_out; "));
}

QTEST_MAIN(TestNBalance)
#include "tst_nbalance.moc"
