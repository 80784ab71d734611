// Renders the window "DATABASE" of the assembled program (with "model run (plot)" and the
// result pages) on the demo database with a plot loaded, one picture per page, in English
// and in German: into $VELTRANO_SCREENSHOT_DIR when set
// (scripts/screenshots), else into a temporary folder, checking that each picture was made.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/app/application.h"
#include "gui/app/main_window.h"
#include "workbench/database_upkeep.h"
#include "gui/browser/browser_window.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

using vt::gui::BrowserWindow;
using vt::gui::MainWindow;

class ShotsBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pages_data();
    void pages();

private:
    void save(QWidget* w, const QString& name);
    QString dir_;
    QTemporaryDir tmp_;
};

void ShotsBrowser::initTestCase()
{
    dir_ = qEnvironmentVariable("VELTRANO_SCREENSHOT_DIR");
    if (dir_.isEmpty()) dir_ = tmp_.path();
    QDir().mkpath(dir_);
}

void ShotsBrowser::save(QWidget* w, const QString& name)
{
    const QString file = dir_ + "/" + name + ".png";
    QVERIFY2(vt::test::save_window_picture(w, file), qPrintable(file));
}

void ShotsBrowser::pages_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "E";
    QTest::newRow("German") << "D";
}

void ShotsBrowser::pages()
{
    QFETCH(QString, language);
    const QString suffix = language == "D" ? "_de" : "_en";
    vt::test::GuiSandbox box;
    const auto db = box.file("rux_demo.db");
    vt::workbench::create_demo_file(db);
    box.settings(db, "language=" + language.toLatin1() + "\n");
    vt::gui::Application app(box.env());
    MainWindow& main = app.mainWindow();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.state().db_f_name = "rux_demo.db";  // the window's title without the temporary folder
    main.button(MainWindow::Command::PlotSelection)->click();  // "Plot Selection"
    BrowserWindow& browser = app.browser();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    browser.resize(1100, 700);
    browser.loadPlot(103);
    save(&browser, "browser_basic_info" + suffix);
    const char* names[] = {"browser_basic_info", "browser_management", "browser_observation"};
    for (int i = 1; i < 3; ++i) {
        browser.pageTabs()->setCurrentIndex(i);
        save(&browser, names[i] + suffix);
    }
}

QTEST_MAIN(ShotsBrowser)
#include "shots_browser.moc"
