#include "gui/results/nbalance_window.h"

#include "workbench/command_data.h"
#include "gui/results/background_task.h"
#include "gui/results/grid_export.h"
#include "gui/results/result_table_model.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/results_nbalance.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <optional>

namespace vt::gui {

namespace {

// A limit as typed: the user's decimal separator or a point.
std::optional<double> limit(const QLineEdit* field)
{
    bool ok = false;
    double v = QLocale().toDouble(field->text().trimmed(), &ok);
    if (!ok) v = field->text().trimmed().toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

NBalanceWindow::NBalanceWindow(std::function<db::Connection*()> connection, std::function<bool()> busy, QWidget* parent)
    : QWidget(parent, Qt::Window), connection_(std::move(connection)), busy_(std::move(busy)),
      task_(new BackgroundTask(this))
{
    setObjectName("NBalanceWindow");
    setWindowTitle(tr("RUX N balance"));
    auto field = [this](const char* name, const char* text) {
        auto* f = new QLineEdit(text, this);
        f->setObjectName(name);
        f->setMaximumWidth(80);
        return f;
    };
    yearFrom_ = field("year_from", "0");
    yearTo_ = field("year_to", "3000");
    fertFrom_ = field("fert_from", "0");
    fertTo_ = field("fert_to", "3000");
    plot_ = field("fl_id", "*");
    plot_->setToolTip("select\x20" "a fl_id or use * for all rescords");  // \x20: a hint, not a query
    observed_ = new QCheckBox(tr("use observed N-uptake"), this);
    observed_->setObjectName("observed_uptake");
    makeCsv_ = new QCheckBox(tr("make CSV"), this);
    makeCsv_->setObjectName("make_csv");
    run_ = new QPushButton(tr("run N-Balance"), this);
    run_->setObjectName("run");
    cancel_ = new QPushButton(tr("cancel"), this);
    cancel_->setObjectName("cancel");
    cancel_->setEnabled(false);
    copy_ = new QPushButton(tr("copy to XLS"), this);
    copy_->setObjectName("copy_xls");
    choice_ = new QComboBox(this);
    choice_->setObjectName("tables");
    for (const auto& name : workbench::nbalance_result_tables()) choice_->addItem(QString::fromStdString(name));
    choice_->setCurrentIndex(choice_->count() - 1);
    model_ = new ResultTableModel(this);
    grid_ = new QTableView(this);
    grid_->setObjectName("grid");
    grid_->setModel(model_);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setRange(0, 17);
    progress_->setValue(0);

    auto* limits = new QGridLayout;
    limits->addWidget(new QLabel(tr("limit time interval:"), this), 0, 0);
    limits->addWidget(yearFrom_, 0, 1);
    limits->addWidget(new QLabel(tr("<=    Jahr    <="), this), 0, 2);
    limits->addWidget(yearTo_, 0, 3);
    limits->addWidget(new QLabel(tr("limit range of fertilization:"), this), 1, 0);
    limits->addWidget(fertFrom_, 1, 1);
    limits->addWidget(new QLabel(tr("<= Dg-N-inp <="), this), 1, 2);
    limits->addWidget(fertTo_, 1, 3);
    limits->addWidget(new QLabel(tr("fl_id:"), this), 0, 4);
    limits->addWidget(plot_, 0, 5);
    limits->addWidget(observed_, 1, 4, 1, 2);
    limits->setColumnStretch(6, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(run_);
    buttons->addWidget(cancel_);
    buttons->addSpacing(20);
    buttons->addWidget(copy_);
    buttons->addWidget(makeCsv_);
    buttons->addStretch();
    buttons->addWidget(new QLabel(tr("table"), this));
    buttons->addWidget(choice_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(limits);
    layout->addLayout(buttons);
    layout->addWidget(grid_, 1);
    layout->addWidget(progress_);
    resize(860, 520);

    connect(run_, &QPushButton::clicked, this, &NBalanceWindow::runBalance);
    connect(cancel_, &QPushButton::clicked, this, &NBalanceWindow::cancel);
    connect(copy_, &QPushButton::clicked, this, &NBalanceWindow::copyToXls);
    connect(choice_, &QComboBox::textActivated, this, &NBalanceWindow::showTable);
    connect(task_, &BackgroundTask::progress, this, [this](qint64 current, qint64 maximum) {
        if (maximum > 0) progress_->setValue(static_cast<int>(std::min<qint64>(current, 17)));
    });
    connect(task_, &BackgroundTask::finished, this, &NBalanceWindow::onFinished);
}

NBalanceWindow::~NBalanceWindow()
{
    if (task_->running()) {
        task_->cancel();
        task_->waitForEnd();
    }
}

const eval::Table& NBalanceWindow::shownTable() const { return model_->table(); }

bool NBalanceWindow::runBalance()
{
    db::Connection* c = connection_();
    if (task_->running()) return false;
    if (!c || (busy_ && busy_())) {
        show_message(this, tr("RUX N balance"), c ? "A run is in progress; try again when it has ended." : "No database is open.");
        return false;
    }
    eval::NBalanceOptions o;
    const QString id = plot_->text().trimmed();
    if (id != "*") {
        bool ok = false;
        const long long plot = id.toLongLong(&ok);
        if (!ok) {
            show_message(this, tr("RUX N balance"), "'" + id + "' is not a plot id; use * for all plots");
            return false;
        }
        o.plot = plot;
    }
    const auto y0 = limit(yearFrom_), y1 = limit(yearTo_), f0 = limit(fertFrom_), f1 = limit(fertTo_);
    if (!y0 || !y1 || !f0 || !f1) {
        show_message(this, tr("RUX N balance"), tr("the limits must be numbers"));
        return false;
    }
    o.limits = {*y0, *y1, *f0, *f1};
    o.observedUptake = observed_->isChecked();
    o.diagnosticsFolder = QDir::currentPath().toStdString();
    model_->setTable({});
    cancelled_ = false;
    setRunning(true);
    task_->start([this, c, o](const engine::RunHooks& hooks) { cancelled_ = !workbench::run_nitrogen_balance(*c, o, hooks); });
    return true;
}

void NBalanceWindow::cancel() { task_->cancel(); }

void NBalanceWindow::setRunning(bool on)
{
    run_->setEnabled(!on);
    copy_->setEnabled(!on);
    choice_->setEnabled(!on);
    cancel_->setEnabled(on);
    if (on) progress_->setValue(0);
}

void NBalanceWindow::onFinished(bool ok)
{
    setRunning(false);
    if (!ok) {
        show_message(this, tr("RUX N balance"), task_->error());
        return;
    }
    progress_->setValue(cancelled_ ? 0 : 17);
    emit balanceFinished(!cancelled_);
    if (cancelled_) return;
    choice_->setCurrentIndex(0);
    showTable(choice_->currentText());
}

void NBalanceWindow::showTable(const QString& name)
{
    db::Connection* c = connection_();
    if (!c || task_->running() || (busy_ && busy_())) return;
    try {
        model_->setTable(workbench::nbalance_table(*c, name.toStdString()));
    } catch (const std::exception& e) {
        model_->setTable({});
        show_message(this, tr("RUX N balance"), QString::fromStdString(e.what()));
    }
}

void NBalanceWindow::copyToXls()
{
    // The text file when asked for, and always the workbook with four decimals.
    if (makeCsv_->isChecked()) export_grid(this, model_->table(), true);
    export_grid(this, model_->table(), false, 4);
}

void NBalanceWindow::closeEvent(QCloseEvent* event)
{
    if (task_->running()) {
        if (!ask_question(this, tr("RUX N balance"), tr("The nitrogen balance is being built. Cancel it and close the window ?"))) {
            event->ignore();
            return;
        }
        task_->cancel();
        task_->waitForEnd();
    }
    QWidget::closeEvent(event);
}

} // namespace vt::gui
