// The window "DATABASE": the tree of the demo database, loading a plot into the pages,
// inserting a management event and an observation through the pages, refused numbers,
// copying by drag and drop, the plot menus, the windows and reports the pages open, the
// tree's evaluation modes, and the German captions.
#include "gui/gui_support.h"
#include "db/connection.h"
#include "gui/app/browser_links.h"
#include "gui/app/main_window.h"
#include "gui/climate/climate_window.h"
#include "gui/params/initial_som_dialog.h"
#include "gui/params/parameter_window.h"
#include "gui/params/soil_profile_page.h"
#include "gui/tools/reference_list_window.h"
#include "gui/tools/tool_windows.h"
#include "workbench/database_upkeep.h"
#include "gui/browser/basic_info_page.h"
#include "gui/browser/browser_dialogs.h"
#include "gui/browser/browser_window.h"
#include "gui/browser/experiment_table_view.h"
#include "gui/browser/management_page.h"
#include "gui/browser/observation_page.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include "gui/params/parameter_viewer_dialog.h"
#include <QtTest>

using vt::gui::BrowserTreeModel;
using vt::gui::BrowserWindow;
using vt::gui::DialogHooks;
using vt::gui::MainWindow;

namespace {

struct Fixture {
    vt::test::GuiSandbox box;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<BrowserWindow> browser;

    explicit Fixture(const QByteArray& language = "E")
    {
        const auto db = box.file("demo.db");
        vt::workbench::create_demo_file(db);
        box.settings(db, "language=" + language + "\n");
        main = std::make_unique<MainWindow>(box.env());
        main->connectAtShow();
        browser = std::make_unique<BrowserWindow>(*main);
        browser->show();
    }
    vt::db::Connection& db() { return *main->session().connection(); }
    long long count(const char* sql) { return db().scalar(sql).toInt(); }
    BrowserTreeModel* model() { return browser->treeModel(); }
    template <class T> T* child(QWidget* w, const char* name) { return w->findChild<T*>(name); }
    // Clicks the plot's node in the tree as a user does.
    void click(long long flId, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const auto index = model()->findPlot(flId);
        QVERIFY(index.isValid());
        browser->treeView()->expand(index.parent().parent());
        browser->treeView()->expand(index.parent());
        browser->treeView()->scrollTo(index);
        QApplication::processEvents();
        const QRect r = browser->treeView()->visualRect(index);
        QTest::mouseClick(browser->treeView()->viewport(), Qt::LeftButton, mods, r.center());
    }
    QAction* menuAction(const QModelIndex& index, const char* name)
    {
        QMenu* menu = browser->pressNode(index, Qt::RightButton);
        return menu ? menu->findChild<QAction*>(name) : nullptr;
    }
};

} // namespace

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void treeOfTheDemoDatabase();
    void clickLoadsThePlotIntoThePages();
    void managementInsertThroughThePage();
    void refusedBadNumber();
    void observationInsertThroughThePage();
    void dragCopiesManagementEvents();
    void plotMenusCopyAndDelete();
    void experimentTableView();
    void experimentMenusShiftMoveAndAdd();
    void basicInfoOpensTheOtherWindows();
    void printManagementTakesTheFilter();
    void evaluationModesRunTheWalk();
    void germanCaptions();
    void escInDeleteExperimentRebuildsTheTree();
};

