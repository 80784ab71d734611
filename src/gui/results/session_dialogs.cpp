#include "gui/results/session_dialogs.h"

#include "gui/app/main_window.h"
#include "gui/results/background_task.h"
#include "gui/widgets/dialog_hooks.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace vt::gui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

const QStringList kDistributions{"normal", "uniform", "lognormal"};

QStringList parameter_names()
{
    QStringList names;
    for (const auto& n : engine::session_parameter_names()) names << qs(n);
    return names;
}

} // namespace

SessionDialog::SessionDialog(MainWindow& main, const QString& caption, bool showStart, const QStringList& valueColumns,
                             QWidget* parent)
    : QDialog(parent), caption_(caption), main_(main), valueColumns_(valueColumns), showStart_(showStart)
{
    setWindowTitle(caption);
    experiment_ = new QLabel(this);
    plots_ = new QLineEdit(this);
    plots_->setObjectName("plots");
    plots_->setPlaceholderText("101,102");

    table_ = new QTableWidget(0, valueColumn(static_cast<int>(valueColumns.size())), this);
    table_->setObjectName("parameters");
    // The value columns are named in English (the dialog reads them by name); the header shows
    // their translation.
    QStringList headers{tr("parameter")};
    if (showStart) headers << tr("start");
    for (const auto& c : valueColumns) headers << tr(c.toUtf8().constData());
    table_->setHorizontalHeaderLabels(headers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    auto* add = new QPushButton(tr("add parameter"), this);
    add->setObjectName("addParameter");
    auto* remove = new QPushButton(tr("remove parameter"), this);
    remove->setObjectName("removeParameter");
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();

    jobs_ = new QSpinBox(this);
    jobs_->setObjectName("jobs");
    jobs_->setRange(0, 256);
    jobs_->setSpecialValueText("one per core");
    extra_ = new QWidget(this);

    auto* form = new QFormLayout;
    form->addRow(tr("experiment"), experiment_);
    form->addRow(tr("plots"), plots_);
    form->addRow(tr("threads"), jobs_);

    start_ = new QPushButton(tr("start"), this);
    start_->setObjectName("start");
    start_->setDefault(true);
    auto* close = new QPushButton(tr("close"), this);
    result_ = new QPlainTextEdit(this);
    result_->setObjectName("result");
    result_->setReadOnly(true);
    result_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    result_->setMinimumHeight(220);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(extra_);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(table_);
    layout->addLayout(rowButtons);
    layout->addLayout(buttons);
    layout->addWidget(result_, 1);
    resize(720, 620);

    task_ = new BackgroundTask(this);
    connect(add, &QPushButton::clicked, this, [this] { addParameter(parameter_names().value(0), {}); });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (table_->currentRow() >= 0) table_->removeRow(table_->currentRow());
    });
    connect(start_, &QPushButton::clicked, this, [this] { start(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

db::Connection* SessionDialog::connection() const { return main_.session().connection(); }

std::string SessionDialog::databasePath() const { return main_.session().path(); }

void SessionDialog::setExperiment(const QString& location, const QString& code)
{
    experiment_->setText(location);
    QStringList list;
    if (auto* c = connection())
        for (long long plot : workbench::plots_of_experiment_node(*c, {code.toStdString(), location.toStdString()}))
            list << QString::number(plot);
    plots_->setText(list.join(','));
}

void SessionDialog::addParameter(const QString& name, const QStringList& values)
{
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto* names = new QComboBox(table_);
    names->addItems(parameter_names());
    if (auto* c = connection()) {
        try {
            for (const auto& item : workbench::item_parameter_choices(*c)) names->addItem(qs(item));
        } catch (const std::exception&) {
            // Without parameter tables the constants and factors remain to choose from.
        }
    }
    names->setCurrentText(name);
    table_->setCellWidget(row, 0, names);
    if (showStart_) {
        auto* start = new QTableWidgetItem;
        start->setFlags(start->flags() & ~Qt::ItemIsEditable);
        start->setToolTip("the value the fit starts from: gldaparm's row 1, 1 for a factor, or the stored value of a "
                         "substance's or crop's parameter");
        table_->setItem(row, 1, start);
        const auto showStart = [this, start](const QString& parameter) {
            QString text;
            if (auto* c = connection()) {
                try {
                    text = QString::number(workbench::session_parameter_start(*c, parameter.toStdString()), 'g', 6);
                } catch (const std::exception&) {
                    // No model constants to read: the fit reports the start value.
                }
            }
            start->setText(text);
        };
        showStart(names->currentText());
        connect(names, &QComboBox::currentTextChanged, this, showStart);
    }
    for (int i = 0; i < valueColumns_.size(); ++i) {
        if (valueColumns_[i] == "distribution") {
            auto* d = new QComboBox(table_);
            d->addItems(kDistributions);
            d->setCurrentText(values.value(i, kDistributions[0]));
            table_->setCellWidget(row, valueColumn(i), d);
        } else {
            table_->setItem(row, valueColumn(i), new QTableWidgetItem(values.value(i)));
        }
    }
}

std::vector<std::pair<std::string, std::vector<std::string>>> SessionDialog::parameterRows() const
{
    std::vector<std::pair<std::string, std::vector<std::string>>> rows;
    for (int r = 0; r < table_->rowCount(); ++r) {
        const auto cellText = [this, r](int column) {
            if (auto* box = qobject_cast<QComboBox*>(table_->cellWidget(r, column))) return box->currentText();
            const auto* item = table_->item(r, column);
            return item ? item->text().trimmed() : QString();
        };
        std::vector<std::string> values;
        for (int i = 0; i < valueColumns_.size(); ++i) values.push_back(cellText(valueColumn(i)).toStdString());
        rows.emplace_back(cellText(0).toStdString(), std::move(values));
    }
    return rows;
}

std::optional<std::vector<long long>> SessionDialog::plots()
{
    if (!connection()) {
        refuse("no database is open");
        return std::nullopt;
    }
    QStringList parts;
    for (const QString& part : plots_->text().split(',', Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty()) parts << part.trimmed();
    if (parts.isEmpty()) {
        refuse("no plots chosen");
        return std::nullopt;
    }
    try {
        return workbench::plots_of_list(*connection(), parts.join(',').toStdString());
    } catch (const std::exception& e) {
        refuse(qs(e.what()));
        return std::nullopt;
    }
}

void SessionDialog::refuse(const QString& text) { show_message(this, caption_, text); }

bool SessionDialog::runWork(const std::function<void(const engine::RunHooks&)>& work)
{
    bool finished = false;
    task_->runWithProgress(
        [&finished, &work](const engine::RunHooks& hooks) {
            work(hooks);
            finished = true;
        },
        this, caption_);
    // "cancel" during the preparation ends it with the run's error: the user asked for that.
    if (!finished && task_->cancelRequested()) {
        result_->setPlainText("stopped; nothing was written");
        return false;
    }
    // Messages of the preparation arrive as the task's error text too; the work's own end
    // tells whether it went through.
    if (!task_->error().isEmpty()) refuse(task_->error());
    return finished;
}

CalibrationDialog::CalibrationDialog(MainWindow& main, QWidget* parent)
    : SessionDialog(main, tr("calibrate…"), true, {QT_TRANSLATE_NOOP("SessionDialog", "low"), QT_TRANSLATE_NOOP("SessionDialog", "high")}, parent)
{
    setObjectName("calibrationDialog");
    property_ = new QComboBox(this);
    property_->setObjectName("property");
    property_->addItem("7 organic carbon", 7);
    property_->addItem("0 total nitrogen", 0);
    property_->addItem("5 microbial carbon", 5);
    iterations_ = new QSpinBox(this);
    iterations_->setObjectName("maxIterations");
    iterations_->setRange(1, 10000);
    iterations_->setValue(100);
    if (auto* form = findChild<QFormLayout*>()) {
        form->addRow(tr("observed property"), property_);
        form->addRow(tr("iterations at most"), iterations_);
    }
    apply_ = new QPushButton(tr("apply"), extraRow());
    apply_->setObjectName("apply");
    apply_->setEnabled(false);
    auto* l = new QHBoxLayout(extraRow());
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(apply_);
    addParameter("K_AKT", {"0.0001", "0.001"});
    addParameter("K_STAB", {"0.0003", "0.003"});
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });
}

bool CalibrationDialog::start()
{
    apply_->setEnabled(false);
    outcome_.reset();
    workbench::CalibrationJob job;
    const auto plotList = plots();
    if (!plotList) return false;
    job.plots = *plotList;
    try {
        for (const auto& [name, values] : parameterRows())
            job.parameters.push_back(eval::parse_parameter_bounds(name + "=" + values.at(0) + ":" + values.at(1)));
    } catch (const std::exception& e) {
        refuse(qs(e.what()));
        return false;
    }
    job.property = property_->currentData().toInt();
    job.jobs = jobsField()->value();
    job.maxIterations = iterations_->value();
    const long long maximum = static_cast<long long>(job.maxIterations) * (static_cast<long long>(job.parameters.size()) + 1);
    workbench::CalibrationOutcome out;
    db::Connection* c = connection();
    const std::string path = databasePath();
    const bool ok = c && runWork([&](const engine::RunHooks& hooks) {
        workbench::SessionJobSteps steps;
        steps.evaluated = [&hooks, maximum](int n, double) { hooks.report(std::min<long long>(n, maximum), maximum); };
        out = workbench::run_calibration_job(*c, path, job, hooks, steps);
    });
    if (!ok) return false;
    if (out.end != workbench::JobEnd::Finished) {
        resultText()->setPlainText(out.end == workbench::JobEnd::Stopped
                                       ? "stopped after " + QString::number(out.result.evaluations) +
                                             " evaluations; nothing was written"
                                       : QString("stopped; nothing was written"));
        return false;
    }
    const auto& r = out.result;
    QString text = QString("%1 plots with input, %2 observations of property %3 (outliers left out)\n")
                       .arg(out.plotsWithInput)
                       .arg(out.observations)
                       .arg(job.property);
    text += QString("fitted by least squares: %1 pairs, %2 iterations, %3 evaluations%4\n")
                .arg(r.pairs)
                .arg(r.iterations)
                .arg(r.evaluations)
                .arg(r.terminationType == 5 ? " (iteration limit reached)" : "");
    text += qs(workbench::calibration_summary(r));
    text += "written into rux_calibration and rux_calibration_fit (run_time " + qs(out.runTime) + ")\n";
    resultText()->setPlainText(text);
    // Factors are not model constants: a fit of factors alone has nothing to apply.
    apply_->setEnabled(workbench::fitted_factors(out.result).size() < out.result.parameters.size());
    outcome_ = std::move(out);
    emit stored();
    return true;
}

long long CalibrationDialog::apply()
{
    if (!outcome_ || !connection()) return -1;
    if (!ask_question(this, caption_,
                      "Store the fitted constants as a new row of gldaparm and write the fitted substance and crop "
                      "parameters into their tables?"))
        return -1;
    try {
        const auto applied = workbench::apply_calibration(*connection(), *outcome_);
        resultText()->appendPlainText(qs(workbench::applied_calibration_text(applied, outcome_->runTime)).trimmed());
        apply_->setEnabled(false);
        return applied.constantsItem;
    } catch (const std::exception& e) {
        refuse(qs(e.what()));
        return -1;
    }
}

UncertaintyDialog::UncertaintyDialog(MainWindow& main, QWidget* parent)
    : SessionDialog(main, tr("uncertainty…"), false, {QT_TRANSLATE_NOOP("SessionDialog", "distribution"), QT_TRANSLATE_NOOP("SessionDialog", "first number"),
                     QT_TRANSLATE_NOOP("SessionDialog", "second number")}, parent)
{
    setObjectName("uncertaintyDialog");
    samples_ = new QSpinBox(this);
    samples_->setObjectName("samples");
    samples_->setRange(1, 1000000);
    samples_->setValue(500);
    seed_ = new QSpinBox(this);
    seed_->setObjectName("seed");
    seed_->setRange(0, 2147483647);
    seed_->setValue(1);
    if (auto* form = findChild<QFormLayout*>()) {
        form->addRow(tr("samples"), samples_);
        form->addRow(tr("seed"), seed_);
    }
    parameterTable()->setToolTip("normal: mean and standard deviation; uniform: lower and upper bound; "
                                 "lognormal: mean and standard deviation of the logarithm");
    addParameter("K_AKT", {"normal", "0.00032", "0.00004"});
    addParameter("F_CREP", {"uniform", "0.85", "1.15"});
}

bool UncertaintyDialog::start()
{
    outcome_.reset();
    workbench::UncertaintyJob job;
    const auto plotList = plots();
    if (!plotList) return false;
    job.plots = *plotList;
    try {
        for (const auto& [name, values] : parameterRows())
            job.parameters.push_back(
                eval::parse_uncertain_parameter(name + "=" + values.at(0) + "(" + values.at(1) + "," + values.at(2) + ")"));
    } catch (const std::exception& e) {
        refuse(qs(e.what()));
        return false;
    }
    job.samples = static_cast<std::size_t>(samples_->value());
    job.seed = static_cast<std::uint64_t>(seed_->value());
    job.jobs = jobsField()->value();
    workbench::UncertaintyOutcome out;
    db::Connection* c = connection();
    const std::string path = databasePath();
    const bool ok = c && runWork([&](const engine::RunHooks& hooks) {
        workbench::SessionJobSteps steps;
        steps.sampled = [&hooks](std::size_t done, std::size_t total) {
            hooks.report(static_cast<long long>(done), static_cast<long long>(total));
        };
        out = workbench::run_uncertainty_job(*c, path, job, hooks, steps);
    });
    if (!ok) return false;
    if (out.end != workbench::JobEnd::Finished) {
        resultText()->setPlainText(out.end == workbench::JobEnd::Stopped
                                       ? "stopped after " + QString::number(out.result.samples) +
                                             " samples; nothing was written"
                                       : QString("stopped; nothing was written"));
        return false;
    }
    QString text = QString("%1 samples of %2 plots (seed %3)\n")
                       .arg(out.result.samples)
                       .arg(out.plotsWithInput)
                       .arg(job.seed);
    text += QString("quantiles of %1 plot-year series written into rux_uncertainty; sensitivity indices into "
                    "rux_sensitivity; the page C-dynamics shows the 90 % band\n")
                .arg(out.result.quantiles.size());
    text += qs(workbench::uncertainty_summary(out.result));
    resultText()->setPlainText(text);
    outcome_ = std::move(out);
    emit stored();
    return true;
}

} // namespace vt::gui
