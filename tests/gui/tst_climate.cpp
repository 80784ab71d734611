// "RUX climate data": creating and deleting stations, the pages of a station, a refused
// cell value, CSV import, the German captions.
#include "gui/gui_support.h"
#include "gui/app/main_window.h"
#include "gui/climate/climate_window.h"
#include "gui/widgets/table_edit_model.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using vt::gui::ClimateWindow;
using vt::gui::DialogHooks;
using vt::gui::MainWindow;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    ClimateWindow* climate = nullptr;

    explicit Fixture(const QByteArray& settings = {})
    {
        const auto path = box.database("exp.db");
        {
            vt::db::Connection c(path);
            c.executeScript("insert into climate_station (climate_ID, station) values (1, 'Bad Lauchstädt'), (2, 'Dikopshof');"
                            "insert into climate_data (climate_ID, [year], temperature, precipitation) values "
                            "(1, 0, 8.7, 484), (1, 1990, 9.9, 420), (2, 0, 9.8, 640);"
                            "insert into reg_ndeposit (climate_id, [year], N_dep_y) values (1, 0, 0), (2, 0, 0);"
                            "update field_description set climate_ID=1 where FL_ID in (1, 2)");
        }
        box.settings(path, settings);
        window = std::make_unique<MainWindow>(box.env());
        window->connectAtShow();
        climate = window->climateWindow();
        climate->prepareShow();
        climate->show();
    }
    vt::db::Connection& db() { return *window->session().connection(); }
    long long count(const char* sql) { return db().scalar(sql).toInt(); }
    QLineEdit* name() { return climate->findChild<QLineEdit*>("name"); }
    QPushButton* button(const char* n) { return climate->findChild<QPushButton*>(n); }
};

} // namespace

class TestClimate : public QObject {
    Q_OBJECT
private slots:
    void createStation();
    void usedNameShowsTheHint();
    void deleteStation_data();
    void deleteStation();
    void refusedCellValue();
    void csvImport();
    void germanCaptions();
};