void TestBrowser::treeOfTheDemoDatabase()
{
    Fixture f;
    QAbstractItemModelTester tester(f.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    const auto root = f.model()->rootIndex();
    QCOMPARE(f.model()->rowCount(root), 3);
    QCOMPARE(f.model()->index(0, 0, root).data().toString(), QString("Bad Lauchstädt   <1>"));
    const auto exp = f.model()->index(0, 0, root);
    QCOMPARE(f.model()->rowCount(exp), 2);  // files, plots
    QCOMPARE(f.model()->index(0, 0, exp).data().toString(), QString("files"));
    const auto plots = f.model()->index(1, 0, exp);
    QCOMPARE(plots.data().toString(), QString("plots"));
    QCOMPARE(f.model()->rowCount(plots), 4);
    QVERIFY(f.browser->windowTitle().endsWith("; regional mode NOT enabled"));
    QVERIFY(!f.browser->pagesShown());
    f.browser->rebuildTree(0);  // a rebuild is a model reset the tester checks
}

void TestBrowser::clickLoadsThePlotIntoThePages()
{
    Fixture f;
    QSignalSpy loaded(f.browser.get(), &BrowserWindow::plotLoaded);
    f.click(202);
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(f.browser->currentPlot(), 202LL);
    QVERIFY(f.browser->pagesShown());
    auto* basic = f.browser->basicInfoPage();
    QCOMPARE(f.child<QLineEdit>(basic, "name")->text(), QString("farmyard manure every year"));
    QCOMPARE(f.child<QLabel>(basic, "plotId")->text(), QString("202"));
    QCOMPARE(f.browser->managementPage()->rowCount(), int(f.count("select count(*) from cultivation where fl_id=202")));
    QCOMPARE(f.browser->observationPage()->rowCount(), int(f.count("select count(*) from measurements where fl_id=202")));
    QCOMPARE(f.child<QLabel>(f.browser->managementPage(), "caption")->text(), QString("farmyard manure every year"));
    QCOMPARE(f.browser->pageTabs()->currentIndex(), 0);

    // With Shift held the page in front stays.
    f.browser->showPage("Observation");
    f.click(201, Qt::ShiftModifier);
    QCOMPARE(f.browser->currentPlot(), 201LL);
    QCOMPARE(f.browser->pageTabs()->currentWidget(), static_cast<QWidget*>(f.browser->observationPage()));
    // A press on an experiment leaves the loaded plot.
    f.browser->pressNode(f.model()->index(0, 0, f.model()->rootIndex()), Qt::LeftButton);
    QCOMPARE(f.browser->currentPlot(), 201LL);
    QCOMPARE(f.browser->currentLocation(), QString("Bad Lauchstädt"));
    QVERIFY(f.browser->clickOnItem("Sandhof", "ploughed, irr", false));
    QCOMPARE(f.browser->currentPlot(), 302LL);
    QVERIFY(!f.browser->clickOnItem("Sandhof", "nothing like it", false));
    QCOMPARE(f.browser->currentPlot(), 302LL);
}

void TestBrowser::managementInsertThroughThePage()
{
    Fixture f;
    f.click(301);
    auto* page = f.browser->managementPage();
    f.browser->showPage("Management");
    const auto before = f.count("select count(*) from cultivation where fl_id=301");
    auto* action = f.child<QComboBox>(page, "action");
    action->setCurrentIndex(action->findData(4));
    emit action->activated(action->currentIndex());
    f.child<QRadioButton>(page, "insertMode")->setChecked(true);
    f.child<QDateEdit>(page, "date")->setDate(QDate(2021, 3, 15));
    f.child<QLineEdit>(page, "intensity")->setText("80,5");
    QTest::mouseClick(f.child<QPushButton>(page, "store"), Qt::LeftButton);
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=301"), before + 1);
    QCOMPARE(f.db().scalar("select Quantity from cultivation where fl_id=301 and [year]=2021 and Macode=4").toDouble(), 80.5);
    QCOMPARE(page->rowCount(), int(before + 1));
    QVERIFY(DialogHooks::takeMessages().isEmpty());
    // The stored event is the current row: "delete record" takes it away again.
    QTest::mouseClick(f.child<QPushButton>(page, "deleteRecord"), Qt::LeftButton);
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=301"), before);
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=301 and [year]=2021 and Macode=4"), 0LL);
    QCOMPARE(page->rowCount(), int(before));
}

void TestBrowser::refusedBadNumber()
{
    Fixture f;
    f.click(301);
    auto* page = f.browser->managementPage();
    const auto before = f.count("select count(*) from cultivation");
    f.child<QRadioButton>(page, "insertMode")->setChecked(true);
    f.child<QLineEdit>(page, "intensity")->setText("lots");
    QTest::mouseClick(f.child<QPushButton>(page, "store"), Qt::LeftButton);
    QCOMPARE(f.count("select count(*) from cultivation"), before);
    const auto messages = DialogHooks::takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("is not a number"), qPrintable(messages[0]));

    auto* basic = f.browser->basicInfoPage();
    f.child<QLineEdit>(basic, "area")->setText("large");
    QVERIFY(!basic->save());
    QVERIFY(DialogHooks::takeMessages().value(0).contains("area"));
    QCOMPARE(f.db().scalar("select area from field_description where fl_id=301").toDouble(), 150.0);
}

