// Renders every window of the application, in English and in German, into PNG files:
// into $VELTRANO_SCREENSHOT_DIR when set (scripts/screenshots), else into a temporary
// folder, checking that each picture was made.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/widgets/confirm_dialog.h"
#include "gui/app/database_path_dialog.h"
#include "gui/widgets/message_dialog.h"
#include "gui/app/regio_mode_dialog.h"
#include "gui/app/shell_ops.h"
#include "gui/simulator/simulator_window.h"
#include "gui/app/settings_dialog.h"
#include "gui/app/main_window.h"
#include "gui/app/update_check_dialog.h"

#include <QApplication>
#include <QPainter>
#include <QTabWidget>
#include <QtTest>

using vt::gui::MainWindow;

class ShotsApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void windows_data();
    void windows();

private:
    void save(QWidget* w, const QString& name, bool hide = true);
    QString dir_;
    QTemporaryDir tmp_;
};

void ShotsApp::initTestCase()
{
    dir_ = qEnvironmentVariable("VELTRANO_SCREENSHOT_DIR");
    if (dir_.isEmpty()) dir_ = tmp_.path();
    QDir().mkpath(dir_);
}

// The window's client area under a plain title bar that carries its caption.
void ShotsApp::save(QWidget* w, const QString& name, bool hide)
{
    w->show();
    QApplication::processEvents();
    w->adjustSize();
    QApplication::processEvents();
    const QString file = dir_ + "/" + name + ".png";
    QVERIFY2(vt::test::save_window_picture(w, file), qPrintable(file));
    if (hide) w->hide();
}

void ShotsApp::windows_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "E";
    QTest::newRow("German") << "D";
}

void ShotsApp::windows()
{
    QFETCH(QString, language);
    const QString suffix = "_" + language.toLower().replace("e", "en").replace("d", "de");
    vt::test::GuiSandbox box;
    const auto db = box.file("rux_demo.db");
    vt::gui::create_demo_file(db);
    box.settings(db, "language=" + language.toLatin1() + "\nr_call=/usr/bin/R\nr_result=anyname.txt\n");
    MainWindow w(box.env());
    w.connectAtShow();
    w.activate();
    const bool german = w.state().german();

    save(&w, "main_window" + suffix);
    save(w.settingsDialog(), "settings" + suffix);

    vt::gui::ConfirmDialog confirm(german);
    confirm.setText("model change detected: results will be deleted ! Continue anyway ?");
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
    vt::gui::SimulatorWindow sim(w, vt::gui::SimulatorWindow::driverRun());
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
