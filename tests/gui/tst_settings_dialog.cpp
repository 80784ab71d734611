// "RUX settings": option interlocks, the stored values, the model-change question.
#include "gui/gui_support.h"
#include "gui/app/settings_dialog.h"
#include "gui/app/main_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using vt::gui::DialogHooks;
using vt::gui::SettingsDialog;
using vt::gui::MainWindow;

namespace {

// A main window on a fresh database with the settings dialog loaded and shown.
struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    SettingsDialog* dialog = nullptr;

    explicit Fixture(const QByteArray& settings = {}, const std::string& model = "RUX")
    {
        box.settings(box.database("exp.db", model), settings);
        window = std::make_unique<MainWindow>(box.env());
        window->connectAtShow();
        dialog = window->settingsDialog();
        dialog->show();
    }
    template <class T> T* child(const char* name) { return dialog->findChild<T*>(name); }
    void setText(const char* field, const QString& text) { child<QLineEdit>(field)->setText(text); }
    int results() { return window->session().connection()->scalar("select count(*) from rux_nresult").toInt(); }
    void save() { QTest::mouseClick(child<QPushButton>("save"), Qt::LeftButton); }
    // A click on the tick box itself, at the left end of the (stretched) widget.
    void tick(const QString& name)
    {
        auto* b = child<QCheckBox>(name.toLatin1());
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
};

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void interlocks_data();
    void interlocks();
    void savedValues();
    void cancelWritesNothing();
    void modelChangeQuestion_data();
    void modelChangeQuestion();
    void methodTableCreatedWhenMissing();
    void unreadableBatRecalcKeepsTheDialogOpen();
    void methodEditableOnlyWithKorvanic();
};

void TestSettingsDialog::interlocks_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("dynBd");
    QTest::addColumn<int>("dynLts");
    QTest::addColumn<int>("hassink");
    const QByteArray none = "dyn_bd=0\ndyn_lts=0\nhassink=0\n";
    const QByteArray all = "dyn_bd=1\ndyn_lts=1\nhassink=1\n";
    QTest::newRow("hassink ticked alone") << none << "hassink" << 1 << 1 << 1;
    QTest::newRow("dyn lts ticked") << none << "dyn_lts" << 1 << 1 << 0;
    QTest::newRow("dyn bd ticked") << none << "dyn_bd" << 1 << 0 << 0;
    QTest::newRow("dyn bd cleared") << all << "dyn_bd" << 0 << 0 << 0;
    QTest::newRow("dyn lts cleared") << all << "dyn_lts" << 1 << 0 << 0;
    QTest::newRow("hassink cleared") << all << "hassink" << 1 << 1 << 0;
}

void TestSettingsDialog::interlocks()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, box);
    QFETCH(int, dynBd);
    QFETCH(int, dynLts);
    QFETCH(int, hassink);
    Fixture f(stored);
    f.tick(box);
    QCOMPARE(f.child<QCheckBox>("dyn_bd")->isChecked(), dynBd == 1);
    QCOMPARE(f.child<QCheckBox>("dyn_lts")->isChecked(), dynLts == 1);
    QCOMPARE(f.child<QCheckBox>("hassink")->isChecked(), hassink == 1);
    f.save();
    QVERIFY(!f.dialog->isVisible());
    const auto s = f.box.stored();
    QCOMPARE(s.integerOr("dyn_bd", -1), dynBd);
    QCOMPARE(s.integerOr("dyn_lts", -1), dynLts);
    QCOMPARE(s.integerOr("hassink", -1), hassink);
}