void TestBrowser::observationInsertThroughThePage()
{
    Fixture f;
    f.click(101);
    auto* page = f.browser->observationPage();
    const auto before = f.count("select count(*) from measurements where fl_id=101");
    f.db().execute("insert into sim_result (fl_id, m_ix, year_, year_num, sim_value) values (101, 7, 1950, 49, 1.5)");
    auto* property = f.child<QComboBox>(page, "property");
    property->setCurrentIndex(property->findData(7));
    f.child<QRadioButton>(page, "insertMode")->setChecked(true);
    f.child<QDateEdit>(page, "date")->setDate(QDate(1960, 10, 1));
    f.child<QLineEdit>(page, "value")->setText("1,81");
    f.child<QLineEdit>(page, "variance")->clear();
    f.child<QCheckBox>(page, "initialValue")->setChecked(false);  // the first row shown was the initial value
    QTest::mouseClick(f.child<QPushButton>(page, "store"), Qt::LeftButton);
    QVERIFY(DialogHooks::takeMessages().isEmpty());
    QCOMPARE(f.count("select count(*) from measurements where fl_id=101"), before + 1);
    QCOMPARE(f.db().scalar("select year_number from measurements where fl_id=101 and [year]=1960").toInt(), 1960 - 1902 + 1LL);
    QCOMPARE(f.count("select count(*) from sim_result where fl_id=101"), 0LL);  // results no longer match
    QCOMPARE(page->rowCount(), int(before + 1));
}

void TestBrowser::dragCopiesManagementEvents()
{
    Fixture f;
    f.click(301);
    f.browser->showPage("Management");
    const auto source = f.count("select count(*) from cultivation where fl_id=301");
    const auto target = f.count("select count(*) from cultivation where fl_id=303");
    auto* model = f.model();
    std::unique_ptr<QMimeData> mime(model->mimeData({model->findPlot(301)}));
    QVERIFY(mime);
    // Answered "No": nothing is copied.
    DialogHooks::setNextAnswer(false);
    model->dropMimeData(mime.get(), Qt::CopyAction, -1, -1, model->findPlot(303));
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=303"), target);
    DialogHooks::setNextAnswer(true);
    model->dropMimeData(mime.get(), Qt::CopyAction, -1, -1, model->findPlot(303));
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=303"), target + source);
    const auto messages = DialogHooks::takeMessages();
    QVERIFY2(messages.last().contains(QString::number(source) + " records copied"), qPrintable(messages.join('|')));
    // On the page "Basic-Info" a drop copies nothing.
    f.browser->showPage("Basic-Info");
    model->dropMimeData(mime.get(), Qt::CopyAction, -1, -1, model->findPlot(303));
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=303"), target + source);
    QVERIFY(DialogHooks::takeMessages().isEmpty());
    // After the first drag the page in front stays when another plot is loaded.
    f.browser->showPage("Management");
    f.click(302);
    QCOMPARE(f.browser->pageTabs()->currentWidget(), static_cast<QWidget*>(f.browser->managementPage()));
}

