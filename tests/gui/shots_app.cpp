// Renders every window of the application, in English and in German, into PNG files:
// into $VELTRANO_SCREENSHOT_DIR when set (scripts/screenshots), else into a temporary
// folder, checking that each picture was made.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/widgets/confirm_dialog.h"
#include "gui/app/database_path_dialog.h"
#include "gui/widgets/message_dialog.h"
#include "gui/app/regio_mode_dialog.h"
#include "workbench/database_upkeep.h"
#include "gui/simulator/simulator_window.h"
#include "gui/app/settings_dialog.h"
#include "gui/app/application.h"
#include "gui/app/main_window.h"
#include "gui/app/update_check_dialog.h"

#include <QTabWidget>
#include <QtTest>

using vt::gui::MainWindow;

class ShotsApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dir_ = vt::test::screenshot_dir(tmp_); }
    void windows_data() { vt::test::add_language_rows(); }
    void windows();

private:
    void save(QWidget* w, const QString& name, bool hide = true) { vt::test::save_window_shot(w, dir_, name, true, hide); }
    QString dir_;
    QTemporaryDir tmp_;
};


void ShotsApp::windows()
{
    QFETCH(QString, language);
    const QString suffix = "_" + language.toLower().replace("e", "en").replace("d", "de");
    vt::test::GuiSandbox box;
    const auto db = box.file("rux_demo.db");
    vt::workbench::create_demo_file(db);
    box.settings(db, "language=" + language.toLatin1() + "\nr_call=/usr/bin/R\nr_result=anyname.txt\n");
    // The program as users start it: the main window with every command it offers.
    vt::gui::Application app(box.env());
    MainWindow& w = app.mainWindow();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activate();

    save(&w, "main_window" + suffix);
    save(w.settingsDialog(), "settings" + suffix);

    vt::gui::ConfirmDialog confirm;
    confirm.setText(QCoreApplication::translate("SettingsDialog", "model change detected: results will be deleted ! Continue anyway ?"));
    save(&confirm, "confirmation" + suffix);

    vt::gui::MessageDialog message;
    message.setText("There is probably more than 1 initial Corg value (year_number=0)");
    save(&message, "message" + suffix);

    vt::gui::DatabasePathDialog path(box.path("moved.db"), "database not found: " + box.path("moved.db"));
    save(&path, "database_path" + suffix);

    vt::gui::UpdateCheckDialog update;
    update.setVersion(QString::fromStdString(w.state().currentversion), "0.0.0.0");
    save(&update, "update_check" + suffix);

    vt::gui::RegioModeDialog regio(w);
    save(&regio, "regio_mode" + suffix);

    // The simulator after a run of the demo plots: its log, the plot list, the histogram.
    vt::gui::SimulatorWindow& sim = app.simulator();
    sim.show();
    sim.calculate();
    QVERIFY(QTest::qWaitFor([&] { return !sim.running(); }, 20000));
    auto* pages = sim.findChild<QTabWidget*>();
    const char* names[] = {"simulator_messages", "simulator_database", "simulator_histogram"};
    for (int i = 0; i < 3; ++i) {
        pages->setCurrentIndex(i);
        save(&sim, names[i] + suffix, false);
    }
}

QTEST_MAIN(ShotsApp)
#include "shots_app.moc"
