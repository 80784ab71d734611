// The tools: "SQL - module", "data transfer", "Datenanalyse mit R" and "reference list",
// opened over the main window's database.
#include "gui/gui_support.h"
#include "gui/app/main_window.h"
#include "gui/tools/data_transfer_window.h"
#include "gui/tools/r_analysis_window.h"
#include "gui/tools/reference_list_window.h"
#include "gui/tools/tool_grid_model.h"
#include "gui/tools/sql_module_window.h"
#include "gui/tools/tool_dialogs.h"
#include "gui/tools/tool_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

using vt::gui::DialogHooks;
using vt::gui::MainWindow;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    vt::gui::ToolWindows tools;

    explicit Fixture(const QByteArray& settings = {}, const QByteArray& ini = {})
    {
        box.settings(box.database("exp.db"), settings);
        if (!ini.isEmpty()) box.write("veltrano.ini", ini);
        window = std::make_unique<MainWindow>(box.env());
        window->connectAtShow();
        tools = vt::gui::install_tool_windows(*window);
    }
    ~Fixture() { tools = {}; }
    vt::db::Connection& db() { return *window->session().connection(); }
    void click(MainWindow::Command c) { QTest::mouseClick(window->button(c), Qt::LeftButton); }
};

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private slots:
    void sqlModuleRunsScripts();
    void sqlModuleParameters();
    void korvanicKeepsDataTransferShut();
    void dataTransferCopiesTickedPlots();
    void referenceList();
    void rWindowReportsAMissingRProgram();
};

void TestTools::sqlModuleRunsScripts()
{
    Fixture f;
    f.click(MainWindow::Command::SqlModule);
    auto* w = f.tools.sqlModule.get();
    QVERIFY(w->isVisible());
    w->editor()->setPlainText("select FL_ID, site_description from field_description\ngo\n"
                              "SELECT FL_ID & \"-\" & site_description AS label INTO labels FROM field_description");
    QVERIFY(w->execute());
    QVERIFY(w->dataChangeTicked());
    QCOMPARE(w->resultGrid()->rowCount(), 3);
    QCOMPARE(w->slotText(), QString("1"));
    QCOMPARE(f.db().scalar("select count(*) from labels where label = '2-b'").toInt(), 1);
    QVERIFY(w->log().contains("statement 2: 3 rows changed"));

    w->editor()->setPlainText("select * from nowhere");
    QVERIFY(!w->execute());
    const auto messages = DialogHooks::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains("no such table: nowhere [statement: select * from nowhere]"));
    QCOMPARE(w->slotText(), QString("2"));
    w->historyUp();
    QVERIFY(w->editor()->toPlainText().startsWith("select FL_ID, site_description"));
    w->hide();  // closing empties the history
    QCOMPARE(w->slotText(), QString("0"));

    // No script runs while a run uses the database.
    w->setBusyCheck([] { return true; });
    w->editor()->setPlainText("delete from field_description");
    QVERIFY(!w->execute());
    QVERIFY(DialogHooks::takeMessages().first().contains("A run is in progress"));
    QCOMPARE(f.db().scalar("select count(*) from field_description").toInt(), 3);
}

void TestTools::sqlModuleParameters()
{
    Fixture f;
    auto* w = f.tools.sqlModule.get();
    f.box.write("p.sql", "select site_description from field_description\nwhere FL_ID = $fl or site_description = '$name'\n");
    DialogHooks::setNextFileName(f.box.path("p.sql"));
    QTest::mouseClick(w->findChild<QPushButton*>("load"), Qt::LeftButton);
    QCOMPARE(w->parameterGrid()->rowCount(), 2);
    QCOMPARE(w->parameterGrid()->index(0, 0).data().toString(), QString("$fl"));
    w->parameterGrid()->setData(w->parameterGrid()->index(0, 1), "1");
    w->parameterGrid()->setData(w->parameterGrid()->index(1, 1), "it's");
    QTest::mouseClick(w->findChild<QPushButton*>("update_parameters"), Qt::LeftButton);
    QVERIFY(w->editor()->toPlainText().contains("FL_ID = 1 or site_description = 'it''s'"));
    QVERIFY(w->execute());
    QCOMPARE(w->resultGrid()->rowCount(), 1);

    const QString xlsx = f.box.path("result.xlsx");
    QUrl opened;
    vt::gui::set_document_opener([&](const QUrl& u) { opened = u; return true; });
    DialogHooks::setNextFileName(xlsx);
    w->exportToXls();
    QVERIFY(QFileInfo::exists(xlsx));
    QCOMPARE(opened, QUrl::fromLocalFile(xlsx));
    // Where no program opens the workbook (a machine without a desktop), the window says
    // where it went.
    vt::gui::set_document_opener([](const QUrl&) { return false; });
    DialogHooks::takeMessages();
    DialogHooks::setNextFileName(xlsx);
    w->exportToXls();
    const QStringList said = DialogHooks::takeMessages();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.first().contains(xlsx) && said.first().contains("no program opens it"), qPrintable(said.first()));
    vt::gui::set_document_opener([](const QUrl&) { return true; });
    QTest::mouseClick(w->findChild<QPushButton*>("clear_grid"), Qt::LeftButton);
    QCOMPARE(w->parameterGrid()->rowCount(), 0);
}

void TestTools::korvanicKeepsDataTransferShut()
{
    Fixture f({}, "[MODUS]\nmode=KORVANIC\n");
    QVERIFY(!f.window->button(MainWindow::Command::DataTransfer)->isEnabled());
    f.click(MainWindow::Command::DataTransfer);
    QVERIFY(!f.tools.dataTransfer->isVisible());
    f.click(MainWindow::Command::SqlModule);
    QVERIFY(f.tools.sqlModule->isVisible());
}