void TestBrowser::plotMenusCopyAndDelete()
{
    Fixture f;
    auto* copy = f.menuAction(f.model()->findPlot(203), "copyPlot");
    QVERIFY(copy);
    copy->trigger();
    const long long copied = f.db().scalar("select max(fl_id) from field_description").toInt();
    QCOMPARE(f.db().scalar("select site_description from field_description where fl_id=?", {copied}).toString(),
             std::string("xfarmyard manure 1852-1871"));
    QVERIFY(f.model()->findPlot(copied).isValid());

    f.click(copied);
    DialogHooks::setNextAnswer(true);
    f.menuAction(f.model()->findPlot(copied), "deletePlot")->trigger();
    QVERIFY(!f.model()->findPlot(copied).isValid());
    QCOMPARE(f.browser->currentPlot(), -1LL);
    QVERIFY(!f.browser->pagesShown());

    // A new experiment with its first plot, named with quotes.
    DialogHooks::setNextAnswer(true);
    DialogHooks::setNextFileName("O'Neill \"Hof\"");
    f.menuAction(f.model()->rootIndex(), "createExperiment")->trigger();
    QCOMPARE(f.model()->rowCount(f.model()->rootIndex()), 4);
    QCOMPARE(f.count("select count(*) from field_description where location='O''Neill \"Hof\"'"), 1LL);
}

void TestBrowser::experimentTableView()
{
    Fixture f;
    const auto exp = f.model()->index(2, 0, f.model()->rootIndex());  // Sandhof
    f.browser->pressNode(f.model()->index(0, 0, exp), Qt::LeftButton);  // files
    QVERIFY(f.browser->tableViewShown());
    auto* view = f.browser->tableView();
    QCOMPARE(view->plots()->rowCount(), 3);
    QCOMPARE(view->management()->rowCount(), int(f.count("select count(*) from cultivation where fl_id=301")));
    // A refused number leaves the cell; a name is stored as typed.
    const int qcol = int(std::find(view->management()->grid().columns.begin(), view->management()->grid().columns.end(), "Quantity") -
                         view->management()->grid().columns.begin());
    QVERIFY(!view->management()->setData(view->management()->index(0, qcol), "lots"));
    QVERIFY(DialogHooks::takeMessages().value(0).contains("not a number"));
    QVERIFY(view->plots()->setData(view->plots()->index(0, 1), "Nord's"));
    QCOMPARE(f.db().scalar("select site_description from field_description where fl_id=301").toString(), std::string("Nord's"));
    view->condition()->setText("macode=2");
    view->applyFilter()->setChecked(true);
    QCOMPARE(view->management()->rowCount(), int(f.count("select count(*) from cultivation where fl_id=301 and macode=2")));
    // A new management row starts with the values of the current one.
    view->applyFilter()->setChecked(false);
    const auto before = f.count("select count(*) from cultivation where fl_id=301");
    QVERIFY(view->newRow());
    QCOMPARE(f.count("select count(*) from cultivation where fl_id=301"), before + 1);
    f.click(302);
    QVERIFY(f.browser->pagesShown());
}

void TestBrowser::experimentMenusShiftMoveAndAdd()
{
    Fixture f;
    const auto sandhof = f.model()->index(2, 0, f.model()->rootIndex());
    // The shift window: a range holding other plots is refused, a free one moves the plots.
    f.menuAction(sandhof, "shiftPlots")->trigger();
    auto* shift = f.browser->findChild<vt::gui::ShiftPlotsDialog*>();
    QVERIFY(shift && shift->isVisible());
    shift->shiftField()->setText("-100");  // 201..203 belong to Rothamsted
    QCOMPARE(shift->resultLine(), QString("3 records in destination range !"));
    QVERIFY(!shift->adapt());
    QVERIFY(DialogHooks::takeMessages().value(0).contains("records in destination range"));
    shift->shiftField()->setText("1000");
    QCOMPARE(shift->resultLine(), QString("0 records in destination range ! press ok to start transfer"));
    QVERIFY(shift->adapt());
    QCOMPARE(f.count("select count(*) from field_description where fl_id between 1301 and 1303"), 3LL);
    QVERIFY(f.model()->findPlot(1301).isValid());

    // A new code and location for the experiment.
    const auto exp = f.model()->index(2, 0, f.model()->rootIndex());
    DialogHooks::setNextAnswer(true);
    DialogHooks::setNextFileName("Sandhof Süd|7");
    f.menuAction(exp, "shiftExperimentId")->trigger();
    QCOMPARE(f.count("select count(*) from field_description where versuch_code='7' and location='Sandhof Süd'"), 3LL);
    QCOMPARE(f.count("select count(*) from experiments where exp_id=7"), 1LL);

    // Add a plot to Rothamsted, then move the loaded plot to a new location.
    const auto roth = f.model()->index(1, 0, f.model()->rootIndex());
    f.menuAction(f.model()->index(1, 0, roth), "addPlot")->trigger();
    QCOMPARE(f.count("select count(*) from field_description where location='Rothamsted'"), 4LL);
    f.click(201);
    DialogHooks::setNextAnswer(true);
    DialogHooks::setNextFileName("Harpenden");
    f.menuAction(f.model()->index(1, 0, roth), "moveActivePlot")->trigger();
    QCOMPARE(f.db().scalar("select location from field_description where fl_id=201").toString(), std::string("Harpenden"));
    QCOMPARE(f.model()->rowCount(f.model()->rootIndex()), 4);
}

