// The main window and the simulator window: batch runs (GO) and the end of the program
// while a run may be going on.
#include "gui/app/main_window.h"

#include "gui/widgets/dialog_hooks.h"
#include "gui/simulator/simulator_window.h"

namespace vt::gui {

namespace {

// The exit code of a batch run, as `veltrano-cli run` gives it: 0 every selected plot
// simulated, 3 plots skipped, 1 failed, stopped, nothing selected or never started.
int batch_exit_code(const engine::RunResult* result)
{
    if (!result || result->outcome != engine::RunOutcome::Finished || result->selected == 0) return 1;
    return result->skipped > 0 ? 3 : 0;
}

} // namespace

void MainWindow::setSimulator(SimulatorWindow* simulator)
{
    simulator_ = simulator;
    if (simulator_) connect(simulator_, &SimulatorWindow::runningChanged, this, &MainWindow::onRunActiveChanged);
}

bool MainWindow::runActive() const { return simulator_ && simulator_->running(); }

void MainWindow::runBatch()
{
    if (!simulator_) {
        message("GO", tr("The simulator is not available; no run was made."));
        exitCode_ = 1;
        endProgram();
        return;
    }
    // The program ends once the simulator window is hidden again; the exit code tells
    // whether the run went through.
    connect(simulator_, &SimulatorWindow::hidden, this, [this] {
        exitCode_ = batch_exit_code(simulator_->hasResult() ? &simulator_->lastResult() : nullptr);
        endProgram();
    }, Qt::SingleShotConnection);
    simulator_->args = env_.args;
    simulator_->setWindowModality(Qt::ApplicationModal);
    simulator_->show();
}

bool MainWindow::stopSimulatorForEnd()
{
    if (!simulator_) return true;
    if (simulator_->running()) {
        if (!ask_question(this, tr("RUX-simulator"), tr("A run is in progress. Stop it and end the program ?"))) return false;
        simulator_->stopAndWait();
    }
    simulator_->hide();
    return true;
}

} // namespace vt::gui
