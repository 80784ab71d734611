#pragma once
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"

#include <QMutex>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>

class QThread;
class QWidget;

namespace vt::db {
class Connection;
}

namespace vt::gui {

// Executes one run on a worker thread, which holds the database for the run's length
// (workbench::RunHold): any other thread's statement is refused meanwhile. Log lines and progress reach the window by
// queued signals, gathered so that a run writing lines faster than the window can show
// them one by one keeps the window responsive; messages and questions of the run are
// shown by the window's thread while the run waits for them; "STOP RUN" is an atomic
// flag the run polls.
class RunThread : public QObject {
    Q_OBJECT
public:
    using RunFunction =
        std::function<engine::RunResult(db::Connection&, const engine::RunConfig&, const engine::RunHooks&)>;

    // `dialogParent` parents the message boxes the run asks for.
    explicit RunThread(QWidget* dialogParent);
    // A run still going is stopped and waited for.
    ~RunThread() override;

    // Starts `run` on the worker thread; the connection must stay open until finished.
    void start(RunFunction run, db::Connection& c, engine::RunConfig cfg);
    // An unattended run (nobody waits at the screen) shows no message boxes: messages go
    // to the log and to standard error, and questions are answered "no", so that the run
    // never stops on a box nor destroys data on its own.
    void setUnattended(bool on) { unattended_ = on; }
    bool isRunning() const { return thread_ != nullptr; }
    void requestStop() { stop_.store(true); }
    void clearStop() { stop_.store(false); }
    bool stopRequested() const { return stop_.load(); }
    // Waits, keeping the window responsive, until the run has ended.
    void waitForEnd();

signals:
    // The log lines written since the last signal, in their order.
    void logLines(const QStringList& lines);
    // The latest progress of a row walk; maximum 0 hides the bar.
    void progress(qint64 current, qint64 maximum);
    void finished(const vt::engine::RunResult& result);
    // The input rows of a plot that cannot be simulated (the error window).
    void errorRows(const QStringList& rows);

private:
    engine::RunHooks hooks();
    void onThreadDone();
    // Worker side: queue a line or a progress value and make sure a flush is pending.
    void post(const QString* line, const long long* current = nullptr, const long long* maximum = nullptr);
    // Window side: hands the queued lines and the latest progress to the window.
    void flush();

    QWidget* dialogParent_;
    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    bool unattended_ = false;

    QMutex mutex_;
    QStringList pending_;
    bool flushQueued_ = false;
    bool progressPending_ = false;
    long long current_ = 0;
    long long maximum_ = 0;
    engine::RunResult result_;
};

} // namespace vt::gui

Q_DECLARE_METATYPE(vt::engine::RunResult)
