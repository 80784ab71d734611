// Renders the tools ("SQL - module", "data transfer", "Datenanalyse mit R", "reference
// list" with its keyword relations) over the demo database, in English and in German,
// into PNG files whose names begin with "tools": into $VELTRANO_SCREENSHOT_DIR when set
// (scripts/screenshots), else into a temporary folder.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/app/main_window.h"
#include "workbench/database_upkeep.h"
#include "gui/tools/data_transfer_window.h"
#include "gui/tools/r_analysis_window.h"
#include "gui/tools/reference_list_window.h"
#include "gui/tools/sql_module_window.h"
#include "gui/tools/tool_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QtTest>

using vt::gui::MainWindow;

class ShotsTools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void windows_data();
    void windows();

private:
    void save(QWidget* w, const QString& name);
    QString dir_;
    QTemporaryDir tmp_;
};

void ShotsTools::initTestCase()
{
    dir_ = qEnvironmentVariable("VELTRANO_SCREENSHOT_DIR");
    if (dir_.isEmpty()) dir_ = tmp_.path();
    QDir().mkpath(dir_);
}

void ShotsTools::save(QWidget* w, const QString& name) { vt::test::save_window_shot(w, dir_, name, false, false); }

void ShotsTools::windows_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "E";
    QTest::newRow("German") << "D";
}

void ShotsTools::windows()
{
    QFETCH(QString, language);
    const QString suffix = language == "E" ? "_en" : "_de";
    vt::test::GuiSandbox box;
    const auto db = box.file("rux_demo.db");
    vt::workbench::create_demo_file(db);
    box.settings(db, "language=" + language.toLatin1() + "\nr_call=/usr/bin/Rscript\nr_result=anyname.txt\n");
    MainWindow w(box.env());
    w.connectAtShow();
    auto tools = vt::gui::install_tool_windows(w);
    vt::gui::DialogHooks::captureMessages(true);

    auto* sql = tools.sqlModule.get();
    sql->editor()->setPlainText("' mean observed SOC of each plot\n"
                                "select fl_id, count(*) as samples, avg(meas_value) as mean_corg\n"
                                "from measurements where m_ix = $m_ix\ngroup by fl_id");
    box.write("soc.sql", sql->editor()->toPlainText().toUtf8());
    sql->loadFile(box.path("soc.sql"));
    sql->parameterGrid()->setData(sql->parameterGrid()->index(0, 1), "7");
    sql->updateWithParameters();
    sql->execute();
    save(sql, "tools_sql_module" + suffix);

    const std::string dst = box.file("regional.db");
    {
        vt::db::Connection d(dst, vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(d);
    }
    auto* transfer = tools.dataTransfer.get();
    transfer->show();
    transfer->tickPlot(101);
    transfer->tickPlot(102);
    vt::gui::DialogHooks::setNextFileName(QString::fromStdString(dst));
    vt::gui::DialogHooks::setNextAnswer(true);
    vt::gui::DialogHooks::setNextAnswer(true);
    transfer->copy();
    save(transfer, "tools_data_transfer" + suffix);

    box.write("per_plot.txt", "drop table per_plot\ngo\nSELECT FL_ID, M_IX, [year], meas_value INTO per_plot\n"
                              "FROM measurements WHERE FL_ID = #fl_id\ngo\n");
    box.write("soc_trend.r", "x <- dbGetQuery(ch, \"select * from per_plot\")\nfit <- lm(meas_value ~ year, data = x)\n"
                             "print(summary(fit))\n");
    auto* r = tools.rAnalysis.get();
    r->show();
    r->sqlField()->setText(box.path("per_plot.txt"));
    r->rField()->setText(box.path("soc_trend.r"));
    r->showContent(r->rField());
    save(r, "tools_r_analysis" + suffix);

    auto* refs = tools.referenceList.get();
    refs->showPlot(101);
    save(refs, "tools_reference_list" + suffix);
    refs->editKeywordRelation();
    save(refs->keywordWindow(), "tools_keyword_relations" + suffix);
    for (QWidget* window : {static_cast<QWidget*>(sql), static_cast<QWidget*>(transfer), static_cast<QWidget*>(r),
                            static_cast<QWidget*>(refs)})
        window->hide();
}

QTEST_MAIN(ShotsTools)
#include "shots_tools.moc"