void TestSettingsDialog::savedValues()
{
    Fixture f("pdf_reader=/usr/bin/evince\n");
    f.setText("soil_scheme", "KA5");
    f.setText("r_call", "/usr/bin/R");
    f.setText("r_result", "out.txt");
    f.setText("database", "/data/x.db");
    QTest::mouseClick(f.child<QRadioButton>("scenario_2"), Qt::LeftButton);
    QTest::mouseDClick(f.child<QLineEdit>("ppath"), Qt::LeftButton);
    f.save();
    const auto s = f.box.stored();
    QCOMPARE(s.textOr("soil_scheme", ""), std::string("KA5"));
    QCOMPARE(s.textOr("r_call", ""), std::string("/usr/bin/R"));
    QCOMPARE(s.textOr("r_result", ""), std::string("out.txt"));
    QCOMPARE(s.textOr("database", ""), std::string("/data/x.db"));
    QCOMPARE(s.textOr("pdf_reader", ""), std::string("/usr/bin/evince"));
    QCOMPARE(s.textOr("ppath", ""), QDir::currentPath().toStdString());
    QCOMPARE(s.integerOr("scenario", -1), 2LL);
    QCOMPARE(s.integerOr("recalc_bat", -1), 1LL);
    QCOMPARE(s.textOr("pf_wp", ""), std::string("42"));
}

void TestSettingsDialog::cancelWritesNothing()
{
    Fixture f;
    f.setText("soil_scheme", "KA5");
    f.tick("hassink");
    QTest::mouseClick(f.child<QPushButton>("cancel"), Qt::LeftButton);
    QVERIFY(!f.dialog->isVisible());
    const auto s = f.box.stored();
    QCOMPARE(s.textOr("soil_scheme", ""), std::string("RBS"));
    QVERIFY(!s.text("hassink"));
}

void TestSettingsDialog::modelChangeQuestion_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("soilScheme");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("resultsLeft");
    QTest::newRow("method changed, delete") << "HUBAHE" << "RBS" << true << true << 0;
    QTest::newRow("method changed, esc") << "HUBAHE" << "RBS" << false << true << 1;
    QTest::newRow("method and soil scheme changed") << "HUBAHE" << "KA5" << true << false << 1;
    QTest::newRow("nothing changed") << "RUX" << "RBS" << true << false << 1;
}

void TestSettingsDialog::modelChangeQuestion()
{
    QFETCH(QString, method);
    QFETCH(QString, soilScheme);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(int, resultsLeft);
    Fixture f("korvanic=1\n");
    f.setText("method", " " + method + " ");
    f.setText("soil_scheme", soilScheme);
    DialogHooks::setNextAnswer(answer);
    f.save();
    bool pending = false;
    QCOMPARE(!DialogHooks::takeAnswer(pending), asked);
    QCOMPARE(f.results(), resultsLeft);
    auto* c = f.window->session().connection();
    QCOMPARE(c->scalar("select count(*) from rs_table").toInt(), resultsLeft);
    // The new method is stored in either case, trimmed in the database.
    QCOMPARE(QString::fromStdString(c->scalar("select model from vtn_setting").toString()), method);
    QCOMPARE(QString::fromStdString(f.window->state().methode), " " + method + " ");
}

void TestSettingsDialog::methodTableCreatedWhenMissing()
{
    Fixture f("korvanic=1\n");
    f.window->session().connection()->execute("drop table vtn_setting");
    f.setText("method", "HUBAOG");
    DialogHooks::setNextAnswer(false);
    f.save();
    auto* c = f.window->session().connection();
    QCOMPARE(c->scalar("select count(*) from vtn_setting").toInt(), 1);
    QCOMPARE(c->scalar("select model from vtn_setting").toString(), std::string("HUBAOG"));
}

void TestSettingsDialog::unreadableBatRecalcKeepsTheDialogOpen()
{
    Fixture f;
    f.setText("recalc_bat", "yes");
    f.setText("soil_scheme", "KA5");
    f.save();
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(DialogHooks::takeMessages().size(), 1);
    QCOMPARE(f.box.stored().textOr("soil_scheme", ""), std::string("RBS"));
}

void TestSettingsDialog::methodEditableOnlyWithKorvanic()
{
    Fixture plain;
    QVERIFY(!plain.child<QLineEdit>("method")->isEnabled());
    Fixture korvanic("korvanic=2\n");
    QVERIFY(korvanic.child<QLineEdit>("method")->isEnabled());
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
