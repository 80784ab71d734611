#include "gui/app/application.h"

#include "gui/app/browser_links.h"
#include "gui/app/main_window.h"
#include "gui/browser/browser_window.h"
#include "gui/climate/climate_window.h"
#include "gui/params/parameter_window.h"
#include "gui/simulator/simulator_window.h"
#include "gui/tools/data_transfer_window.h"
#include "gui/tools/r_analysis_window.h"
#include "gui/tools/reference_list_window.h"
#include "gui/tools/sql_module_window.h"

#include <QCoreApplication>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vt::gui {

Application::Application(StartupEnv env, RunThread::RunFunction run)
{
    const auto args = env.args;
    main_ = std::make_unique<MainWindow>(std::move(env));
    simulator_ = std::make_unique<SimulatorWindow>(*main_, run ? std::move(run) : SimulatorWindow::driverRun());
    simulator_->args = args;  // the run switches count at every activation
    main_->setSimulator(simulator_.get());
    tools_ = install_tool_windows(*main_);
    resultsMenu_ = install_results_menu(*main_, *simulator_);
    browser_ = std::make_unique<BrowserWindow>(*main_);
    browserResults_ = install_browser_results(*main_, *simulator_, *browser_, resultsMenu_);
    link_browser_windows(*main_, *browser_, tools_.referenceList.get());

    // What the parameter and climate windows change, the browser shows afresh: its tree,
    // and the plot it showed with its choice lists.
    BrowserWindow* browser = browser_.get();
    const auto reloadBrowser = [browser] {
        const long long plot = browser->currentPlot();
        browser->rebuildTree(0);
        if (plot > 0) browser->loadPlot(plot);
    };
    if (auto* parameters = main_->parameterWindow()) {
        QObject::connect(parameters, &ParameterWindow::parametersChanged, browser, reloadBrowser);
        QObject::connect(parameters, &ParameterWindow::soilsChanged, browser, reloadBrowser);
    }
    if (auto* climate = main_->climateWindow())
        QObject::connect(climate, &ClimateWindow::stationsChanged, browser, reloadBrowser);
    // "Datenanalyse mit R": opened beside the browser from the results menu; the plots it
    // evaluated show their new results in the browser's tree.
    if (auto* menu = main_->menuBar()->findChild<QMenu*>("results_menu")) {
        RAnalysisWindow* r = tools_.rAnalysis.get();
        menu->addAction(QCoreApplication::translate("Application", "Datenanalyse mit R"), r, [r] {
            r->show();
            r->raise();
            r->activateWindow();
        })->setObjectName("open_r_analysis");
        QObject::connect(r, &RAnalysisWindow::evaluationFinished, browser, [browser] {
            if (browser->isVisible()) browser->rebuildTree(0);
        });
    }
    main_->setCommandAction(MainWindow::Command::PlotSelection, [browser] {
        browser->show();
        browser->raise();
        browser->activateWindow();
    });
}

Application::~Application()
{
    // A run still going on ends before its windows go (the plot in hand is rolled back).
    if (simulator_ && simulator_->running()) simulator_->stopAndWait();
    // The windows go in the reverse order of their making: the browser (with its result
    // pages and run controller), the tool windows, the simulator, and last the main window
    // with the connection; the main window forgets the simulator before it goes.
    browserResults_ = {};
    browser_.reset();
    tools_ = ToolWindows();
    resultsMenu_ = {};
    main_->setSimulator(nullptr);
    simulator_.reset();
    main_.reset();
}

int Application::exitCode() const
{
    const int code = main_->exitCode();
    return interrupted_ && code == 0 ? 1 : code;
}

namespace {

// Ends the event loop once the watched main window has closed (a close it refused,
// because the user kept a run going, leaves it open).
class EndWatcher : public QObject {
public:
    EndWatcher(QWidget* main, std::function<int()> code) : QObject(main), main_(main), code_(std::move(code))
    {
        main->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == main_ && event->type() == QEvent::Close)
            QTimer::singleShot(0, this, [this] {
                if (!main_->isVisible()) QCoreApplication::exit(code_());
            });
        return false;
    }

private:
    QWidget* main_;
    std::function<int()> code_;
};

} // namespace

int Application::exec()
{
    auto* watcher = new EndWatcher(main_.get(), [this] { return exitCode(); });
    main_->show();
    const int rc = QApplication::exec();
    delete watcher;
    return rc != 0 ? rc : exitCode();
}

void Application::stopFromOutside()
{
    if (simulator_->running()) {
        interrupted_ = true;
        simulator_->stopAndWait();
    }
    main_->endProgram();
}

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void forward_stop_signal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &c, 1);
}

} // namespace

void install_stop_signals(Application& app)
{
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app.mainWindow());
    QObject::connect(notifier, &QSocketNotifier::activated, &app.mainWindow(), [&app, notifier] {
        char c = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &c, 1);
        notifier->setEnabled(false);  // one stop request; a second signal changes nothing
        app.stopFromOutside();
    });
    struct sigaction action {};
    action.sa_handler = forward_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace vt::gui