void TestClimate::createStation()
{
    Fixture f;
    QVERIFY(f.name()->isEnabled());
    QVERIFY(f.button("create")->isEnabled());
    QSignalSpy changed(f.climate, &ClimateWindow::stationsChanged);
    f.name()->setText("Halle");
    QTest::mouseClick(f.button("create"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.climate->currentStation(), 3LL);
    QCOMPARE(f.climate->stationModel()->rowCount(), 3);
    QCOMPARE(f.climate->pageModel(ClimateWindow::Weather)->rowCount(), 1);
    QCOMPARE(f.climate->pageModel(ClimateWindow::Deposition)->rowCount(), 1);
    QCOMPARE(f.climate->pageModel(ClimateWindow::Historic)->rowCount(), 1);
    QVERIFY(!f.name()->isEnabled());
    QVERIFY(!f.button("create")->isEnabled());
    QVERIFY(DialogHooks::takeMessages().isEmpty());
}

void TestClimate::usedNameShowsTheHint()
{
    Fixture f;
    f.name()->setText("Dikopshof");
    f.climate->createStation();
    QCOMPARE(DialogHooks::takeMessages(), QStringList{"HINT: Dikopshof is already used ! "});
    QCOMPARE(f.count("select count(*) from climate_station"), 2LL);
    f.name()->setText("-?-");
    f.climate->createStation();
    QCOMPARE(f.count("select count(*) from climate_station"), 2LL);
}

void TestClimate::deleteStation_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestClimate::deleteStation()
{
    QFETCH(bool, answer);
    Fixture f;
    QVERIFY(f.climate->selectStation(1));
    QCOMPARE(f.name()->text(), QString("Bad Lauchstädt"));
    QCOMPARE(f.climate->pageModel(ClimateWindow::Weather)->rowCount(), 2);
    DialogHooks::setNextAnswer(answer);
    QTest::mouseClick(f.button("delete"), Qt::LeftButton);
    QCOMPARE(f.count("select count(*) from climate_station where climate_ID=1"), answer ? 0LL : 1LL);
    QCOMPARE(f.count("select count(*) from climate_data where climate_ID=1"), answer ? 0LL : 2LL);
    QCOMPARE(f.count("select count(*) from reg_ndeposit where climate_id=1"), answer ? 0LL : 1LL);
    QCOMPARE(f.count("select count(*) from field_description where climate_ID=1"), 2LL);  // plots keep the number
    if (answer) {
        QCOMPARE(f.name()->text(), QString("-?-"));
        QVERIFY(f.name()->isEnabled());
        QVERIFY(f.button("create")->isEnabled());
        QCOMPARE(f.climate->stationModel()->rowCount(), 1);
    }
}

void TestClimate::refusedCellValue()
{
    Fixture f;
    f.climate->selectStation(1);
    auto* m = f.climate->pageModel(ClimateWindow::Weather);
    const int temperature = 4;  // climate_ID, day, month, year, temperature, precipitation
    QCOMPARE(m->headerData(temperature, Qt::Horizontal, Qt::DisplayRole).toString(), QString("temperature [°C]"));
    QVERIFY(!m->setData(m->index(1, temperature), "warm", Qt::EditRole));
    const auto messages = DialogHooks::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("value refused: \"warm\" does not fit the column temperature"), qPrintable(messages[0]));
    QCOMPARE(m->data(m->index(1, temperature), Qt::DisplayRole).toString(), QString("9.9"));
    QVERIFY(m->setData(m->index(1, temperature), "10.25", Qt::EditRole));
    QCOMPARE(f.db().scalar("select temperature from climate_data where climate_ID=1 and [year]=1990").toDouble(), 10.25);
    // The key (station, year) refuses a second year 0.
    QVERIFY(!m->setData(m->index(1, 3), "0", Qt::EditRole));
    QVERIFY(DialogHooks::takeMessages().value(0).startsWith("row not stored"));
    QCOMPARE(f.count("select count(*) from climate_data where climate_ID=1 and [year]=1990"), 1LL);
}

void TestClimate::csvImport()
{
    Fixture f;
    f.climate->selectStation(2);
    f.box.write("bad.csv", "year;temperature;precipitation\n1990;9,5;700\n1991;9;-5\n");
    DialogHooks::setNextFileName(f.box.path("bad.csv"));
    f.climate->importCsv();
    const auto bad = DialogHooks::takeMessages();
    QCOMPARE(bad.size(), 1);
    QVERIFY2(bad[0].contains("line 3: precipitation -5 is outside"), qPrintable(bad[0]));
    QCOMPARE(f.count("select count(*) from climate_data where climate_ID=2"), 1LL);

    f.box.write("good.csv", "year;temperature;precipitation\n1990;9,5;700\n1991;9;650\n");
    DialogHooks::setNextFileName(f.box.path("good.csv"));
    f.climate->importCsv();
    QCOMPARE(f.climate->pageModel(ClimateWindow::Weather)->rowCount(), 3);
    DialogHooks::setNextFileName(f.box.path("out.csv"));
    f.climate->exportCsv();
    QFile out(f.box.path("out.csv"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), QByteArray("year,temperature,precipitation\n0,9.8,640\n1990,9.5,700\n1991,9,650\n"));
}

void TestClimate::germanCaptions()
{
    Fixture f("language=D\n");
    QCOMPARE(f.climate->windowTitle(), QString("RUX Klimadaten"));
    QCOMPARE(f.button("create")->text(), QString("Neue Station"));
    auto* pages = f.climate->findChild<QTabWidget*>("pages");
    QCOMPARE(pages->tabText(0), QString("Wetterdaten"));
    QVERIFY(!pages->isTabVisible(ClimateWindow::Historic));  // the power flag is off in German
    f.climate->selectStation(1);
    QCOMPARE(f.climate->pageModel(ClimateWindow::Deposition)->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("N-Dep. [kg/ha]"));
}

QTEST_MAIN(TestClimate)
#include "tst_climate.moc"
