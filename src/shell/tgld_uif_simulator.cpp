// The main window and the simulator window: batch runs (GO) and the end of the program
// while a run may be going on.
#include "shell/tgld_uif.h"

#include "shell/dialog_hooks.h"

#include <QApplication>

namespace vt::gui {

void Tgld_UIF::setSimulator(SimulatorWindow* simulator) { simulator_ = simulator; }

void Tgld_UIF::runBatch()
{
    message("GO", "The simulator is not part of this build; no run was made.");
    exitCode_ = 1;
    endProgram();
    QApplication::exit(exitCode_);
}

bool Tgld_UIF::stopSimulatorForEnd() { return true; }

} // namespace vt::gui
