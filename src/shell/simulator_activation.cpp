// The simulator's activation: the configuration of the next run, the header of the
// run log, and the start by itself for batch runs.
#include "shell/simulator_window.h"

#include "db/connection.h"
#include "shell/dialog_hooks.h"
#include "shell/simulator_pages.h"
#include "shell/tfrm_ruxsetting.h"
#include "shell/tgld_uif.h"

#if __has_include("engine/run_configuration.h")
#include "engine/run_configuration.h"
#define VT_HAVE_RUN_CONFIGURATION 1
#endif

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTime>

namespace vt::gui {

bool SimulatorWindow::regionalMode() const
{
    if (main_.state().appmode == "REGIO") return true;
    auto* c = main_.session().connection();
    return c && c->tableExists("cultivation") && c->columnExists("cultivation", "part");
}

void SimulatorWindow::readConfiguration()
{
    engine::RunConfig base;
    base.database = main_.state().db_f_name;
    base.modus = main_.state().modus;
    base.regional_mode = regionalMode();
    base.methode = methode.empty() ? "RUX" : methode;
    base.z_anf = z_anf;
    base.z_cnt = z_cnt;
    base.work_dir = QDir::currentPath().toStdString();
    engine::RunHooks hooks;
    hooks.message = [this](const std::string& caption, const std::string& text) {
        show_message(this, QString::fromStdString(caption), QString::fromStdString(text));
    };
#ifdef VT_HAVE_RUN_CONFIGURATION
    cfg_ = engine::read_run_configuration(base, main_.settings(), args, *main_.session().connection(), hooks);
#else
    cfg_ = base;
    for (const auto& a : args) {
        if (QString::fromStdString(a).compare("GO", Qt::CaseInsensitive) == 0) cfg_.auto_mode = true;
        if (QString::fromStdString(a).compare("nw", Qt::CaseInsensitive) == 0 || a == "!") cfg_.nowait = true;
    }
#endif
    // The save-state choice and the Hassink option come from the settings as loaded
    // and changed by the command line (S+, S-, SAT+, SAT-).
    const auto& values = main_.settingsDialog()->values();
    cfg_.scenario_ctrl = values.scenario;
    cfg_.hassink = values.hassink;
    cfg_.nowait = cfg_.nowait || nowait;
    methode = cfg_.methode;
}

void SimulatorWindow::activateRun()
{
    regional_->setVisible(regionalMode());
    closeArmed_ = false;
    calculate_->setText("calculate");
    calculate_->setEnabled(true);
    database_->setEnabled(true);
    recalcBat_->setEnabled(true);
    histogram_->clear();
    stopRun_->setChecked(false);
    messages_->clear();

    if (!main_.session().isOpen() && main_.state().db_f_name != "?")
        main_.switchdatasource(QString::fromStdString(main_.state().db_f_name));
    path_->setText(QString::fromStdString(main_.session().path()));
    if (!main_.session().isOpen()) {
        calculate_->setEnabled(false);
        log("no database open");
        return;
    }
    try {
        readConfiguration();
    } catch (const std::exception& e) {
        show_message(this, "RUX-simulator", QString::fromStdString(e.what()));
        calculate_->setEnabled(false);
        return;
    }
    recalcBat_->setChecked(cfg_.recalc_bat);
    writeHeader();

    if (cfg_.auto_mode) {
        calculate();
        return;
    }
    applySingleSelection();
    if (const auto error = plots_->reload(main_.session().connection()); !error.isEmpty()) log(error);
    if (autoclick) calculate();
}

void SimulatorWindow::applySingleSelection()
{
    if (cfg_.sel_id == "?") return;
    auto* c = main_.session().connection();
    try {
        c->execute(" update site_state set status=0");
        c->execute(" update site_state set status=1 where fl_id=?", {db::Value(cfg_.sel_id)});
    } catch (const std::exception& e) {
        show_message(this, "RUX-simulator", QString::fromStdString(e.what()));
    }
}

void SimulatorWindow::writeHeader()
{
    const QLocale locale;
    static const char* const kPtfNames[] = {"?", "Brooks/Corey", "Vereecken", "Lieberoth", "Zacharias"};
    static const char* const kSilt[] = {"min", "mean", "max"};
    log("RUX run started: " + locale.toString(QTime::currentTime(), QLocale::ShortFormat));
    const int ptf = cfg_.hymode >= 1 && cfg_.hymode <= 4 ? cfg_.hymode : 0;
    log(QString("ptf_mode=%1 / %2").arg(cfg_.hymode).arg(kPtfNames[ptf]));
    log("pf_wp=" + locale.toString(cfg_.pf_wp));
    log("pf_fk=" + locale.toString(cfg_.pf_fk));
    log("soil classes : " + QString::fromStdString(cfg_.soil_scheme));
    log("method : " + QString::fromStdString(cfg_.methode));
    const int silt = cfg_.interpol < -1 || cfg_.interpol > 1 ? 1 : cfg_.interpol + 1;
    log(QString("silt from soil class : %1==>%2").arg(cfg_.interpol).arg(kSilt[silt]));
#ifdef VT_HAVE_RUN_CONFIGURATION
    for (const auto& w : cfg_.config_warnings) log(QString::fromStdString(w));
#endif
}

} // namespace vt::gui
