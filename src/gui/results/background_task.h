#pragma once
#include "engine/types/run_hooks.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;
class QWidget;

namespace vt::gui {

// Long database work (Update-Statistics over thousands of plots, the nitrogen balance of
// all plots) on a worker thread: progress reaches the window by queued signals, cancel
// is an atomic flag the work polls. The window must not touch the database until
// finished() has been emitted.
class BackgroundTask : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(const engine::RunHooks& hooks)>;

    explicit BackgroundTask(QObject* parent = nullptr);
    ~BackgroundTask() override;

    // Starts the work; false when work is going on already.
    bool start(Work work);
    bool running() const { return thread_ != nullptr; }
    void cancel() { stop_.store(true); }
    bool cancelRequested() const { return stop_.load(); }
    // Waits, keeping the windows responsive, until the work has ended.
    void waitForEnd();
    // Runs the work under a modal progress dialog with a "cancel" button and waits for
    // its end. Returns false when the work failed (its message is in error()).
    bool runWithProgress(Work work, QWidget* parent, const QString& caption);
    QString error() const { return error_; }

signals:
    void progress(qint64 current, qint64 maximum);
    void finished(bool ok);

private:
    void onThreadDone();

    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<long long> lastPercent_{-1};
    QString error_;
};

} // namespace vt::gui
