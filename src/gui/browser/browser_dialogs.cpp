#include "gui/browser/browser_dialogs.h"

#include "gui/widgets/core_texts.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/browser_common.h"
#include "workbench/browser_plot_ops.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vt::gui {

NewFolderDialog::NewFolderDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("NewFolderDialog");
    setWindowTitle(tr("create new experiment folder"));
    setModal(true);
    name_ = new QLineEdit(this);
    name_->setObjectName("shortName");
    code_ = new QLineEdit(this);
    code_->setObjectName("internalCode");
    code_->setReadOnly(true);
    auto* form = new QFormLayout;
    form->addRow(tr("short name"), name_);
    form->addRow(tr("internal code"), code_);
    auto* ok = new QPushButton(tr("ok"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("esc"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void NewFolderDialog::setCode(const QString& code) { code_->setText(code); }
QString NewFolderDialog::shortName() const { return name_->text().trimmed(); }
void NewFolderDialog::setShortName(const QString& name) { name_->setText(name); }

QString NewFolderDialog::ask(QWidget* parent, const QString& code)
{
    bool yes = false;
    if (DialogHooks::takeAnswer(yes)) {
        QString name;
        DialogHooks::takeFileName(name);
        return yes ? name.trimmed() : QString();
    }
    NewFolderDialog d(parent);
    d.setCode(code);
    if (d.exec() != QDialog::Accepted) return {};
    return d.shortName();
}

ShiftPlotsDialog::ShiftPlotsDialog(ConnectionFn connection, QWidget* parent) : QDialog(parent), connection_(std::move(connection))
{
    setObjectName("ShiftPlotsDialog");
    setWindowTitle(tr("shift plots  FL_ID"));
    locationLabel_ = new QLabel(this);
    locationLabel_->setObjectName("location");
    range_ = new QTableWidget(1, 2, this);
    range_->setHorizontalHeaderLabels({tr("max_"), tr("min_")});
    range_->verticalHeader()->hide();
    range_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    range_->setMaximumHeight(range_->horizontalHeader()->sizeHint().height() + range_->verticalHeader()->defaultSectionSize() + 4);
    shift_ = new QLineEdit("100", this);
    shift_->setObjectName("shift");
    result_ = new QLabel(this);
    result_->setObjectName("result");
    auto* adaptButton = new QPushButton(tr("adapt ID"), this);
    adaptButton->setObjectName("adaptId");
    auto* form = new QFormLayout;
    form->addRow(tr("location"), locationLabel_);
    form->addRow(range_);
    form->addRow(tr("shift"), shift_);
    form->addRow(result_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(adaptButton);
    connect(shift_, &QLineEdit::textChanged, this, [this] { preview(); });
    connect(adaptButton, &QPushButton::clicked, this, [this] { adapt(); });
}

void ShiftPlotsDialog::setExperiment(const QString& location, const QString& code)
{
    location_ = location;
    code_ = code;
    locationLabel_->setText(location);
    preview();
}

QString ShiftPlotsDialog::resultLine() const { return result_->text(); }

void ShiftPlotsDialog::preview()
{
    auto* c = connection_();
    const auto shift = workbench::parse_user_integer(shift_->text().toStdString());
    if (!c || !shift) {
        result_->setText(tr("the shift must be a whole number"));
        return;
    }
    const auto p = workbench::preview_plot_shift(*c, {code_.toStdString(), location_.toStdString()}, *shift);
    range_->setItem(0, 0, new QTableWidgetItem(QString::number(p.maxId)));
    range_->setItem(0, 1, new QTableWidgetItem(QString::number(p.minId)));
    result_->setText(QString::fromStdString(p.message()));
}

bool ShiftPlotsDialog::adapt()
{
    auto* c = connection_();
    if (!c) return false;
    try {
        const auto shift = workbench::require_user_integer(shift_->text().toStdString(), "shift");
        workbench::shift_plots(*c, {code_.toStdString(), location_.toStdString()}, shift);
    } catch (const workbench::BrowserInputError& e) {
        show_message(this, e.caption().empty() ? tr("shift plots  FL_ID") : core_text(e.caption()),
                     QString::fromStdString(e.what()));
        return false;
    } catch (const std::exception& e) {
        show_message(this, tr("shift plots  FL_ID"), QString::fromStdString(e.what()));
        return false;
    }
    preview();
    emit shifted();
    return true;
}

ExperimentIdDialog::ExperimentIdDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("ExperimentIdDialog");
    setWindowTitle(tr("adapt experiment ID"));
    setModal(true);
    oldLocation_ = new QLineEdit(this);
    oldLocation_->setReadOnly(true);
    newLocation_ = new QLineEdit(this);
    newLocation_->setObjectName("newLocation");
    oldCode_ = new QLineEdit(this);
    oldCode_->setReadOnly(true);
    newCode_ = new QLineEdit(this);
    newCode_->setObjectName("newCode");
    auto* grid = new QFormLayout;
    grid->addRow(tr("location (old)"), oldLocation_);
    grid->addRow(tr("location (new)"), newLocation_);
    grid->addRow(tr("unique ID (old)"), oldCode_);
    grid->addRow(tr("unique ID (new)"), newCode_);
    auto* adapt = new QPushButton(tr("adapt ID"), this);
    auto* keep = new QPushButton(tr("no changes"), this);
    auto* fresh = new QPushButton(tr("new ID"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(adapt);
    buttons->addWidget(keep);
    buttons->addWidget(fresh);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    connect(adapt, &QPushButton::clicked, this, &QDialog::accept);
    connect(keep, &QPushButton::clicked, this, &QDialog::reject);
    connect(fresh, &QPushButton::clicked, this, [this] { newCode_->setText(QString::number(nextCode_)); });
}

void ExperimentIdDialog::setValues(const QString& location, const QString& code, long long nextCode)
{
    oldLocation_->setText(location);
    newLocation_->setText(location);
    oldCode_->setText(code);
    newCode_->setText(code);
    nextCode_ = nextCode;
}

QString ExperimentIdDialog::newLocation() const { return newLocation_->text().trimmed(); }
QString ExperimentIdDialog::newCode() const { return newCode_->text().trimmed(); }

} // namespace vt::gui
