#include "gui/simulator/simulator_window.h"

#include "gui/app/database_path_dialog.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/simulator/simulator_pages.h"
#include "gui/app/main_window.h"
#include "gui/widgets/error_list_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vt::gui {

SimulatorWindow::SimulatorWindow(MainWindow& main, RunThread::RunFunction run, QWidget* parent)
    : QWidget(parent, Qt::Window), main_(main), run_(std::move(run)), thread_(new RunThread(this))
{
    setObjectName("SimulatorWindow");
    setWindowTitle(tr("RUX-simulator"));
    buildLayout();
    connect(thread_, &RunThread::logLines, this, &SimulatorWindow::onLogLines);
    connect(thread_, &RunThread::progress, this, &SimulatorWindow::onProgress);
    connect(thread_, &RunThread::finished, this, &SimulatorWindow::onFinished);
    errorWindow_ = new ErrorListWindow(this);
    connect(thread_, &RunThread::errorRows, this, [this](const QStringList& rows) {
        errorWindow_->addRows(rows);
        errorWindow_->show();
        errorWindow_->raise();
    });
}

SimulatorWindow::~SimulatorWindow()
{
    if (thread_->isRunning()) {
        thread_->requestStop();
        thread_->waitForEnd();
    }
}

void SimulatorWindow::buildLayout()
{
    path_ = new QLineEdit(this);
    path_->setObjectName("path");
    path_->setReadOnly(true);
    database_ = new QPushButton(tr("database"), this);
    database_->setObjectName("database");
    calculate_ = new QPushButton(tr("calculate"), this);
    calculate_->setObjectName("calculate");
    calculate_->setMinimumWidth(110);
    recalcBat_ = new QCheckBox(tr("recalc BAT"), this);
    recalcBat_->setObjectName("recalc_bat");
    stopRun_ = new QCheckBox(tr("STOP RUN"), this);
    stopRun_->setObjectName("stop_run");
    regional_ = new QLabel(tr("running in regional mode"), this);
    regional_->setObjectName("regional");
    regional_->setStyleSheet("color: #a03000; font-weight: bold");
    regional_->hide();

    messages_ = new QListWidget(this);
    messages_->setObjectName("messages");
    messages_->setUniformItemSizes(true);
    plots_ = new PlotListPage(this);
    histogram_ = new HistogramPage(this);
    auto* assessment = new QTableWidget(0, 4, this);
    assessment->setObjectName("assessment");
    assessment->setHorizontalHeaderLabels({tr("YEAR_"), tr("MEAS_VALUE"), tr("SIM_VALUE"), tr("MEAS_ID")});
    pages_ = new QTabWidget(this);
    pages_->addTab(messages_, tr("messages"));
    pages_->addTab(plots_, tr("database"));
    pages_->addTab(histogram_, tr("histogram"));
    pages_->addTab(assessment, tr("assessment"));
    pages_->setTabEnabled(3, false);

    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(path_, 1);
    top->addWidget(database_);
    auto* controls = new QHBoxLayout;
    controls->addWidget(calculate_);
    controls->addWidget(recalcBat_);
    controls->addWidget(stopRun_);
    controls->addStretch();
    controls->addWidget(regional_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(controls);
    layout->addWidget(pages_, 1);
    layout->addWidget(progress_);
    resize(720, 520);

    connect(calculate_, &QPushButton::clicked, this, &SimulatorWindow::calculate);
    connect(database_, &QPushButton::clicked, this, &SimulatorWindow::chooseDatabase);
    connect(stopRun_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) thread_->requestStop();
        else thread_->clearStop();
    });
}

void SimulatorWindow::requestStop() { stopRun_->setChecked(true); }

void SimulatorWindow::stopAndWait()
{
    requestStop();
    thread_->waitForEnd();
}

void SimulatorWindow::log(const QString& line)
{
    messages_->addItem(line);
    messages_->scrollToBottom();
}

void SimulatorWindow::calculate()
{
    if (running_) return;
    if (closeArmed_) {
        if (singlemode || main_.state().go_on || main_.state().modus == "ACC") close();
        return;
    }
    startRun();
}

void SimulatorWindow::startRun()
{
    auto* c = main_.session().connection();
    if (!c) {
        show_message(this, tr("RUX-simulator"), tr("No database is open."));
        return;
    }
    closeArmed_ = true;
    calculate_->setText(tr("close"));
    calculate_->setEnabled(false);
    database_->setEnabled(false);
    recalcBat_->setEnabled(false);
    messages_->clear();
    histogram_->clear();
    errorWindow_->clearRows();
    pages_->setCurrentWidget(messages_);
    cfg_.recalc_bat = recalcBat_->isChecked();
    cfg_.methode = methode.empty() ? "RUX" : methode;
    running_ = true;
    hasResult_ = false;
    thread_->setUnattended(cfg_.nowait);
    thread_->start(run_, *c, cfg_);
    emit runningChanged(true);
}

void SimulatorWindow::onLogLines(const QStringList& lines)
{
    messages_->addItems(lines);
    messages_->scrollToBottom();
    for (const auto& line : lines) histogram_->takeLogLine(line);
}

void SimulatorWindow::onProgress(qint64 current, qint64 maximum)
{
    progress_->setVisible(maximum > 0);
    if (maximum <= 0) return;
    progress_->setRange(0, maximum > INT32_MAX ? INT32_MAX : static_cast<int>(maximum));
    progress_->setValue(static_cast<int>(std::min<qint64>(current, progress_->maximum())));
}

void SimulatorWindow::onFinished(const engine::RunResult& result)
{
    result_ = result;
    hasResult_ = true;
    running_ = false;
    emit runningChanged(false);
    progress_->hide();
    plots_->reload(main_.session().connection());
    database_->setEnabled(true);
    calculate_->setEnabled(true);
    recalcBat_->setEnabled(true);
    const bool ok = result.outcome == engine::RunOutcome::Finished;
    if (result.outcome == engine::RunOutcome::Stopped) log("STOP RUN: the run was stopped");
    else if (result.outcome == engine::RunOutcome::Failed) {
        log("run failed: " + QString::fromStdString(result.message));
        if (!cfg_.nowait) show_message(this, tr("RUX-simulator"), QString::fromStdString(result.message));
    }
    emit runFinished(ok);
    if (cfg_.nowait) close();
}

void SimulatorWindow::chooseDatabase()
{
    const auto file = choose_open_file(this, tr("Where is the database ?"), QFileInfo(path_->text()).absolutePath(),
                                       database_file_filter());
    if (file.isEmpty() || !main_.switchDatabase(file)) return;
    path_->setText(QString::fromStdString(main_.session().path()));
    if (const auto error = plots_->reload(main_.session().connection()); !error.isEmpty())
        show_message(this, tr("RUX-simulator"), error);
}

void SimulatorWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!running_) activateRun();
}

void SimulatorWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit hidden();
}

void SimulatorWindow::closeEvent(QCloseEvent* event)
{
    if (running_) {
        if (!ask_question(this, tr("RUX-simulator"), tr("A run is in progress. Stop it and close the window ?"))) {
            event->ignore();
            return;
        }
        stopAndWait();
    }
    QWidget::closeEvent(event);
}

} // namespace vt::gui
