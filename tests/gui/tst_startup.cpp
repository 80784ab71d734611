// Start-up of the main window: modes and language from the ini file, the settings file
// and the command line; the first start; the version.
#include "gui/gui_support.h"
#include "gui/app/manual.h"
#include "gui/app/settings_dialog.h"
#include "gui/app/main_window.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using vt::gui::DialogHooks;
using vt::gui::MainWindow;
using Command = MainWindow::Command;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void modes_data();
    void modes();
    void missingDatabaseSwitchFallsBackToTheStoredOne();
    void firstStartWritesDefaultsAndCreatesTheDemo();
    void versionIsRecorded();
    void runSwitchesChangeTheLoadedSettings();
    void manualIsShipped();
    void statusBarDoubleClickShowsTheVersion();
};

void TestStartup::modes_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("modusAtStart");
    QTest::addColumn<QString>("modusActive");
    QTest::addColumn<bool>("settingsEnabled");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QString>("panel1");

    const QByteArray rux = "[SETUP]\nlang=E\n[MODUS]\nmode=RUX\n";
    QTest::newRow("ini lang D stays English") << QByteArray("[SETUP]\nlang=D\n[MODUS]\nmode=RUX\n") << QByteArray("language=D\n")
                                              << QStringList{} << "RUX" << "RUX" << true << false << "RUX 2019 / int";
    QTest::newRow("no ini, settings language D") << QByteArray() << QByteArray("language=D\n") << QStringList{} << "?"
                                                 << "RUX" << true << true << "RUX 2019 / int";
    QTest::newRow("ini mode ACC means RUX") << QByteArray("[MODUS]\nmode=ACC\n") << QByteArray() << QStringList{} << "RUX"
                                            << "RUX" << true << false << "RUX 2019 / int";
    QTest::newRow("ini without MODUS") << QByteArray("[SETUP]\nsys= bio \n") << QByteArray() << QStringList{} << "?"
                                       << "RUX" << false << false << "RUX 2019 / bio";
    QTest::newRow("sys abc is int") << QByteArray("[SETUP]\nsys=abc\n[MODUS]\nmode=RUX\n") << QByteArray() << QStringList{}
                                    << "RUX" << "RUX" << true << false << "RUX 2019 / int";
    QTest::newRow("ini KORVANIC") << QByteArray("[MODUS]\nmode=KORVANIC\n") << QByteArray() << QStringList{}
                                  << "KORVANIC" << "KORVANIC" << false << false << "RUX 2019";
    QTest::newRow("switch ACC") << rux << QByteArray() << QStringList{"acc"} << "RUX" << "ACC" << true << false
                                << "RUX 2019 / int";
    QTest::newRow("switch M=") << rux << QByteArray() << QStringList{"M=HHE"} << "RUX" << "KORVANIC" << false << false
                               << "RUX 2019";
}

void TestStartup::modes()
{
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, args);
    QFETCH(QString, modusAtStart);
    QFETCH(QString, modusActive);
    QFETCH(bool, settingsEnabled);
    QFETCH(bool, german);
    QFETCH(QString, panel1);

    vt::test::GuiSandbox box;
    if (!ini.isEmpty()) box.write("veltrano.ini", ini);
    box.settings(box.database("exp.db"), settings);

    MainWindow w(box.env(args));
    QCOMPARE(QString::fromStdString(w.state().modus), modusAtStart);
    w.connectAtShow();
    w.activate();
    QCOMPARE(QString::fromStdString(w.state().modus), modusActive);
    QCOMPARE(w.button(Command::Settings)->isEnabled(), settingsEnabled);
    QCOMPARE(w.state().german(), german);
    QCOMPARE(w.state().power, !german);
    QCOMPARE(w.button(Command::End)->text(), german ? QString("Ende") : QString("&End"));
    QCOMPARE(w.button(Command::ChangeDatabase)->text(),
             german ? QString("Auswahl der Datenbank") : QString("Change System &Database"));
    // German shows the compact set; windows of later parts stay hidden in both.
    QCOMPARE(w.button(Command::Settings)->isVisibleTo(&w), !german);
    QVERIFY(w.button(Command::Manual)->isVisibleTo(&w));
    // Parameters and climate data: English only; parameters are disabled where settings are.
    QCOMPARE(w.button(Command::Parameters)->isVisibleTo(&w), !german);
    QCOMPARE(w.button(Command::ClimateData)->isVisibleTo(&w), !german);
    QCOMPARE(w.button(Command::Parameters)->isEnabled(), settingsEnabled);
    QVERIFY(!w.button(Command::PlotSelection)->isVisibleTo(&w));
    QCOMPARE(w.statusText(1), panel1);
    if (args.contains("M=HHE"))
        QCOMPARE(w.settingsDialog()->findChild<QLineEdit*>("method")->text(), QString("HUBAHE"));
}

