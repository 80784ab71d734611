// The simulator's activation: the configuration of the next run, the header of the
// run log, and the start by itself for batch runs.
#include "gui/simulator/simulator_window.h"

#include "db/connection.h"
#include "workbench/database_info.h"
#include "workbench/run_setup.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/simulator/simulator_pages.h"
#include "gui/app/settings_dialog.h"
#include "gui/app/main_window.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <iostream>

namespace vt::gui {

bool SimulatorWindow::regionalMode() const
{
    if (main_.state().appmode == "REGIO") return true;
    auto* c = main_.session().connection();
    return c && workbench::is_regional_database(*c);
}

void SimulatorWindow::readConfiguration()
{
    workbench::RunSetup setup;
    setup.base.database = main_.state().db_f_name;
    setup.base.modus = main_.state().modus;
    setup.base.regional_mode = regionalMode();
    setup.base.methode = methode.empty() ? "RUX" : methode;
    setup.base.z_anf = z_anf;
    setup.base.z_cnt = z_cnt;
    setup.base.work_dir = QDir::currentPath().toStdString();
    setup.switches = args;
    // The save-state choice and the Hassink option as the settings dialog holds them.
    const auto& values = main_.settingsDialog()->values();
    setup.scenario = values.scenario;
    setup.hassink = values.hassink;
    cfg_ = workbench::setup_run(setup, main_.settings(), *main_.session().connection(), dialogHooks());
    cfg_.nowait = cfg_.nowait || nowait;
    methode = cfg_.methode;
}

void SimulatorWindow::activateRun()
{
    regional_->setVisible(regionalMode());
    closeArmed_ = false;
    calculate_->setText(tr("calculate"));
    calculate_->setEnabled(true);
    database_->setEnabled(true);
    recalcBat_->setEnabled(true);
    histogram_->clear();
    stopRun_->setChecked(false);
    messages_->clear();

    if (!main_.session().isOpen() && main_.state().db_f_name != "?")
        main_.switchDatabase(QString::fromStdString(main_.state().db_f_name));
    path_->setText(QString::fromStdString(main_.session().path()));
    if (!main_.session().isOpen()) {
        failActivation("no database open");
        return;
    }
    try {
        readConfiguration();
    } catch (const std::exception& e) {
        failActivation(QString::fromStdString(e.what()));
        return;
    }
    recalcBat_->setChecked(cfg_.recalc_bat);

    if (cfg_.auto_mode) {
        calculate();
        return;
    }
    // Without GO: the header of the log, the single-plot selection (ID=) and the
    // pre-processing script (PPQ=), then the plots of the next run.
    const auto result = workbench::activate_run(*main_.session().connection(), cfg_, dialogHooks());
    for (const auto& w : cfg_.config_warnings) log(QString::fromStdString(w));
    if (result.outcome != engine::RunOutcome::Finished) log(QString::fromStdString(result.message));
    if (const auto error = plots_->reload(main_.session().connection()); !error.isEmpty()) log(error);
    if (autoclick) calculate();
}

void SimulatorWindow::failActivation(const QString& reason)
{
    calculate_->setEnabled(false);
    dialogHooks().show("RUX-simulator", reason.toStdString());
    // A batch run that cannot start ends here instead of waiting for somebody.
    if (main_.state().go_on) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

bool SimulatorWindow::unattended() const { return nowait || main_.unattended(); }

engine::RunHooks SimulatorWindow::dialogHooks()
{
    engine::RunHooks hooks;
    hooks.log = [this](const std::string& line) { log(QString::fromStdString(line)); };
    const bool quiet = unattended();
    hooks.message = [this, quiet](const std::string& caption, const std::string& text) {
        log(QString::fromStdString(caption + ": " + text));
        if (quiet) std::cerr << caption << ": " << text << '\n';
        else show_message(this, QString::fromStdString(caption), QString::fromStdString(text));
    };
    hooks.ask = [this, quiet](const std::string& caption, const std::string& text) {
        if (quiet) log(QString::fromStdString(caption + ": " + text + " -> no"));
        return !quiet && ask_question(this, QString::fromStdString(caption), QString::fromStdString(text));
    };
    return hooks;
}

RunThread::RunFunction SimulatorWindow::driverRun()
{
    return [](db::Connection& c, const engine::RunConfig& cfg, const engine::RunHooks& hooks) {
        return workbench::run_model(c, cfg, hooks);
    };
}

} // namespace vt::gui
