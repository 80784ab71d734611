#include "gui/app/settings_dialog.h"

#include "config/rux_settings.h"
#include "gui/app/app_state.h"
#include "gui/widgets/confirm_dialog.h"
#include "gui/app/database_session.h"
#include "gui/widgets/dialog_hooks.h"
#include "base/text.h"
#include "workbench/database_info.h"
#include "workbench/database_upkeep.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace vt::gui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QLineEdit* e) { return e->text().toStdString(); }

} // namespace

SettingsDialog::SettingsDialog(config::RuxSettings& settings, AppState& state, DatabaseSession& session,
                                 QWidget* parent)
    : QDialog(parent), settings_(settings), state_(state), session_(session)
{
    setObjectName("SettingsDialog");
    setWindowTitle(tr("RUX settings"));
    setModal(true);
    buildLayout();
}

QLineEdit* SettingsDialog::addField(const QString& name, const QString& label, std::string SettingsValues::*value,
                                     bool readOnly)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    if (readOnly) edit->setStyleSheet("QLineEdit { background: palette(window); }");
    rows_.push_back({new QLabel(label, this), edit, value});
    return edit;
}

void SettingsDialog::buildLayout()
{
    ppath_ = addField("ppath", tr("ppath (dbl click)"), &SettingsValues::ppath, false);
    ppathLabel_ = rows_.back().label;
    method_ = addField("method", tr("method"), &SettingsValues::methode, false);
    database_ = addField("database", tr("database"), &SettingsValues::database, false);
    soilScheme_ = addField("soil_scheme", tr("soil scheme"), &SettingsValues::soil_scheme, false);
    addField("pf_wp", tr("pF WP"), &SettingsValues::pf_wp, true);
    addField("pf_fk", tr("pF FK"), &SettingsValues::pf_fk, true);
    addField("ptfmode", tr("ptf mode"), &SettingsValues::ptfmode, true);
    addField("r_call", tr("R call"), &SettingsValues::r_call, false);
    addField("r_result", tr("R result"), &SettingsValues::r_result, false);
    rScript_ = addField("r_script", tr("R script"), &SettingsValues::r_script, false);
    addField("recalc_bat", tr("BAT recalc"), &SettingsValues::recalc_bat, true);
    pdfReader_ = addField("pdf_reader", tr("PDF-reader"), &SettingsValues::pdf_reader, false);
    pdfDir_ = addField("pdf_dir", tr("pdf dir"), &SettingsValues::pdf_dir, false);

    ppathLabel_->installEventFilter(this);
    ppath_->installEventFilter(this);

    auto* form = new QFormLayout;
    for (const auto& [label, edit, value] : rows_) {
        if (edit == rScript_) {  // kept, but not shown
            label->hide();
            continue;
        }
        if (edit == pdfReader_ || edit == pdfDir_) {
            auto* row = new QHBoxLayout;
            auto* pick = new QPushButton("...", this);
            pick->setObjectName(edit->objectName() + "_pick");
            pick->setFixedWidth(32);
            row->addWidget(edit);
            row->addWidget(pick);
            connect(pick, &QPushButton::clicked, this,
                    edit == pdfReader_ ? &SettingsDialog::pickPdfReader : &SettingsDialog::pickPdfDir);
            form->addRow(label, row);
        } else {
            form->addRow(label, edit);
        }
    }
    rScript_->hide();

    auto* scenarioBox = new QGroupBox(tr("save SOM state during RUX run"), this);
    auto* scenarioLayout = new QHBoxLayout(scenarioBox);
    scenario_ = new QButtonGroup(this);
    const char* names[] = {QT_TR_NOOP("never"), QT_TR_NOOP("finally"), QT_TR_NOOP("every year")};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(tr(names[i]), scenarioBox);
        b->setObjectName(QString("scenario_%1").arg(i));
        scenario_->addButton(b, i);
        scenarioLayout->addWidget(b);
    }
    connect(scenario_, &QButtonGroup::idClicked, this, [this](int id) { values_.scenario = id; });

    dynBd_ = new QCheckBox(tr(" dynamic bulk density "), this);
    dynBd_->setObjectName("dyn_bd");
    dynLts_ = new QCheckBox(tr(" simulate a dynamic LTS pool "), this);
    dynLts_->setObjectName("dyn_lts");
    hassink_ = new QCheckBox(tr("simulate LTS pool with Hassink-saturation"), this);
    hassink_->setObjectName("hassink");
    connect(hassink_, &QCheckBox::clicked, this, [this](bool on) { values_.setHassink(on); refreshOptions(); });
    connect(dynLts_, &QCheckBox::clicked, this, [this](bool on) { values_.setDynLts(on); refreshOptions(); });
    connect(dynBd_, &QCheckBox::clicked, this, [this](bool on) { values_.setDynBd(on); refreshOptions(); });

    saveButton_ = new QPushButton(tr("&save + return"), this);
    saveButton_->setObjectName("save");
    cancelButton_ = new QPushButton(tr("&cancel"), this);
    cancelButton_->setObjectName("cancel");
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        if (save()) accept();
    });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(scenarioBox);
    layout->addWidget(dynBd_);
    layout->addWidget(dynLts_);
    layout->addWidget(hassink_);
    layout->addLayout(buttons);
    setMinimumWidth(480);
}

