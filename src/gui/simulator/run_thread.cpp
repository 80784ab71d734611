#include "gui/simulator/run_thread.h"

#include "db/connection.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/run_hold.h"

#include <QEventLoop>
#include <QThread>
#include <QWidget>

#include <iostream>

namespace vt::gui {

RunThread::RunThread(QWidget* dialogParent) : QObject(dialogParent), dialogParent_(dialogParent)
{
    qRegisterMetaType<vt::engine::RunResult>();
}

RunThread::~RunThread()
{
    if (!thread_) return;
    requestStop();
    waitForEnd();
}

engine::RunHooks RunThread::hooks()
{
    engine::RunHooks h;
    h.log = [this](const std::string& line) {
        const auto text = QString::fromStdString(line);
        post(&text);
    };
    h.progress = [this](long long current, long long maximum) { post(nullptr, &current, &maximum); };
    h.message = [this](const std::string& caption, const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, caption, text] {
                show_message(dialogParent_, QString::fromStdString(caption), QString::fromStdString(text));
            },
            Qt::BlockingQueuedConnection);
    };
    h.ask = [this](const std::string& caption, const std::string& text) {
        bool yes = true;
        QMetaObject::invokeMethod(
            this, [this, caption, text, &yes] {
                yes = ask_question(dialogParent_, QString::fromStdString(caption), QString::fromStdString(text));
            },
            Qt::BlockingQueuedConnection);
        return yes;
    };
    h.stop = &stop_;
    h.errorRows = [this](const std::vector<std::string>& rows) {
        QStringList list;
        for (const auto& r : rows) list << QString::fromStdString(r);
        QMetaObject::invokeMethod(this, [this, list] { emit errorRows(list); }, Qt::QueuedConnection);
    };
    if (unattended_) {
        h.errorRows = [this](const std::vector<std::string>& rows) {
            for (const auto& r : rows) {
                std::cerr << "  " << r << '\n';
                const auto line = QString::fromStdString("  " + r);
                post(&line);
            }
        };
        h.message = [this](const std::string& caption, const std::string& text) {
            std::cerr << caption << ": " << text << '\n';
            const auto line = QString::fromStdString(caption + ": " + text);
            post(&line);
        };
        h.ask = [this](const std::string& caption, const std::string& text) {
            std::cerr << caption << ": " << text << " -> no\n";
            const auto line = QString::fromStdString(caption + ": " + text + " -> no");
            post(&line);
            return false;
        };
    }
    return h;
}

void RunThread::post(const QString* line, const long long* current, const long long* maximum)
{
    QMutexLocker lock(&mutex_);
    if (line) pending_ << *line;
    if (current) {
        current_ = *current;
        maximum_ = *maximum;
        progressPending_ = true;
    }
    if (flushQueued_) return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &RunThread::flush, Qt::QueuedConnection);
}

void RunThread::flush()
{
    QStringList lines;
    bool progressPending = false;
    long long current = 0, maximum = 0;
    {
        QMutexLocker lock(&mutex_);
        lines.swap(pending_);
        std::swap(progressPending, progressPending_);
        current = current_;
        maximum = maximum_;
        flushQueued_ = false;
    }
    if (!lines.isEmpty()) emit logLines(lines);
    if (progressPending) emit progress(current, maximum);
}

void RunThread::start(RunFunction run, db::Connection& c, engine::RunConfig cfg)
{
    if (thread_) return;
    result_ = {};
    thread_ = QThread::create([this, run = std::move(run), &c, cfg = std::move(cfg), h = hooks()] {
        try {
            // The run owns the connection until it ends: a window's statement meanwhile is
            // refused instead of landing inside the run's transaction.
            const workbench::RunHold hold(c);
            result_ = run(c, cfg, h);
        } catch (const std::exception& e) {
            result_.outcome = engine::RunOutcome::Failed;
            result_.message = e.what();
        }
    });
    connect(thread_, &QThread::finished, this, &RunThread::onThreadDone, Qt::QueuedConnection);
    thread_->start();
}

void RunThread::onThreadDone()
{
    if (!thread_) return;
    thread_->wait();
    flush();
    thread_->deleteLater();
    thread_ = nullptr;
    emit finished(result_);
}

void RunThread::waitForEnd()
{
    if (!thread_) return;
    QEventLoop loop;
    connect(this, &RunThread::finished, &loop, &QEventLoop::quit);
    if (thread_) loop.exec();
}

} // namespace vt::gui
