#include "gui/app/browser_links.h"
#include "gui/browser/browser_window.h"
#include "gui/climate/climate_window.h"
#include "gui/params/parameter_window.h"
#include "gui/simulator/simulator_window.h"
#include "gui/app/main_window.h"
#include "gui/tools/tool_windows.h"
#include "gui/results/browser_results.h"
#include "gui/results/results_menu.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("rux");
    QApplication::setApplicationVersion(VELTRANO_VERSION);

    vt::gui::StartupEnv env;
    env.iniPath = (QCoreApplication::applicationDirPath() + "/veltrano.ini").toStdString();
    env.cwd = QDir::currentPath().toStdString();
    const auto args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) env.args.push_back(args[i].toStdString());

    vt::gui::MainWindow mainWindow(env);
    vt::gui::SimulatorWindow simulator(mainWindow, vt::gui::SimulatorWindow::driverRun());
    simulator.args = env.args;  // the run switches count at every activation
    mainWindow.setSimulator(&simulator);
    const auto tools = vt::gui::install_tool_windows(mainWindow);  // closed before the main window
    const auto resultTools = vt::gui::install_results_menu(mainWindow, simulator);
    vt::gui::BrowserWindow browser(mainWindow);
    vt::gui::install_browser_results(mainWindow, simulator, browser, resultTools);
    vt::gui::link_browser_windows(mainWindow, browser, tools.referenceList.get());
    // What the parameter and climate windows change, the browser shows afresh: its tree,
    // and the plot it showed with its choice lists.
    const auto reloadBrowser = [&browser] {
        const long long plot = browser.currentPlot();
        browser.rebuildTree(0);
        if (plot > 0) browser.loadPlot(plot);
    };
    if (auto* parameters = mainWindow.parameterWindow()) {
        QObject::connect(parameters, &vt::gui::ParameterWindow::parametersChanged, &browser, reloadBrowser);
        QObject::connect(parameters, &vt::gui::ParameterWindow::soilsChanged, &browser, reloadBrowser);
    }
    if (auto* climate = mainWindow.climateWindow())
        QObject::connect(climate, &vt::gui::ClimateWindow::stationsChanged, &browser, reloadBrowser);
    mainWindow.setCommandAction(vt::gui::MainWindow::Command::PlotSelection, [&browser] {
        browser.show();
        browser.raise();
        browser.activateWindow();
    });
    mainWindow.show();
    const int rc = app.exec();
    return rc != 0 ? rc : mainWindow.exitCode();
}
