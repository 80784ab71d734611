// "RUX-Parameter" and its dialogs: the preselection toggles and buttons, the pages, the
// soil record, the simple soil dialog's validation, "Set initial SOM", the viewers.
#include "gui/gui_support.h"
#include "gui/app/main_window.h"
#include "gui/params/initial_som_dialog.h"
#include "gui/params/parameter_viewer_dialog.h"
#include "gui/params/parameter_window.h"
#include "gui/params/preselection_page.h"
#include "gui/params/simple_soil_dialog.h"
#include "gui/params/soil_profile_page.h"
#include "gui/params/table_list_page.h"
#include "gui/widgets/table_edit_model.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

using vt::gui::DialogHooks;
using vt::gui::MainWindow;
using vt::gui::ParameterWindow;
using vt::gui::SimpleSoilDialog;
using vt::workbench::SelectionList;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> window;
    ParameterWindow* params = nullptr;

    explicit Fixture(const std::string& model = "RUX", const QByteArray& settings = {})
    {
        const auto path = box.database("exp.db", model);
        {
            vt::db::Connection c(path);
            c.executeScript(
                "insert into gldpflan (ITEM_IX, NAME, ewr_ix, kop_ix) values (101, 'winter wheat', 1, 2), (102, 'maize', 1, 0);"
                "insert into gldopspa (item_ix, NAME, od) values (1, 'wheat roots', 0), (2, 'wheat straw', 0), "
                "(5, 'farmyard manure', -1);"
                "insert into gldsel_crop ([select], ITEM_IX, Name) values (-1, 101, 'winter wheat');"
                "insert into gldsel_ops ([select], ITEM_IX, Name) values (-1, 5, 'farmyard manure');"
                "insert into gldmindg (item_ix, name) values (1, 'CAN');"
                "insert into soilproperties (soil_ID, profile, BA_RBS, clay, silt, skelett) values "
                "(1, 'Loess', 'sL', 20, 30, 0), (2, 'Sand', 'S', 3, 7, 5);"
                "update field_description set soil_ID=1, repix=29 where FL_ID in (1, 2)");
            if (model == "HUMOD")
                c.executeScript("create table humod_crop_parm (crop_id int, name text, dm double);"
                                "create table humod_fert_parm (fert_id int, name text);"
                                "insert into humod_crop_parm values (1, 'wheat', 0.5)");
        }
        box.settings(path, settings);
        window = std::make_unique<MainWindow>(box.env());
        window->connectAtShow();
        params = window->parameterWindow();
        params->prepareShow();
        params->show();
    }
    vt::db::Connection& db() { return *window->session().connection(); }
    long long count(const char* sql) { return db().scalar(sql).toInt(); }
};

} // namespace

class TestParams : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheAmendmentPageWithTheTableList();
    void preselectionToggles();
    void preselectionButtons();
    void amendmentFilter();
    void humodTables();
    void soilPagePostsWithTheMissingValueRule();
    void soilPageEnterAndDelete();
    void accessDatabaseExports();
    void endTellsTheBrowser();
    void simpleSoilValidation();
    void simpleSoilEditAndDelete();
    void initialSom();
    void viewers();
};

void TestParams::opensOnTheAmendmentPageWithTheTableList()
{
    Fixture f;
    QCOMPARE(f.params->currentPage(), ParameterWindow::OmParm);
    QVERIFY(f.params->databasePage()->tables().contains("soilproperties"));
    auto* m = f.params->gridModel(ParameterWindow::OmParm);
    QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(m->columnCount(), 10);
    auto* props = f.params->gridModel(ParameterWindow::Properties);
    QCOMPARE(props->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("NAME"));
    QVERIFY(!f.window->button(MainWindow::Command::Parameters)->isHidden());
    QVERIFY(f.window->button(MainWindow::Command::Parameters)->isEnabled());
}

