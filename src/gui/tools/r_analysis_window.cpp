#include "gui/tools/r_analysis_window.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "workbench/command_data.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/r_analysis.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include "config/settings_keys.h"

namespace vt::gui {

RAnalysisWindow::RAnalysisWindow(std::function<db::Connection*()> connection, config::RuxSettings& settings,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), connection_(std::move(connection)), settings_(settings)
{
    setObjectName("RAnalysisWindow");
    setWindowTitle(tr("Datenanalyse mit R"));
    buildLayout();
}

RAnalysisWindow::~RAnalysisWindow()
{
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(2000);
    }
}

void RAnalysisWindow::buildLayout()
{
    auto* layout = new QGridLayout(this);
    auto field = [this, layout](const char* name, const QString& label, int row) {
        layout->addWidget(new QLabel(label, this), row, 0);
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setStyleSheet("QLineEdit { background: #d8f0d0; }");
        e->installEventFilter(this);
        layout->addWidget(e, row, 1);
        return e;
    };
    sql_ = field("sql_script", "SQL script", 0);
    r_ = field("r_script", "R script", 1);
    folder_ = field("folder", "folder", 2);
    folder_->setStyleSheet({});
    auto* pickSqlButton = new QPushButton("?", this);
    pickSqlButton->setObjectName("pick_sql");
    connect(pickSqlButton, &QPushButton::clicked, this, &RAnalysisWindow::pickSql);
    auto* pickRButton = new QPushButton("?", this);
    pickRButton->setObjectName("pick_r");
    connect(pickRButton, &QPushButton::clicked, this, &RAnalysisWindow::pickR);
    layout->addWidget(pickSqlButton, 0, 2);
    layout->addWidget(pickRButton, 1, 2);
    hint_ = new QLabel(tr("doubleclick green edit fields to view file content"), this);
    hint_->setObjectName("hint");
    layout->addWidget(hint_, 3, 0, 1, 3);
    content_ = new QListWidget(this);
    content_->setObjectName("content");
    content_->setFont(QFont("monospace"));
    layout->addWidget(content_, 4, 0, 1, 3);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    status_ = new QLabel(this);
    status_->setObjectName("status");
    go_ = new QPushButton(tr("go"), this);
    go_->setObjectName("go");
    connect(go_, &QPushButton::clicked, this, [this] { go(); });
    layout->addWidget(status_, 5, 0, 1, 2);
    layout->addWidget(progress_, 6, 0, 1, 2);
    layout->addWidget(go_, 6, 2);
    layout->setColumnStretch(1, 1);
    resize(640, 420);
}

QString RAnalysisWindow::statusText() const { return status_->text(); }

void RAnalysisWindow::showEvent(QShowEvent* event)
{
    if (db::Connection* c = connection_()) {
        const QString folder = QFileInfo(QString::fromStdString(c->path())).absolutePath();
        folder_->setText(folder);
        QDir::setCurrent(folder);
    }
    settings_.reload();
    sql_->setText(QString::fromStdString(settings_.textOr(config::key::sp_a_sql, "")));
    r_->setText(QString::fromStdString(settings_.textOr(config::key::sp_a_r, "")));
    hint_->show();
    QWidget::showEvent(event);
}

bool RAnalysisWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && (watched == sql_ || watched == r_)) {
        showContent(static_cast<QLineEdit*>(watched));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RAnalysisWindow::showContent(QLineEdit* field)
{
    content_->clear();
    try {
        for (const auto& l : workbench::read_text_lines(field->text().toStdString()))
            content_->addItem(QString::fromStdString(l));
        hint_->hide();
    } catch (const std::exception& e) {
        show_message(this, tr("Datenanalyse mit R"), QString::fromStdString(e.what()));
    }
}

void RAnalysisWindow::pickSql()
{
    const QString f = choose_open_file(this, tr("SQL script"), folder_->text(), "*.txt;;*.sql;;*");
    if (f.isEmpty()) return;
    sql_->setText(f);
    folder_->setText(QFileInfo(f).absolutePath());
}

void RAnalysisWindow::pickR()
{
    const QString f = choose_open_file(this, tr("R script"), folder_->text(), "*.txt;;*.r *.R;;*");
    if (f.isEmpty()) return;
    r_->setText(f);
    folder_->setText(QFileInfo(f).absolutePath());
}

bool RAnalysisWindow::go()
{
    if (running_) return false;
    db::Connection* c = connection_();
    if (!c) {
        show_message(this, tr("Datenanalyse mit R"), tr("No database is open."));
        return false;
    }
    settings_.reload();
    try {
        evaluation_ = workbench::prepare_r_analysis(
            c->path(), {sql_->text().toStdString(), r_->text().toStdString(), folder_->text().toStdString()},
            settings_.textOr(config::key::r_call, ""), settings_.textOr(config::key::r_result, ""));
        plots_ = workbench::plots_with_results(*c);
    } catch (const std::exception& e) {
        show_message(this, tr("Datenanalyse mit R"), QString::fromStdString(e.what()));
        return false;
    }
    running_ = true;
    go_->setEnabled(false);
    next_ = 0;
    done_ = 0;
    progress_->setMaximum(static_cast<int>(plots_.size()));
    progress_->setValue(0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    nextPlot();
    return true;
}

void RAnalysisWindow::nextPlot()
{
    if (next_ >= plots_.size()) {
        finish(QString::number(done_) + " plots evaluated");
        return;
    }
    const long long plot = plots_[next_++];
    status_->setText(tr("plot ") + QString::number(plot));
    db::Connection* c = connection_();
    try {
        const auto sql = std::filesystem::path(evaluation_.folder) / evaluation_.sqlScript;
        if (!c) throw std::runtime_error("the database was closed");
        if (std::filesystem::exists(sql)) workbench::run_companion_sql(*c, sql.string(), plot);
    } catch (const std::exception& e) {
        show_message(this, tr("Datenanalyse mit R"), QString::fromStdString(e.what()));
        finish("stopped at plot " + QString::number(plot));
        return;
    }
    const eval::RCommand cmd = eval::r_command(evaluation_);
    if (!process_) {
        process_ = new QProcess(this);
        connect(process_, &QProcess::finished, this, [this] {
            ++done_;
            progress_->setValue(done_);
            nextPlot();
        });
        connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart) return;
            show_message(this, "R", QString::fromStdString(eval::r_not_started_message(
                                         process_->program().toStdString(), process_->errorString().toStdString())));
            finish("R could not be started");
        });
    }
    process_->setWorkingDirectory(QString::fromStdString(cmd.workingDir));
    // R in batch mode writes its own result file; Rscript's output is the result file.
    process_->setStandardOutputFile(cmd.outputFile.empty() ? QProcess::nullDevice() : QString::fromStdString(cmd.outputFile));
    process_->setProcessChannelMode(QProcess::MergedChannels);
    QStringList args;
    for (const auto& a : cmd.arguments) args << QString::fromStdString(a);
    process_->start(QString::fromStdString(cmd.program), args);
}

void RAnalysisWindow::finish(const QString& status)
{
    if (!running_) return;
    running_ = false;
    go_->setEnabled(true);
    status_->setText(status);
    QApplication::restoreOverrideCursor();
    emit evaluationFinished(done_);
}

} // namespace vt::gui
