#include "gui/params/simple_soil_dialog.h"

#include "gui/app/main_window.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"
#include "workbench/params_soil.h"
#include "workbench/params_table_edit.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

namespace {
const QColor kMissing(0xC0, 0xDC, 0xC0);  // light green
const char* kMarked = "missingValue";
} // namespace

SimpleSoilDialog::SimpleSoilDialog(MainWindow& main, QWidget* parent) : QDialog(parent), main_(main)
{
    setObjectName("SimpleSoilDialog");
    setWindowTitle(tr("simple soil description"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = new QLineEdit("-?-", this);
    name_->setObjectName("name");
    name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 40);
    type_ = new QComboBox(this);
    type_->setObjectName("soil_type");
    for (const auto& t : workbench::kSoilTypes) type_->addItem(QString::fromStdString(t));
    gravel_ = new QLineEdit(this);
    gravel_->setObjectName("gravel");
    clay_ = new QLineEdit(this);
    clay_->setObjectName("clay");
    silt_ = new QLineEdit(this);
    silt_->setObjectName("silt");
    form->addRow(tr("name of soil"), name_);
    form->addRow(tr("soil type"), type_);
    form->addRow(tr("gravel"), gravel_);
    form->addRow(tr("clay"), clay_);
    form->addRow(tr("silt"), silt_);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    save_ = named_button(tr("save this soil"), "save", this);
    esc_ = named_button(tr("esc"), "esc", this);
    delete_ = named_button(tr("delete this soil"), "delete", this);
    for (auto* b : {save_, esc_, delete_}) buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(save_, &QPushButton::clicked, this, &SimpleSoilDialog::save);
    connect(esc_, &QPushButton::clicked, this, &SimpleSoilDialog::escape);
    connect(delete_, &QPushButton::clicked, this, &SimpleSoilDialog::deleteSoil);
}

void SimpleSoilDialog::setProfileName(const QString& name)
{
    name_->setText(name);
    // The whole name in view: profile names run to forty characters and more.
    const QFontMetrics fm(name_->font());
    name_->setMinimumWidth(std::max(fm.averageCharWidth() * 40, fm.horizontalAdvance(name) + 24));
}
QString SimpleSoilDialog::profileName() const { return name_->text(); }

void SimpleSoilDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    load();
}

void SimpleSoilDialog::mark(QWidget* field, bool on)
{
    field->setProperty(kMarked, on);
    QPalette p = field->palette();
    if (on) {
        p.setColor(QPalette::Base, kMissing);
        p.setColor(QPalette::Button, kMissing);
    } else {
        p = QPalette();
    }
    field->setPalette(p);
    // A drop-down list draws its face from the style; the colour has to be asked for.
    if (qobject_cast<QComboBox*>(field)) field->setStyleSheet(on ? "QComboBox { background-color: #C0DCC0; }" : "");
}

bool SimpleSoilDialog::marked(const QWidget* field) { return field->property(kMarked).toBool(); }

void SimpleSoilDialog::load()
{
    for (QWidget* f : {static_cast<QWidget*>(name_), static_cast<QWidget*>(type_), static_cast<QWidget*>(clay_)}) mark(f, false);
    editSoil_.reset();
    newMode_ = name_->text() == "-?-";
    if (newMode_) {
        name_->setReadOnly(false);
        gravel_->setText("0");
        clay_->setText("?");
        silt_->setText("-99");
        type_->setCurrentIndex(0);
        return;
    }
    name_->setReadOnly(true);
    auto* c = main_.session().connection();
    if (!c) return;
    try {
        editSoil_ = workbench::find_soil(*c, name_->text().toStdString());
        if (!editSoil_) return;
        const auto r = workbench::read_soil(*c, *editSoil_);
        auto text = [&](const char* col) { return r.count(col) ? display_text(r.at(col)) : QString(); };
        gravel_->setText(r.count("skelett") ? text("skelett") : "0");
        clay_->setText(text("clay"));
        silt_->setText(text("silt"));
        // A stored type that is not offered leaves the list without a selection.
        type_->setCurrentIndex(type_->findText(text("ba_rbs"), Qt::MatchExactly | Qt::MatchCaseSensitive));
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

bool SimpleSoilDialog::save()
{
    for (QWidget* f : {static_cast<QWidget*>(name_), static_cast<QWidget*>(type_), static_cast<QWidget*>(clay_)}) mark(f, false);
    const workbench::SimpleSoil soil{name_->text().toStdString(), type_->currentText().toStdString(),
                                     gravel_->text().toStdString(), clay_->text().toStdString(),
                                     silt_->text().toStdString()};
    const auto missing = workbench::simple_soil_missing(soil);
    if (!missing.empty()) {
        for (auto m : missing)
            mark(m == workbench::SimpleSoilField::Name ? static_cast<QWidget*>(name_)
                 : m == workbench::SimpleSoilField::SoilType ? static_cast<QWidget*>(type_)
                                                               : static_cast<QWidget*>(clay_),
                 true);
        show_message(this, tr("Satz kann nicht gespeichert werden"), tr("Bitte alle Pflicht-Daten eingeben !"));
        return false;
    }
    auto* c = main_.session().connection();
    if (!c) return false;
    if (main_.runActive()) {
        show_message(this, windowTitle(), tr("A model run is using the database. Save the soil when it has ended."));
        return false;
    }
    try {
        name_->setText(QString::fromStdString(workbench::save_simple_soil(*c, soil, editSoil_)));
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()) + "\nThe soil was not stored.");
        return false;
    }
    emit soilsChanged();
    accept();
    return true;
}

void SimpleSoilDialog::escape()
{
    if (newMode()) name_->setText("-?-");
    reject();
}

void SimpleSoilDialog::deleteSoil()
{
    auto* c = main_.session().connection();
    // In new mode no soil was found: nothing is deleted, the new soil is dropped.
    if (!c || !editSoil_) {
        name_->setText("-?-");
        reject();
        return;
    }
    if (main_.runActive()) {
        show_message(this, windowTitle(), tr("A model run is using the database. Delete the soil when it has ended."));
        return;
    }
    try {
        const auto plots = workbench::plots_using_soil(*c, *editSoil_);
        if (plots > 0) {
            const QString q = QString("%1 plot(s) use the soil %2 and will be left without soil data. Delete it anyway ?")
                                  .arg(plots)
                                  .arg(name_->text());
            if (!ask_question(this, tr("confirm delete"), q)) return;
        }
        workbench::delete_soil(*c, *editSoil_);
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
        return;
    }
    editSoil_.reset();
    name_->setText("-?-");
    emit soilsChanged();
    reject();
}

} // namespace vt::gui
