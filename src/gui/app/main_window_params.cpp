// The main window and the windows of the parameters and the climate data.
#include "gui/app/main_window.h"

#include "gui/climate/climate_window.h"
#include "gui/params/initial_som_dialog.h"
#include "gui/params/parameter_viewer_dialog.h"
#include "gui/params/parameter_window.h"
#include "gui/params/simple_soil_dialog.h"

namespace vt::gui {

void MainWindow::createParameterWindows()
{
    parameters_ = new ParameterWindow(*this, this);
    climate_ = new ClimateWindow(*this, this);
    simpleSoil_ = new SimpleSoilDialog(*this, this);
    initialSom_ = new InitialSomDialog(*this, this);
    cropViewer_ = new ParameterViewerDialog(*this, this);
    amendmentViewer_ = new ParameterViewerDialog(*this, this);
    // "Parameters" is disabled in the restricted mode (setRestricted).
    setCommandAction(Command::Parameters, [this] {
        parameters_->prepareShow();
        parameters_->exec();
    });
    setCommandAction(Command::ClimateData, [this] {
        climate_->prepareShow();
        climate_->show();
        climate_->raise();
        climate_->activateWindow();
    });
    connect(this, &MainWindow::databaseChanged, parameters_, &ParameterWindow::refillTableList);
    connect(this, &MainWindow::databaseChanged, climate_, &ClimateWindow::prepareShow);
}

} // namespace vt::gui
