// Choosing the database: the history file, "Change System Database", picks from the
// history, and files that cannot be opened.
#include "gui/gui_support.h"
#include "gui/app/db_history.h"
#include "gui/app/main_window.h"

#include <QComboBox>
#include <QtTest>

using vt::gui::DialogHooks;
using vt::gui::MainWindow;

namespace {

QStringList listed(const MainWindow& w)
{
    QStringList l;
    for (const auto& e : w.history().entries()) l << QString::fromStdString(e);
    return l;
}

} // namespace

class TestDatabaseChoice : public QObject {
    Q_OBJECT
private slots:
    void historyListsEachFileOnceAndDropsMissingOnes();
    void changeDatabaseAddsToTheHistoryOnce();
    void cancellingTheFileDialogChangesNothing();
    void aFileThatCannotBeOpenedKeepsThePreviousDatabase();
    void aMissingStoredDatabaseIsAskedFor();
    void theCorrectedPathIsTaken();
    void pickFromHistorySwitches();
    void pdfLocationsAreStored();
    void accessFilesAreImportedFirst();
};

void TestDatabaseChoice::historyListsEachFileOnceAndDropsMissingOnes()
{
    vt::test::GuiSandbox box;
    const auto a = box.database("a.db");
    const auto b = box.database("b.db");
    box.settings(b);
    // a twice (once through a detour), a deleted file, then b.
    box.write("glddbhist.txt", QByteArray::fromStdString(a + "\n" + box.folder() + "/sub/../a.db\n" + box.file("gone.db")
                                                          + "\n\n" + b + "\r\n"));
    QDir(box.path("")).mkdir("sub");
    MainWindow w(box.env());
    QCOMPARE(listed(w), (QStringList{QString::fromStdString(a), QString::fromStdString(b)}));
    QCOMPARE(w.findChild<QComboBox*>("history")->currentText(), QString::fromStdString(b));
}

void TestDatabaseChoice::changeDatabaseAddsToTheHistoryOnce()
{
    vt::test::GuiSandbox box;
    const auto a = box.database("a.db");
    const auto b = box.database("b.db", "HUBAHE");
    box.settings(a);
    MainWindow w(box.env());
    w.connectAtShow();
    for (int i = 0; i < 2; ++i) {
        DialogHooks::setNextFileName(QString::fromStdString(b));
        w.changeDatabase();
    }
    QCOMPARE(w.session().path(), b);
    QCOMPARE(w.state().db_f_name, b);
    QCOMPARE(w.state().methode, std::string("HUBAHE"));
    QVERIFY(w.windowTitle().startsWith("Veltrano; Model=HUBAHE"));
    QCOMPARE(listed(w), (QStringList{QString::fromStdString(a), QString::fromStdString(b)}));
    vt::gui::DbHistory file(box.folder());
    file.load();
    QCOMPARE(file.entries().size(), std::size_t(2));
    QCOMPARE(box.stored().textOr("database", ""), b);
    QCOMPARE(box.stored().textOr("DBQ", ""), b);
    QVERIFY(DialogHooks::takeMessages().isEmpty());
}

void TestDatabaseChoice::cancellingTheFileDialogChangesNothing()
{
    vt::test::GuiSandbox box;
    const auto a = box.database("a.db");
    box.settings(a);
    MainWindow w(box.env());
    w.connectAtShow();
    DialogHooks::setNextFileName(QString());
    w.changeDatabase();
    QCOMPARE(w.session().path(), a);
    QCOMPARE(listed(w), QStringList{QString::fromStdString(a)});
}

void TestDatabaseChoice::aFileThatCannotBeOpenedKeepsThePreviousDatabase()
{
    vt::test::GuiSandbox box;
    const auto a = box.database("a.db");
    box.settings(a);
    box.write("notes.db", "this is not a database");
    MainWindow w(box.env());
    w.connectAtShow();
    DialogHooks::setNextFileName(QString());  // the correction dialog is cancelled
    QVERIFY(!w.switchDatabase(box.path("notes.db")));
    const auto messages = DialogHooks::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("DB error: cannot open database"), qPrintable(messages[0]));
    QCOMPARE(w.session().path(), a);
    QCOMPARE(w.state().db_f_name, a);
    QCOMPARE(box.stored().textOr("database", ""), a);
    QCOMPARE(listed(w), QStringList{QString::fromStdString(a)});
}