void TestStartup::missingDatabaseSwitchFallsBackToTheStoredOne()
{
    vt::test::GuiSandbox box;
    const auto stored = box.database("stored.db");
    box.settings(stored);
    MainWindow w(box.env({"DB=" + box.path("missing.db")}));
    QCOMPARE(DialogHooks::takeMessages(), QStringList{"DB error: database not found, will try to use last DB"});
    QCOMPARE(w.state().database, stored);

    const auto other = box.database("other.db");
    MainWindow w2(box.env({"DB=" + QString::fromStdString(other)}));
    w2.connectAtShow();
    QCOMPARE(w2.session().path(), other);
    QCOMPARE(box.stored().textOr("database", ""), other);
}

void TestStartup::firstStartWritesDefaultsAndCreatesTheDemo()
{
    vt::test::GuiSandbox box;
    MainWindow w(box.env());
    const auto demo = box.file("rux_demo.db");
    QVERIFY(QFile::exists(box.path("rux_demo.db")));
    const auto s = box.stored();
    QCOMPARE(s.textOr("database", ""), demo);
    QCOMPARE(s.textOr("methode", ""), std::string("RUX"));
    QCOMPARE(s.textOr("pf_wp", ""), std::string("42"));
    QCOMPARE(s.integerOr("recalc_bat", 0), 1LL);
    QCOMPARE(s.textOr("ppath", ""), box.folder());
    w.connectAtShow();
    QVERIFY(w.session().isOpen());
    QCOMPARE(w.history().entries(), std::vector<std::string>{demo});
    // Every plot has its selection row once the database is open.
    auto* c = w.session().connection();
    QCOMPARE(c->scalar("select count(*) from site_state").toInt(),
             c->scalar("select count(*) from field_description").toInt());
    QVERIFY(DialogHooks::takeMessages().isEmpty());
}

void TestStartup::versionIsRecorded()
{
    vt::test::GuiSandbox box;
    box.settings(box.database("exp.db"), "version=1.2.3.4\n");
    MainWindow w(box.env());
    QCOMPARE(w.state().lastversion, std::string("1.2.3.4"));
    QCOMPARE(w.state().previous_version, (std::array<int, 4>{1, 2, 3, 4}));
    QVERIFY(w.statusText(2).startsWith("Version: "));
    QCOMPARE(box.stored().textOr("version", ""), vt::gui::program_version());
    w.activate();
    QCOMPARE(w.statusText(2), QString::fromStdString("Version= " + vt::gui::program_version()));
}

void TestStartup::runSwitchesChangeTheLoadedSettings()
{
    vt::test::GuiSandbox box;
    box.write("veltrano.ini", "[MODUS]\nmode=RUX\n");
    box.settings(box.database("exp.db"), "scenario=0\nhassink=0\n");
    MainWindow w(box.env({"S+", "SAT+", "REGIO"}));
    w.connectAtShow();
    w.activate();
    QCOMPARE(w.settingsDialog()->values().scenario, 1);
    QCOMPARE(w.settingsDialog()->values().hassink, 1);
    QCOMPARE(w.state().appmode, std::string("REGIO"));
    // Only saving the dialog writes them.
    QCOMPARE(box.stored().integerOr("scenario", -1), 0LL);
    QCOMPARE(box.stored().integerOr("hassink", -1), 0LL);
}

void TestStartup::manualIsShipped()
{
    const auto path = vt::gui::manual_path();
    QVERIFY(!path.isEmpty());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("RUX settings"));
}

void TestStartup::statusBarDoubleClickShowsTheVersion()
{
    vt::test::GuiSandbox box;
    box.settings(box.database("exp.db"));
    MainWindow w(box.env());
    w.show();
    QTest::mouseDClick(w.findChild<QLabel*>("panel2"), Qt::LeftButton);
    auto* update = w.findChild<QDialog*>("UpdateCheckDialog");
    QVERIFY(update && update->isVisible());
    QVERIFY(update->findChild<QLabel*>("version")->text().contains(QString::fromStdString(vt::gui::program_version())));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
