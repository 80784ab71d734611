#pragma once
#include "gui/app/startup.h"
#include "gui/results/browser_results.h"
#include "gui/results/results_menu.h"
#include "gui/simulator/run_thread.h"
#include "gui/tools/tool_windows.h"

#include <memory>

namespace vt::gui {

class BrowserWindow;
class MainWindow;
class SimulatorWindow;

// The desktop program as a user starts it: every window, the links between them, the
// menus and the commands of the main window. main() builds it, and so do the
// whole-application tests and the screenshot programs, so that they see the program that
// users get.
//
// Ownership (one owner per object, so that no order of destruction deletes a widget twice):
// - The Application owns the top-level windows through unique_ptr members: the main
//   window first, then the simulator, the tool windows and the browser. Members go in the
//   reverse order, so every window that uses the main window's connection is gone before
//   the main window closes it.
// - Everything else belongs to a Qt parent: the main window's dialogs, the parameter and
//   climate windows, the result tools (N balance, statistics) to the main window; the
//   result pages, the run controller and the calibration dialogs to the browser. A result
//   page belongs to the browser's tab widget once it is shown there.
// - Links between windows are Qt connections whose context object is the receiving
//   window, so a connection ends with the first of its two ends.
class Application {
public:
    // Builds the program; the start-up (ini file, command line, settings) runs here.
    // `run` is the simulator's run (the run driver unless a test gives another).
    explicit Application(StartupEnv env, RunThread::RunFunction run = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    MainWindow& mainWindow() const { return *main_; }
    SimulatorWindow& simulator() const { return *simulator_; }
    BrowserWindow& browser() const { return *browser_; }
    const ToolWindows& tools() const { return tools_; }
    const ResultsMenu& resultsMenu() const { return resultsMenu_; }
    const BrowserResults& browserResults() const { return browserResults_; }

    // Shows the main window, runs the event loop until the main window closes ("End",
    // closing it, the end of a batch run), whatever other windows are open, and returns
    // the program's exit code.
    int exec();
    // The exit code as the program stands now: 0 after "End"; a batch run (GO) gives the
    // command line's codes: 1 failed, stopped, nothing selected or its database (DB=)
    // missing or unreadable, 3 plots skipped; 1 when a run was stopped from outside.
    int exitCode() const;

    // A stop request from outside (SIGTERM, Ctrl-C): ticks "STOP RUN" of a run going on
    // (the plot in hand is rolled back and a batch ends with a non-zero code), then ends
    // the program as "End" does.
    void stopFromOutside();

private:
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<SimulatorWindow> simulator_;
    ToolWindows tools_;
    ResultsMenu resultsMenu_;
    std::unique_ptr<BrowserWindow> browser_;
    BrowserResults browserResults_;
    bool interrupted_ = false;
};

// Turns SIGTERM and SIGINT into Application::stopFromOutside() on the event loop's
// thread (through a pipe the signal handler writes to). For main(): one application.
void install_stop_signals(Application& app);

} // namespace vt::gui