void TestDatabaseChoice::aMissingStoredDatabaseIsAskedFor()
{
    vt::test::GuiSandbox box;
    const auto b = box.database("b.db");
    box.settings(box.file("moved.db"));
    DialogHooks::setNextFileName(QString::fromStdString(b));
    MainWindow w(box.env());
    QCOMPARE(box.stored().textOr("database", ""), b);
    w.connectAtShow();
    QCOMPARE(w.session().path(), b);
}

void TestDatabaseChoice::theCorrectedPathIsTaken()
{
    vt::test::GuiSandbox box;
    const auto b = box.database("b.db");
    box.write("notes.db", "this is not a database");
    box.settings(box.file("notes.db"));
    MainWindow w(box.env());
    DialogHooks::setNextFileName(QString::fromStdString(b));
    w.connectAtShow();
    QCOMPARE(w.session().path(), b);
    QCOMPARE(box.stored().textOr("database", ""), b);
    QVERIFY(DialogHooks::takeMessages().isEmpty());
}

void TestDatabaseChoice::pickFromHistorySwitches()
{
    vt::test::GuiSandbox box;
    const auto a = box.database("a.db");
    const auto b = box.database("b.db");
    box.settings(b);
    box.write("glddbhist.txt", QByteArray::fromStdString(a + "\n" + b + "\n"));
    MainWindow w(box.env());
    w.connectAtShow();
    auto* list = w.findChild<QComboBox*>("history");
    QCOMPARE(list->currentIndex(), 1);
    list->setCurrentIndex(0);
    emit list->activated(0);
    QCOMPARE(w.session().path(), a);
    QCOMPARE(box.stored().textOr("database", ""), a);
}

void TestDatabaseChoice::pdfLocationsAreStored()
{
    vt::test::GuiSandbox box;
    box.settings(box.database("a.db"));
    MainWindow w(box.env());
    DialogHooks::setNextFileName(box.path("docs/paper.pdf"));
    QVERIFY(w.choosePdfLocation("pdf_dir"));
    DialogHooks::setNextFileName("/usr/bin/evince");
    QVERIFY(w.choosePdfLocation("pdf_reader"));
    DialogHooks::setNextFileName(QString());
    QVERIFY(!w.choosePdfLocation("pdf_reader"));
    QCOMPARE(box.stored().textOr("pdf_dir", ""), box.file("docs"));
    QCOMPARE(box.stored().textOr("pdf_reader", ""), std::string("/usr/bin/evince"));
}

void TestDatabaseChoice::accessFilesAreImportedFirst()
{
    vt::test::GuiSandbox box;
    const auto a = box.database("a.db");
    box.settings(a);
    QVERIFY(QFile::copy(VELTRANO_TEST_DATA "/access/DateTestDatabase.mdb", box.path("dates.mdb")));
    MainWindow w(box.env());
    w.connectAtShow();
    // The import makes dates.db beside the Access file; it holds no experiments, so it
    // cannot be used and the open database stays.
    DialogHooks::setNextFileName(box.path("dates.mdb"));
    DialogHooks::setNextFileName(QString());
    w.changeDatabase();
    QVERIFY(QFile::exists(box.path("dates.db")));
    vt::db::Connection imported(box.file("dates.db"));
    QVERIFY(imported.scalar("select count(*) from sqlite_master where type='table'").toInt() > 0);
    QCOMPARE(w.session().path(), a);
    QVERIFY(!DialogHooks::takeMessages().isEmpty());
}

QTEST_MAIN(TestDatabaseChoice)
#include "tst_database_choice.moc"
