// Renders every page of "RUX-Parameter" and "RUX climate data" and the parameter dialogs,
// in English and in German, into PNG files: into $VELTRANO_SCREENSHOT_DIR when set
// (scripts/screenshots), else into a temporary folder, checking that each was made.
#include "gui/gui_support.h"
#include "gui/shot_support.h"
#include "gui/app/main_window.h"
#include "workbench/database_upkeep.h"
#include "gui/climate/climate_window.h"
#include "gui/params/initial_som_dialog.h"
#include "gui/params/parameter_viewer_dialog.h"
#include "gui/params/parameter_window.h"
#include "gui/params/simple_soil_dialog.h"
#include "gui/params/soil_profile_page.h"
#include "gui/params/table_list_page.h"
#include "workbench/params_soil.h"

#include <QtTest>

using vt::gui::MainWindow;
using vt::gui::ParameterWindow;

class ShotsParams : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dir_ = vt::test::screenshot_dir(tmp_); }
    void windows_data() { vt::test::add_language_rows(); }
    void windows();

private:
    void save(QWidget* w, const QString& name, bool fit) { vt::test::save_window_shot(w, dir_, name, fit, false); }
    QString dir_;
    QTemporaryDir tmp_;
};


void ShotsParams::windows()
{
    QFETCH(QString, language);
    const QString suffix = language == "D" ? "_de" : "_en";
    vt::test::GuiSandbox box;
    const auto db = box.file("rux_demo.db");
    vt::workbench::create_demo_file(db);
    box.settings(db, "language=" + language.toLatin1() + "\n");
    MainWindow w(box.env());
    w.connectAtShow();
    w.activate();

    auto* params = w.parameterWindow();
    params->prepareShow();
    params->resize(1000, 560);
    params->show();
    params->databasePage()->showTable("climate_station");
    params->resultsPage()->showTable("rux_nresult");
    const char* pages[] = {"preselection", "om_parm", "crop_parm", "fertilizers", "soil_profiles",
                           "properties", "actions", "results", "access_database", "rpx_classification"};
    for (int i = 0; i < 10; ++i) {
        params->showPage(static_cast<ParameterWindow::Page>(i));
        if (i == ParameterWindow::SoilProfiles) params->soilPage()->setExpert(true);
        save(params, QString("params_") + pages[i] + suffix, false);
    }
    params->hide();

    auto& c = *w.session().connection();
    const auto soils = vt::workbench::list_soils(c);
    QVERIFY(!soils.empty());
    vt::gui::SimpleSoilDialog newSoil(w);
    newSoil.setProfileName("-?-");
    newSoil.show();
    newSoil.save();  // shows which mandatory values are missing
    save(&newSoil, "params_simple_soil_new" + suffix, true);
    vt::gui::SimpleSoilDialog soil(w);
    soil.setProfileName(QString::fromStdString(soils.front().profile));
    save(&soil, "params_simple_soil" + suffix, true);

    vt::gui::InitialSomDialog som(w);
    const long long plot = c.scalar("select min(FL_ID) from field_description").toInt();
    som.setPlot(plot);
    save(&som, "params_initial_som" + suffix, false);

    vt::gui::ParameterViewerDialog viewer(w);
    viewer.showCrop(c.scalar("select min(ITEM_IX) from gldpflan where ewr_ix is not null").toInt());
    save(&viewer, "params_crop_viewer" + suffix, false);
    viewer.showAmendment(c.scalar("select min(item_ix) from gldopspa where od<>0").toInt());
    save(&viewer, "params_amendment_viewer" + suffix, false);

    auto* climate = w.climateWindow();
    climate->prepareShow();
    climate->show();
    climate->selectStation(c.scalar("select min(climate_ID) from climate_station").toInt());
    const char* climatePages[] = {"weather", "deposition", "historic"};
    const int shown = w.state().power ? 3 : 2;  // the historic page needs the power flag
    for (int i = 0; i < shown; ++i) {
        climate->showPage(static_cast<vt::gui::ClimateWindow::Page>(i));
        save(climate, QString("climate_") + climatePages[i] + suffix, false);
    }
}

QTEST_MAIN(ShotsParams)
#include "shots_params.moc"