void SettingsDialog::loadSettings(bool remember)
{
    settings_.reload();
    if (!values_.load(settings_)) return;
    state_.methode = values_.methode;
    if (remember) {
        beforeMethod_ = base::trim(values_.methode);
        beforeSoilScheme_ = base::trim(values_.soil_scheme);
        beforePtfMode_ = base::trim(values_.ptfmode);
    }
    fillFields();
}

void SettingsDialog::writeSettings()
{
    collectFields();
    values_.write(settings_);
}

void SettingsDialog::fillFields()
{
    for (const auto& row : rows_) row.edit->setText(q(values_.*row.value));
    refreshOptions();
}

void SettingsDialog::collectFields()
{
    for (const auto& row : rows_) values_.*row.value = s(row.edit);
}

void SettingsDialog::refreshOptions()
{
    if (auto* b = scenario_->button(values_.scenario)) b->setChecked(true);
    dynBd_->setChecked(values_.dyn_bd != 0);
    dynLts_->setChecked(values_.dyn_lts != 0);
    hassink_->setChecked(values_.hassink != 0);
}

void SettingsDialog::setScenario(int scenario)
{
    values_.scenario = scenario;
    refreshOptions();
}

void SettingsDialog::setHassink(bool on)
{
    values_.hassink = on ? 1 : 0;
    refreshOptions();
}

void SettingsDialog::showMethod(const QString& method)
{
    values_.methode = method.toStdString();
    method_->setText(method);
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    loadSettings(true);
    method_->setEnabled(values_.korvanic > 0);
    QDialog::showEvent(event);
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && (watched == ppath_ || watched == ppathLabel_)) {
        ppath_->setText(QDir::currentPath());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::pickPdfReader()
{
    if (const auto file = choose_pdf_reader(this); !file.isEmpty()) pdfReader_->setText(file);
}

void SettingsDialog::pickPdfDir()
{
    if (const auto dir = choose_pdf_folder(this, pdfDir_->text()); !dir.isEmpty()) pdfDir_->setText(dir);
}

bool SettingsDialog::save()
{
    if (!settings_.exists()) return true;  // nothing was loaded, so nothing is written
    try {
        writeSettings();
    } catch (const std::exception& e) {
        show_message(this, tr("RUX settings"), QString::fromStdString(e.what()));
        return false;
    }
    loadSettings(false);
    storeMethodInDatabase();
    return true;
}

void SettingsDialog::storeMethodInDatabase()
{
    auto* c = session_.connection();
    if (!c) return;
    const auto method = base::trim(values_.methode);
    try {
        workbench::store_method(*c, method);
        const bool modelChanged = method != beforeMethod_ && base::trim(values_.soil_scheme) == beforeSoilScheme_
                                  && base::trim(values_.ptfmode) == beforePtfMode_;
        if (modelChanged
            && ConfirmDialog::ask(this, tr("model change detected: results will be deleted ! Continue anyway ?")))
            workbench::delete_results(*c);
    } catch (const std::exception& e) {
        show_message(this, tr("RUX settings"), QString::fromStdString(e.what()));
    }
}

} // namespace vt::gui
