#include "gui/results/background_task.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QThread>

namespace vt::gui {

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask()
{
    if (!thread_) return;
    cancel();
    thread_->wait();
}

bool BackgroundTask::start(Work work)
{
    if (thread_) return false;
    stop_.store(false);
    error_.clear();
    lastPercent_.store(-1);
    thread_ = QThread::create([this, work = std::move(work)] {
        engine::RunHooks hooks;
        hooks.stop = &stop_;
        hooks.progress = [this](long long current, long long maximum) {
            // At most one signal per percent, so that thousands of plots do not flood the window.
            const long long percent = maximum > 0 ? current * 100 / maximum : -2;
            if (percent == lastPercent_.exchange(percent)) return;
            QMetaObject::invokeMethod(this, [this, current, maximum] { emit progress(current, maximum); },
                                      Qt::QueuedConnection);
        };
        hooks.message = [this](const std::string& caption, const std::string& text) {
            const QString line = QString::fromStdString(caption + ": " + text);
            QMetaObject::invokeMethod(this, [this, line] { error_ += (error_.isEmpty() ? "" : "\n") + line; },
                                      Qt::QueuedConnection);
        };
        try {
            work(hooks);
        } catch (const std::exception& e) {
            const QString what = QString::fromStdString(e.what());
            QMetaObject::invokeMethod(this, [this, what] { error_ = what; }, Qt::QueuedConnection);
        }
    });
    connect(thread_, &QThread::finished, this, &BackgroundTask::onThreadDone, Qt::QueuedConnection);
    thread_->start();
    return true;
}

void BackgroundTask::onThreadDone()
{
    if (!thread_) return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    emit finished(error_.isEmpty());
}

void BackgroundTask::waitForEnd()
{
    if (!thread_) return;
    QEventLoop loop;
    connect(this, &BackgroundTask::finished, &loop, &QEventLoop::quit);
    if (thread_) loop.exec();
}

bool BackgroundTask::runWithProgress(Work work, QWidget* parent, const QString& caption)
{
    QProgressDialog dialog(caption, tr("cancel"), 0, 0, parent);
    dialog.setObjectName("progress_dialog");
    dialog.setWindowTitle(caption);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(INT32_MAX);  // shown below, once the work outlasts 300 ms
    auto p = connect(this, &BackgroundTask::progress, &dialog, [&dialog](qint64 current, qint64 maximum) {
        dialog.setMaximum(static_cast<int>(std::min<qint64>(maximum, INT32_MAX)));
        dialog.setValue(static_cast<int>(std::min<qint64>(current, dialog.maximum())));
    });
    connect(&dialog, &QProgressDialog::canceled, this, &BackgroundTask::cancel);
    if (!start(std::move(work))) return false;
    // Until the dialog shows, clicks and keys wait: no other window may reach the
    // database while the worker uses it. Short work ends without a flashing dialog.
    {
        QEventLoop loop;
        connect(this, &BackgroundTask::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        if (thread_) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (thread_) {
        dialog.show();
        waitForEnd();
    }
    disconnect(p);
    return error_.isEmpty();
}

} // namespace vt::gui
