// The dialogs "calibrate…" and "uncertainty…" over the demo database: refused input, a fit
// stored in rux_calibration and applied as a new gldaparm row, and the 90 % band that an
// uncertainty run puts behind the simulated carbon of the page "C-dynamics".
#include "gui/gui_support.h"
#include "db/connection.h"
#include "gui/app/main_window.h"
#include "gui/results/background_task.h"
#include "gui/results/result_pages.h"
#include "gui/results/session_dialogs.h"
#include "workbench/database_upkeep.h"

#include <QAreaSeries>
#include <QComboBox>
#include <QChart>
#include <QChartView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

using vt::gui::CalibrationDialog;
using vt::gui::DialogHooks;
using vt::gui::MainWindow;
using vt::gui::UncertaintyDialog;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> main;

    Fixture()
    {
        vt::workbench::create_demo_file(box.file("demo.db"));
        box.settings(box.file("demo.db"));
        main = std::make_unique<MainWindow>(box.env());
        main->connectAtShow();
    }
    vt::db::Connection& db() { return *main->session().connection(); }
    long long count(const char* sql) { return db().scalar(sql).toInt(); }
    long long rows(const char* table)
    {
        return db().tableExists(table) ? count((std::string("select count(*) from ") + table).c_str()) : 0;
    }
};

} // namespace

class TestSessionDialogs : public QObject {
    Q_OBJECT
private slots:
    void refusedInputStoresNothing();
    void calibrationStoredAndApplied();
    void uncertaintyBandOnTheCarbonPage();
};

void TestSessionDialogs::refusedInputStoresNothing()
{
    Fixture f;
    CalibrationDialog dialog(*f.main);
    dialog.setExperiment("Bad Lauchstädt", "1");
    QCOMPARE(dialog.plotsField()->text(), QString("101,102,103,104"));
    QCOMPARE(dialog.parameterTable()->item(0, 1)->text(), QString("0.000314"));  // the demo's calibrated K_AKT

    struct Case {
        const char* plots;
        const char* low;
        const char* high;
        int property;
        const char* message;
    };
    for (const Case& c : {Case{"101,x", "0.0001", "0.001", 7, "is not a plot number"},
                          Case{"101, 999", "0.0001", "0.001", 7, "plot 999 is not in field_description"},
                          Case{"101", "0.001", "0.002", 7, "K_AKT"},  // bounds without the start value 0.000314
                          Case{"101", "low", "0.001", 7, "K_AKT"},
                          Case{"201", "0.0001", "0.001", 5, "no observations"}}) {
        dialog.plotsField()->setText(c.plots);
        dialog.propertyField()->setCurrentIndex(dialog.propertyField()->findData(c.property));
        dialog.parameterTable()->item(0, dialog.valueColumn(0))->setText(c.low);
        dialog.parameterTable()->item(0, dialog.valueColumn(1))->setText(c.high);
        QVERIFY(!dialog.start());
        const auto messages = DialogHooks::takeMessages();
        QVERIFY2(!messages.isEmpty() && messages.last().contains(c.message), qPrintable(messages.join(" | ")));
    }
    QCOMPARE(f.rows("rux_calibration"), 0LL);

    UncertaintyDialog uncertainty(*f.main);
    uncertainty.plotsField()->setText("201");
    uncertainty.parameterTable()->item(0, uncertainty.valueColumn(2))->setText("-1");  // a negative standard deviation
    QVERIFY(!uncertainty.start());
    QVERIFY(!DialogHooks::takeMessages().isEmpty());
    QCOMPARE(f.rows("rux_uncertainty"), 0LL);

    // "cancel" of a long run, in its preparation and among its samples: it ends there and
    // stores nothing.
    uncertainty.parameterTable()->item(0, uncertainty.valueColumn(2))->setText("0.00004");
    uncertainty.samplesField()->setValue(200000);
    for (const bool inPreparation : {true, false}) {
        const char* expected = inPreparation ? "stopped; nothing was written" : "samples; nothing was written";
        auto c = QObject::connect(uncertainty.task(), &vt::gui::BackgroundTask::progress, uncertainty.task(),
                                  [&uncertainty, inPreparation](qint64, qint64 maximum) {
                                      if ((maximum == 200000) != inPreparation) uncertainty.task()->cancel();
                                  });
        QVERIFY(!uncertainty.start());
        QObject::disconnect(c);
        QVERIFY(DialogHooks::takeMessages().isEmpty());
        QVERIFY2(uncertainty.resultText()->toPlainText().contains(expected),
                 qPrintable(uncertainty.resultText()->toPlainText()));
        QCOMPARE(f.rows("rux_uncertainty"), 0LL);
    }
}

