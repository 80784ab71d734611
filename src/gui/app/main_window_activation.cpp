// The main window's life: first show, activation with the command-line switches,
// batch runs, and the end of the program.
#include "gui/app/main_window.h"

#include "gui/widgets/dialog_hooks.h"
#include "gui/app/settings_dialog.h"
#include "base/text.h"
#include "workbench/database_info.h"
#include "workbench/database_upkeep.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>

namespace vt::gui {

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    connectAtShow();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) activate();
}

void MainWindow::activate()
{
    panel2_->setText(tr("Version= %1").arg(QString::fromStdString(state_.currentversion)));
    state_.abbruch = false;

    if (auto* c = session_.connection(); c && !runActive()) {
        try {
            workbench::sync_selection_lists(*c, state_.language);
        } catch (const std::exception& e) {
            message(tr("database"), QString::fromStdString(e.what()));
        }
    }

    state_.go_on = false;
    if (state_.modus == "?") state_.modus = "RUX";
    applyCommandLineSwitches();

    if (settings_.exists() && !runActive()) {
        if (auto* c = session_.connection()) {
            const auto model = workbench::stored_method(*c);
            const auto mismatch = model + "|" + base::trim(state_.methode);
            if (model != base::trim(state_.methode) && mismatch != reportedMismatch_) {
                // Reported once per pair: the box itself re-activates the window.
                reportedMismatch_ = mismatch;
                message(tr(" attention"), tr("general error"));
                settingsDialog_->showMethod(QString::fromStdString(state_.methode));
            }
        }
    }

    if (state_.go_on && !batchStarted_) {
        batchStarted_ = true;
        if (!session_.isOpen()) {
            // The database named for the batch could not be opened (the message said
            // why): the batch simulates nothing and ends non-zero.
            exitCode_ = 1;
            endProgram();
        } else {
            runBatch();
        }
        return;
    }

    if (!state_.korvanic() && !panel1_->text().contains('/'))
        panel1_->setText(panel1_->text() + QString::fromStdString(" / " + state_.system_label));
}

void MainWindow::applyCommandLineSwitches()
{
    const auto sw = command_line_switches(env_.args);
    if (sw.modus) state_.modus = *sw.modus;
    if (sw.regio) state_.appmode = "REGIO";
    if (sw.scenario) settingsDialog_->setScenario(*sw.scenario);
    if (sw.hassink) settingsDialog_->setHassink(*sw.hassink == 1);
    if (sw.method) {
        setRestricted(true);
        // The settings show a method the switch names; any other text leaves the field empty.
        settingsDialog_->showMethod(sw.methodKnown ? QString::fromStdString(*sw.method) : QString());
    }
    if (sw.go) state_.go_on = true;
}

void MainWindow::endProgram()
{
    if (ending_) return;
    ending_ = true;
    if (simulator_ && !stopSimulatorForEnd()) {
        ending_ = false;
        return;
    }
    session_.close();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!ending_) {
        ending_ = true;
        if (simulator_ && !stopSimulatorForEnd()) {
            ending_ = false;
            event->ignore();
            return;
        }
        session_.close();
    }
    QMainWindow::closeEvent(event);
}

} // namespace vt::gui