void TestTools::dataTransferCopiesTickedPlots()
{
    Fixture f;
    const std::string dst = f.box.file("dst.db");
    {
        vt::db::Connection d(dst, vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(d);
    }
    f.click(MainWindow::Command::DataTransfer);
    auto* w = f.tools.dataTransfer.get();
    QCOMPARE(w->sourceList()->rowCount(), 3);
    w->tickPlot(2);
    w->noWaitOnKeyCheck()->setChecked(true);
    DialogHooks::setNextFileName(QString::fromStdString(dst));
    QCOMPARE(w->copy(), 1);
    QVERIFY(QFileInfo::exists(QString::fromStdString(dst + ".bak")));
    QCOMPARE(w->destinationGrid()->rowCount(), 1);
    // The same plot again: the message names it, nothing more is copied.
    QCOMPARE(w->copy(), 0);
    const auto messages = DialogHooks::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains("plot 2 is in the destination already (the same FL_ID); nothing of it was copied"));
    w->invertTicks();
    QCOMPARE(w->sourceList()->item(1)->checkState(), Qt::Unchecked);
    w->close();
    QCOMPARE(w->destinationPath(), QString());
    vt::db::Connection d(dst);
    QCOMPARE(d.scalar("select count(*) from field_description").toInt(), 1);
}

void TestTools::referenceList()
{
    Fixture f;
    f.db().executeScript("update field_description set versuch_code='E1', Location='A' where FL_ID=1;"
                         "insert into referenzen (lit_id, quelle, autor, jahr, Titel, seite) values "
                         "(1, 'article', 'Miller', 1990, 'Carbon', '1-10'), (2, '', 'Smith', 2001, 'Nitrogen', '');"
                         "insert into refkey_def values (0, 'all', 'every topic'), (1, 'soil parm', 'soil');"
                         "insert into ref2vcode values (1, 'E1');"
                         "insert into key2ref2fl values (0, 1, 1), (1, 1, 1);");
    auto* w = f.tools.referenceList.get();
    w->showPlot(1);
    QVERIFY(w->titleText().contains("<E1>"));
    QCOMPARE(w->grid()->rowCount(), 2);  // unfiltered: filed under two keywords
    QCOMPARE(w->grid()->columnCount(), 3);
    QCOMPARE(w->compactPage()->count(), 5);  // quelle, autor, jahr, Titel, seite
    w->applyKeywordSelection(1);
    QCOMPARE(w->grid()->rowCount(), 1);

    w->litIdField()->setText("77");
    w->addNewReference();
    QCOMPARE(w->litIdField()->text(), QString("not found!"));
    w->litIdField()->setText("2");
    w->applyKeywordSelection(-1);
    w->addNewReference();
    QCOMPARE(w->grid()->rowCount(), 3);
    QCOMPARE(f.db().scalar("select count(*) from ref2vcode where lit_id=2 and versuchs_code='E1'").toInt(), 1);

    w->selectRow(0);
    w->editKeywordRelation();
    auto* k = w->keywordWindow();
    QCOMPARE(k->lines()->count(), 2);
    QCOMPARE(k->lines()->item(0)->text(), QString("0 :  all  [every topic]"));
    k->keywords()->setCurrentIndex(1);
    k->deleteKeyword();
    QCOMPARE(k->lines()->count(), 1);

    // The PDF document of a reference opens with the desktop's viewer.
    QDir(QString::fromStdString(f.box.folder())).mkpath("pdf");
    f.box.write("pdf/1.pdf", "%PDF-1.4");
    f.window->settings().setText("pdf_dir", f.box.file("pdf"));
    f.window->settings().save();
    QUrl opened;
    vt::gui::set_document_opener([&](const QUrl& u) { opened = u; return true; });
    w->selectRow(0);
    w->showPdf();
    QCOMPARE(opened, QUrl::fromLocalFile(f.box.path("pdf/1.pdf")));
    vt::gui::set_document_opener([](const QUrl&) { return true; });

    w->deleteRelation();
    QCOMPARE(f.db().scalar("select count(*) from ref2vcode where lit_id=1").toInt(), 0);
}

void TestTools::rWindowReportsAMissingRProgram()
{
    Fixture f("r_call=/nonexistent/path_to_r\nsp_a_sql=" + QByteArray("q.txt") + "\n");
    f.db().execute("insert into sim_result (fl_id, m_ix, year_, year_num, sim_value) values (1, 7, 1990, 1, 1.5)");
    f.box.write("q.txt", "create table per_plot_r as select #fl_id as fl\ngo\n");
    f.box.write("a.r", "x <- 1\n");
    auto* w = f.tools.rAnalysis.get();
    w->show();
    QCOMPARE(w->folderField()->text(), QString::fromStdString(f.box.folder()));
    w->sqlField()->setText(f.box.path("q.txt"));
    w->rField()->setText(f.box.path("a.r"));
    w->showContent(w->rField());
    QCOMPARE(w->contentList()->count(), 1);
    QVERIFY(w->hint()->isHidden());
    QSignalSpy done(w, &vt::gui::RAnalysisWindow::evaluationFinished);
    QVERIFY(w->go());
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(done.first().first().toInt(), 0);
    const auto messages = DialogHooks::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("the R program \"/nonexistent/path_to_r\" could not be started"), qPrintable(messages[0]));
    QVERIFY(QFileInfo::exists(f.box.path("spez100.r")));
    QCOMPARE(f.db().scalar("select fl from per_plot_r").toInt(), 1);
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