void TestBrowser::basicInfoOpensTheOtherWindows()
{
    Fixture f;
    const auto tools = vt::gui::install_tool_windows(*f.main);
    vt::gui::link_browser_windows(*f.main, *f.browser, tools.referenceList.get());
    f.click(202);
    auto* basic = f.browser->basicInfoPage();

    // "weather": the climate window on the plot's station; the station chosen there when it
    // closes is the plot's, saved at once.
    auto* weather = f.child<QComboBox>(basic, "weather");
    const long long station = weather->currentData().toLongLong();
    long long other = -1;
    for (int i = 0; i < weather->count() && other < 0; ++i)
        if (weather->itemData(i).toLongLong() != station && weather->itemData(i).toLongLong() > 0)
            other = weather->itemData(i).toLongLong();
    QVERIFY(other > 0);
    QTest::mouseDClick(f.child<QLabel>(basic, "weatherLabel"), Qt::LeftButton);
    vt::gui::ClimateWindow* climate = f.main->climateWindow();
    QVERIFY(climate->isVisible());
    QCOMPARE(climate->currentStation(), station);
    QVERIFY(climate->selectStation(other));
    climate->close();
    QCOMPARE(weather->currentData().toLongLong(), other);
    QCOMPARE(f.count("select climate_id from field_description where fl_id=202"), other);

    // "soil" with the power flag: the parameter window's soil page on the plot's soil.
    auto* soil = f.child<QComboBox>(basic, "soil");
    const long long soilId = soil->currentData().toLongLong();
    long long otherSoil = -1;
    for (int i = 0; i < soil->count() && otherSoil < 0; ++i)
        if (soil->itemData(i).toLongLong() != soilId) otherSoil = soil->itemData(i).toLongLong();
    QVERIFY(otherSoil > 0);
    long long shown = -1;
    QTimer::singleShot(0, [&] {
        auto* parameters = f.main->parameterWindow();
        shown = parameters->soilPage()->currentSoil();
        parameters->soilPage()->showSoil(otherSoil);
        parameters->reject();
    });
    QTest::mouseDClick(f.child<QLabel>(basic, "soilLabel"), Qt::LeftButton);
    QCOMPARE(shown, soilId);
    QCOMPARE(soil->currentData().toLongLong(), otherSoil);
    QCOMPARE(f.count("select soil_id from field_description where fl_id=202"), otherSoil);

    // The reproduction-index button: the dialog for the plot; the stored index on the button.
    long long dialogPlot = -1;
    QTimer::singleShot(0, [&] {
        auto* som = f.main->initialSomDialog();
        dialogPlot = som->plot();
        som->setInputText("55");
        som->save();
        som->reject();
    });
    emit basic->reproductionIndexRequested(202);
    QCOMPARE(dialogPlot, 202LL);
    QCOMPARE(f.child<QPushButton>(basic, "repix")->text(), QString("55.00"));

    // "show references": the reference list of the loaded plot.
    f.child<QPushButton>(basic, "showReferences")->click();
    QVERIFY(tools.referenceList->isVisible());
    QCOMPARE(tools.referenceList->plot(), 202LL);
    tools.referenceList->close();
}