void TestParams::preselectionToggles()
{
    Fixture f;
    auto* page = f.params->preselection();
    auto* ops = page->model(SelectionList::Amendments);
    QCOMPARE(ops->data(ops->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(!(ops->flags(ops->index(0, 1)) & Qt::ItemIsEditable));  // item_ix and name are read-only
    auto* view = page->view(SelectionList::Amendments);
    emit view->doubleClicked(ops->index(0, 2));
    QCOMPARE(f.count("select [select] from gldsel_ops where ITEM_IX=5"), 0LL);
    page->toggle(SelectionList::Amendments, 0);
    QCOMPARE(f.count("select [select] from gldsel_ops where ITEM_IX=5"), -1LL);
    f.db().execute("update gldsel_ops set [select]=null");
    page->reload();
    page->toggle(SelectionList::Amendments, 0);  // anything but true becomes true
    QCOMPARE(f.count("select [select] from gldsel_ops where ITEM_IX=5"), -1LL);
}

void TestParams::preselectionButtons()
{
    Fixture f;
    auto* page = f.params->preselection();
    f.db().execute("insert into gldpflan (ITEM_IX, NAME) values (103, 'sugar beet')");
    QTest::mouseClick(page->findChild<QPushButton*>("crops_none"), Qt::LeftButton);
    QCOMPARE(f.count("select count(*) from gldsel_crop where [select]<>0"), 0LL);
    QTest::mouseClick(page->findChild<QPushButton*>("crops_invert"), Qt::LeftButton);
    QCOMPARE(f.count("select count(*) from gldsel_crop where [select]<>0"), 1LL);
    QTest::mouseClick(page->findChild<QPushButton*>("crops_all"), Qt::LeftButton);
    QCOMPARE(page->model(SelectionList::Crops)->rowCount(), 3);  // rebuilt from gldpflan
    QTest::mouseClick(page->findChild<QPushButton*>("fertilizers_all"), Qt::LeftButton);
    QCOMPARE(page->model(SelectionList::Fertilizers)->rowCount(), 1);
    QVERIFY(DialogHooks::takeMessages().isEmpty());
}

void TestParams::amendmentFilter()
{
    Fixture f;
    auto* m = f.params->gridModel(ParameterWindow::OmParm);
    f.params->findChild<QRadioButton*>("filter_substrates")->click();
    QCOMPARE(m->rowCount(), 1);
    f.params->findChild<QRadioButton*>("filter_residues")->click();
    QCOMPARE(m->rowCount(), 2);
    f.params->end();  // closing removes the filter
    f.params->show();
    QCOMPARE(m->rowCount(), 3);
}

void TestParams::humodTables()
{
    Fixture f("HUMOD");
    QCOMPARE(f.params->gridModel(ParameterWindow::CropParm)->table(), QString("humod_crop_parm"));
    QCOMPARE(f.params->gridModel(ParameterWindow::CropParm)->columnCount(), 3);
    QCOMPARE(f.params->gridModel(ParameterWindow::OmParm)->table(), QString("humod_fert_parm"));
    QVERIFY(!f.params->findChild<QRadioButton*>("filter_residues")->isEnabled());
}

void TestParams::soilPagePostsWithTheMissingValueRule()
{
    Fixture f;
    f.params->showPage(ParameterWindow::SoilProfiles);
    auto* page = f.params->soilPage();
    QVERIFY(page->showSoil(1));
    page->edit();
    page->field("clay")->setText("");
    page->field("silt")->setText("0");
    page->field("fat")->setText("12,5");
    QVERIFY(page->post());
    QVERIFY(f.db().scalar("select clay from soilproperties where soil_ID=1").isNull());
    QCOMPARE(f.db().scalar("select silt from soilproperties where soil_ID=1").toDouble(), -99.0);
    QCOMPARE(f.count("select silt_org from soilproperties where soil_ID=1"), 0LL);
    QCOMPARE(f.db().scalar("select FAT from soilproperties where soil_ID=1").toDouble(), 12.5);
    QCOMPARE(f.count("select FAT_org from soilproperties where soil_ID=1"), -1LL);
    // A value that is not a number stores nothing.
    page->edit();
    page->field("bd")->setText("1.4x");
    page->field("pv")->setText("40");
    QVERIFY(!page->post());
    QVERIFY(DialogHooks::takeMessages().value(0).startsWith("value refused"));
    QCOMPARE(f.db().scalar("select PV from soilproperties where soil_ID=1").toDouble(), -99.0);  // the 40 was not stored
}

void TestParams::soilPageEnterAndDelete()
{
    Fixture f;
    f.params->showPage(ParameterWindow::SoilProfiles);
    auto* page = f.params->soilPage();
    QSignalSpy soils(f.params, &ParameterWindow::soilsChanged);
    // An existing name is found without a question.
    page->findChild<QLineEdit*>("profile")->setText("Sand");
    page->enterProfile();
    QCOMPARE(page->currentSoil(), 2LL);
    DialogHooks::setNextAnswer(true);
    page->findChild<QLineEdit*>("profile")->setText("Clay");
    page->enterProfile();
    QCOMPARE(page->currentSoil(), 3LL);
    QCOMPARE(soils.count(), 1);
    // A soil used by plots is deleted only after the question; "no" keeps it.
    QVERIFY(page->showSoil(1));
    DialogHooks::setNextAnswer(false);
    page->deleteSoil();
    QCOMPARE(f.count("select count(*) from soilproperties where soil_ID=1"), 1LL);
    DialogHooks::setNextAnswer(true);
    page->deleteSoil();
    QCOMPARE(f.count("select count(*) from soilproperties where soil_ID=1"), 0LL);
}

void TestParams::accessDatabaseExports()
{
    Fixture f;
    auto* page = f.params->databasePage();
    page->showTable("gldmindg");
    QCOMPARE(page->shownTable(), QString("gldmindg"));
    QCOMPARE(page->model()->rowCount(), 1);
    page->exportXml();
    QVERIFY(QFile::exists(f.box.path("gldmindg.xml")));
    DialogHooks::setNextFileName(f.box.path("g.xlsx"));
    page->exportXlsx();
    QVERIFY(QFileInfo(f.box.path("g.xlsx")).size() > 1000);
    QCOMPARE(DialogHooks::takeMessages().size(), 1);  // "saved: ..." of the XML file
    // A result table that the database lacks.
    f.params->resultsPage()->showTable("rux_stat_corg");
    QVERIFY(DialogHooks::takeMessages().value(0).contains("not in the database"));
}

void TestParams::endTellsTheBrowser()
{
    Fixture f;
    QSignalSpy changed(f.params, &ParameterWindow::parametersChanged);
    QTest::mouseClick(f.params->findChild<QPushButton*>("end"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QVERIFY(!f.params->isVisible());
}

void TestParams::simpleSoilValidation()
{
    Fixture f;
    SimpleSoilDialog d(*f.window);
    d.setProfileName("-?-");
    d.show();
    QVERIFY(d.newMode());
    QCOMPARE(d.gravelField()->text(), QString("0"));
    QCOMPARE(d.clayField()->text(), QString("?"));
    QCOMPARE(d.siltField()->text(), QString("-99"));
    QVERIFY(!d.save());
    QCOMPARE(DialogHooks::takeMessages(), QStringList{"Satz kann nicht gespeichert werden: Bitte alle Pflicht-Daten eingeben !"});
    QVERIFY(SimpleSoilDialog::marked(d.nameField()));
    QVERIFY(SimpleSoilDialog::marked(d.soilTypeField()));
    QVERIFY(SimpleSoilDialog::marked(d.clayField()));
    QCOMPARE(d.clayField()->palette().color(QPalette::Base), QColor(0xC0, 0xDC, 0xC0));

    // Complete: stored, and a new soil named like an existing one gets "1" appended.
    d.nameField()->setText("Loess");
    d.soilTypeField()->setCurrentIndex(d.soilTypeField()->findText("SL"));
    d.clayField()->setText("12");
    QVERIFY(d.save());
    QVERIFY(!SimpleSoilDialog::marked(d.clayField()));
    QCOMPARE(d.profileName(), QString("Loess1"));
    QCOMPARE(f.count("select silt_org from soilproperties where profile='Loess1'"), -1LL);
    QCOMPARE(f.db().scalar("select BA_RBS from soilproperties where profile='Loess1'").toString(), std::string("SL"));
}

void TestParams::simpleSoilEditAndDelete()
{
    Fixture f;
    {
        // "delete this soil" in new mode deletes nothing.
        SimpleSoilDialog d(*f.window);
        d.show();
        d.nameField()->setText("Sand");
        d.deleteSoil();
        QCOMPARE(d.profileName(), QString("-?-"));
        QCOMPARE(f.count("select count(*) from soilproperties"), 2LL);
    }
    {
        SimpleSoilDialog d(*f.window);
        d.setProfileName("Sand");
        d.show();
        QVERIFY(!d.newMode());
        QVERIFY(d.nameField()->isReadOnly());
        QCOMPARE(d.soilTypeField()->currentText(), QString("S"));
        QCOMPARE(d.gravelField()->text(), QString("5"));
        d.deleteSoil();  // no plot uses Sand: no question
        QCOMPARE(d.profileName(), QString("-?-"));
        QCOMPARE(f.count("select count(*) from soilproperties where profile='Sand'"), 0LL);
    }
    {
        // A soil used by two plots: the question comes first, and "no" keeps it.
        SimpleSoilDialog d(*f.window);
        d.setProfileName("Loess");
        d.show();
        DialogHooks::setNextAnswer(false);
        d.deleteSoil();
        QCOMPARE(f.count("select count(*) from soilproperties where profile='Loess'"), 1LL);
        QCOMPARE(d.profileName(), QString("Loess"));
    }
}

void TestParams::initialSom()
{
    Fixture f;
    vt::gui::InitialSomDialog d(*f.window);
    QVERIFY(d.setPlot(1));
    QCOMPARE(d.level(), 0);  // repix 29 on silt + clay 50: "very low"
    QCOMPARE(d.inputText(), QString("29"));
    d.chooseLevel(2);
    QCOMPARE(d.inputText(), QString("1080.3"));
    QSignalSpy saved(&d, &vt::gui::InitialSomDialog::repixSaved);
    QVERIFY(d.save());
    QCOMPARE(saved.value(0).value(0).toDouble(), 1080.3);
    QCOMPARE(f.db().scalar("select repix from field_description where fl_id=1").toDouble(), 1080.3);
    QVERIFY(!d.setPlot(3));  // no soil
    QVERIFY(DialogHooks::takeMessages().value(0).contains("has no soil"));
}

void TestParams::viewers()
{
    Fixture f;
    vt::gui::ParameterViewerDialog d(*f.window);
    d.showCrop(101);
    QCOMPARE(d.windowTitle(), QString("gldpflan"));
    auto* tree = d.tree();
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(1)->text(0), QString(" root & crop residues"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString("parameters"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->child(1)->text(0), QString("NAME........: winter wheat"));
    QCOMPARE(tree->topLevelItem(2)->child(0)->child(1)->text(0), QString("NAME........: wheat straw"));
    d.showAmendment(5);
    QCOMPARE(d.tree()->topLevelItemCount(), 1);
}

QTEST_MAIN(TestParams)
#include "tst_params.moc"