void TestSessionDialogs::calibrationStoredAndApplied()
{
    Fixture f;
    CalibrationDialog dialog(*f.main);
    dialog.setExperiment("Bad Lauchstädt", "1");
    dialog.iterationsField()->setValue(5);
    QSignalSpy stored(&dialog, &vt::gui::SessionDialog::stored);
    QVERIFY(dialog.start());
    QCOMPARE(stored.count(), 1);
    QCOMPARE(f.rows("rux_calibration"), 2LL);  // K_AKT and K_STAB
    QVERIFY(dialog.resultText()->toPlainText().contains("K_STAB"));
    QVERIFY(dialog.applyButton()->isEnabled());

    const long long before = f.rows("gldaparm");
    DialogHooks::setNextAnswer(true);
    const long long item = dialog.apply();
    QVERIFY(item > 1);
    QCOMPARE(f.rows("gldaparm"), before + 1);
    QCOMPARE(f.db().scalar("select K_AKT from gldaparm where item_ix=?", {item}).toDouble(),
             dialog.outcome()->result.parameters[0].fitted);

    // A factor starts from 1; a fit of factors alone has no model constant to apply.
    auto* table = dialog.parameterTable();
    table->removeRow(1);
    qobject_cast<QComboBox*>(table->cellWidget(0, 0))->setCurrentText("F_CREP");
    QCOMPARE(table->item(0, 1)->text(), QString("1"));
    table->item(0, dialog.valueColumn(0))->setText("0.5");
    table->item(0, dialog.valueColumn(1))->setText("1.5");
    QVERIFY(dialog.start());
    QVERIFY(!dialog.applyButton()->isEnabled());
}

void TestSessionDialogs::uncertaintyBandOnTheCarbonPage()
{
    Fixture f;
    QTabWidget tabs;  // holds the pages: destroyed after the set
    vt::gui::ResultPageSet pages(false);
    pages.setDatabase(&f.db(), f.box.path("demo.db"));
    pages.addPagesTo(&tabs);
    const auto areas = [&pages] {
        int n = 0;
        for (auto* s : pages.carbon()->chartView()->chart()->series()) n += qobject_cast<QAreaSeries*>(s) != nullptr;
        return n;
    };
    pages.showPlot(201);
    QVERIFY(!pages.carbon()->hasBand());
    QCOMPARE(areas(), 0);

    UncertaintyDialog dialog(*f.main);
    dialog.plotsField()->setText("201");
    dialog.samplesField()->setValue(20);
    QVERIFY(dialog.start());
    QVERIFY(f.count("select count(*) from rux_uncertainty where fl_id=201 and m_ix=7") > 0);
    QVERIFY(dialog.resultText()->toPlainText().contains("inside the 90 % band"));

    pages.showPlot(201);
    QVERIFY(pages.carbon()->hasBand());
    QCOMPARE(areas(), 1);
    // Drawn first, behind the points.
    QVERIFY(qobject_cast<QAreaSeries*>(pages.carbon()->chartView()->chart()->series().first()));
    QCOMPARE(pages.carbon()->chartView()->chart()->series().first()->name(), QString("90 % band"));
    pages.showPlot(202);  // another plot without rows: no band
    QCOMPARE(areas(), 0);
}

QTEST_MAIN(TestSessionDialogs)
#include "tst_session_dialogs.moc"