void TestBrowser::printManagementTakesTheFilter()
{
    Fixture f;
    f.click(301);
    auto* page = f.browser->managementPage();
    QSignalSpy requested(page, &vt::gui::ManagementPage::reportRequested);
    auto* filter = f.child<QComboBox>(page, "filter");
    filter->setCurrentIndex(1);
    emit filter->activated(1);
    f.child<QCheckBox>(page, "pdfWithoutPreview")->setChecked(true);
    f.child<QPushButton>(page, "printManagement")->click();
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toLongLong(), 301LL);
    QCOMPARE(requested.at(0).at(1).value<vt::workbench::ManagementFilter>(), vt::workbench::ManagementFilter::Harvest);
    QCOMPARE(requested.at(0).at(2).toBool(), true);
}

void TestBrowser::evaluationModesRunTheWalk()
{
    Fixture f;
    QList<QPair<int, int>> walks;
    f.browser->setEvaluationWalk([&walks](int mode, int phase) { walks.append({mode, phase}); });
    f.click(202);
    for (int mode : {0, 1, 100, 200}) f.browser->rebuildTree(mode);
    QCOMPARE(walks, (QList<QPair<int, int>>{{1, 0}, {100, 0}, {200, 0}}));
    // The tree is built afresh after each walk and the loaded plot stays.
    QCOMPARE(f.browser->currentPlot(), 202LL);
    QVERIFY(f.model()->findPlot(202).isValid());
}

void TestBrowser::germanCaptions()
{
    Fixture f("D");
    auto* tabs = f.browser->pageTabs();
    QCOMPARE(tabs->tabText(0), QString("Standortdaten"));
    QCOMPARE(tabs->tabText(1), QString("Bewirtschaftung"));
    QCOMPARE(tabs->tabText(2), QString("Messwerte"));
    const auto exp = f.model()->index(0, 0, f.model()->rootIndex());
    QCOMPARE(f.model()->rowCount(exp), 1);  // no files node without the power flag
    QCOMPARE(f.model()->index(0, 0, exp).data().toString(), QString("Schläge"));
    QMenu* menu = f.browser->pressNode(exp, Qt::RightButton);
    QCOMPARE(menu->findChild<QAction*>("deleteExperiment")->text(), QString("Betrieb löschen"));
    QVERIFY(!menu->findChild<QAction*>("shiftPlots")->isVisible());
    QCOMPARE(f.child<QPushButton>(f.browser->managementPage(), "deleteRecord")->text(), QString("Satz Löschen"));
    QCOMPARE(f.child<QRadioButton>(f.browser->observationPage(), "insertMode")->text(), QString("Messwert einfügen"));
    QCOMPARE(f.child<QPushButton>(f.browser->basicInfoPage(), "printSiteDescription")->text(), QString("Ausgabe Standortdaten"));
    QCOMPARE(f.child<QPushButton>(f.browser->basicInfoPage(), "showReferences")->text(), QString("Literatur"));
    QCOMPARE(f.child<QPushButton>(f.browser->managementPage(), "printManagement")->text(), QString("Ausgabe"));
    QCOMPARE(f.child<QCheckBox>(f.browser->managementPage(), "pdfWithoutPreview")->text(), QString("als PDF; ohne Ansicht"));
}

void TestBrowser::escInDeleteExperimentRebuildsTheTree()
{
    Fixture f;
    const auto root = f.model()->rootIndex();
    const int experiments = f.model()->rowCount(root);
    QSignalSpy reset(f.model(), &QAbstractItemModel::modelReset);
    DialogHooks::setNextAnswer(false);  // "esc"
    f.menuAction(f.model()->index(0, 0, root), "deleteExperiment")->trigger();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(f.model()->rowCount(f.model()->rootIndex()), experiments);
    QVERIFY(f.model()->findPlot(101).isValid());
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
