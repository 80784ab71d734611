#pragma once
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"
#include "gui/simulator/run_thread.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace vt::gui {

class ErrorListWindow;
class HistogramPage;
class PlotListPage;
class MainWindow;

// The window "RUX-simulator": runs the model for the plots marked in site_state. The run executes
// on a worker thread, so the window stays responsive and "STOP RUN" takes effect after
// the current year.
class SimulatorWindow : public QWidget {
    Q_OBJECT
public:
    SimulatorWindow(MainWindow& main, RunThread::RunFunction run, QWidget* parent = nullptr);

    // A whole run of this build: the run driver with the annual balance.
    static RunThread::RunFunction driverRun();
    ~SimulatorWindow() override;

    // Run fields that callers set before showing the window.
    std::string methode;          // empty: "RUX"
    int z_anf = -99;
    int z_cnt = 0;
    bool nowait = false;          // end the program when the run has ended
    bool autoclick = false;       // press "calculate" at the end of the activation
    bool singlemode = false;      // opened by the browser: "close" closes the window
    // Command-line arguments for the run switches (GO, nw, BAT=, M=, ID=, ...).
    std::vector<std::string> args;

    bool running() const { return running_; }
    // "Fehlermeldung aus RUX": the input rows of the plots the last run could not simulate.
    ErrorListWindow* errorWindow() const { return errorWindow_; }
    bool hasResult() const { return hasResult_; }
    const engine::RunResult& lastResult() const { return result_; }
    const engine::RunConfig& config() const { return cfg_; }

    // The activation protocol: reads the configuration, reconnects, writes the header
    // of the log and, with GO or autoclick, starts the run. Runs when the window is
    // shown.
    void activateRun();
    // "calculate", or "close" once a run has been made.
    void calculate();
    // "database": another database file for the run.
    void chooseDatabase();
    // Ticks "STOP RUN".
    void requestStop();
    // Ticks "STOP RUN" and waits, keeping the windows responsive, until the run ended.
    void stopAndWait();

signals:
    // A run started (true) or ended (false).
    void runningChanged(bool running);
    void runFinished(bool ok);
    void hidden();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void readConfiguration();
    // Hooks for work done on the window's own thread: log lines, messages, questions
    // (in an unattended batch run without boxes: questions are answered "no").
    engine::RunHooks dialogHooks();
    // Nobody waits at the screen: the command line asked to end after the run.
    bool unattended() const;
    // The activation cannot prepare a run; a batch run ends at once.
    void failActivation(const QString& reason);
    void startRun();
    void onLogLines(const QStringList& lines);
    void onProgress(qint64 current, qint64 maximum);
    void onFinished(const engine::RunResult& result);
    void log(const QString& line);
    bool regionalMode() const;

    MainWindow& main_;
    RunThread::RunFunction run_;
    RunThread* thread_;
    engine::RunConfig cfg_;
    engine::RunResult result_;
    bool running_ = false;
    bool hasResult_ = false;
    bool closeArmed_ = false;   // the "calculate" button reads "close"

    QLineEdit* path_ = nullptr;
    QPushButton* database_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QCheckBox* recalcBat_ = nullptr;
    QCheckBox* stopRun_ = nullptr;
    QLabel* regional_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QListWidget* messages_ = nullptr;
    PlotListPage* plots_ = nullptr;
    HistogramPage* histogram_ = nullptr;
    QProgressBar* progress_ = nullptr;
    ErrorListWindow* errorWindow_ = nullptr;
};

} // namespace vt::gui
