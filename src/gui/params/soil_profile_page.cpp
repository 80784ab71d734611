#include "gui/params/soil_profile_page.h"

#include "db/connection.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"
#include "workbench/params_soil.h"
#include "workbench/params_table_edit.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

struct FieldDef {
    const char* column;
    const char* label;
    const char* hint;
};

const FieldDef kFields[] = {
    {"BD", "BD", QT_TRANSLATE_NOOP("SoilProfilePage", "bulk density in g/cm³")},
    {"PV", "PV", QT_TRANSLATE_NOOP("SoilProfilePage", "porosity in VOL%")},
    {"FC", "FC", QT_TRANSLATE_NOOP("SoilProfilePage", "top soil water capacity on field [VOL%]")},
    {"PWP", "PWP", QT_TRANSLATE_NOOP("SoilProfilePage", "top soil wilting point [Vol%]")},
    {"FAT", "FAT", QT_TRANSLATE_NOOP("SoilProfilePage", "particles <6 microns [%]")},
    {"silt", "silt", QT_TRANSLATE_NOOP("SoilProfilePage", "silt content in %")},
    {"clay", "clay", QT_TRANSLATE_NOOP("SoilProfilePage", "clay content in %")},
    {"BA_RBS", "BA_RBS", QT_TRANSLATE_NOOP("SoilProfilePage", "german Reichsbodenschätzung")},
    {"skelett", "skelett", QT_TRANSLATE_NOOP("SoilProfilePage", "content of stones etc")},
    {"cif", "CIF", QT_TRANSLATE_NOOP("SoilProfilePage", "C-inert factor")},
};

const FieldDef kExpertFields[] = {
    {"fchw", "fchw", ""}, {"fbio", "fbio", ""}, {"lmbd", "lambda", ""}, {"deg", "k_deg", ""}, {"max_lts", "max_lts", ""},
};

} // namespace

SoilProfilePage::SoilProfilePage(ParamsAccess access, QWidget* parent) : QWidget(parent), access_(std::move(access))
{
    auto* layout = new QHBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("soils");
    list_->setMinimumWidth(160);
    layout->addWidget(list_);

    auto* right = new QVBoxLayout;
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("profile"), this));
    profile_ = new QLineEdit(this);
    profile_->setObjectName("profile");
    nameRow->addWidget(profile_, 1);
    enter_ = named_button(tr("ENTER"), "enter", this);
    enter_->setEnabled(false);
    nameRow->addWidget(enter_);
    soilId_ = new QLabel(this);
    soilId_->setObjectName("soil_id");
    nameRow->addWidget(soilId_);
    right->addLayout(nameRow);

    auto* box = new QGroupBox(tr("soil properties"), this);
    auto* form = new QFormLayout(box);
    for (const auto& f : kFields) addField(box, f.column, f.label, tr(f.hint));
    useCif_ = new QCheckBox(tr("use this CIF"), box);
    useCif_->setObjectName("cif_org");
    form->addRow(QString(), useCif_);
    right->addWidget(box);
    expert_ = new QCheckBox(tr("expert"), this);
    expert_->setObjectName("expert");
    right->addWidget(expert_);
    expertBox_ = new QGroupBox(tr("expert parameters"), this);
    new QFormLayout(expertBox_);
    for (const auto& f : kExpertFields) addField(expertBox_, f.column, f.label, f.hint);
    expertBox_->setVisible(false);
    right->addWidget(expertBox_);
    right->addStretch();

    auto* nav = new QHBoxLayout;
    const std::pair<const char*, const char*> buttons[] = {
        {"|<", "first"}, {"<", "prior"}, {">", "next"}, {">|", "last"}, {"-", "delete"},
        {QT_TR_NOOP("edit"), "edit"}, {QT_TR_NOOP("post"), "post"}, {QT_TR_NOOP("cancel"), "cancel"}, {QT_TR_NOOP("refresh"), "refresh"}};
    for (const auto& [text, name] : buttons) {
        auto* b = named_button(tr(text), name, this);
        nav->addWidget(b);
        const QString n = name;
        connect(b, &QPushButton::clicked, this, [this, n] {
            if (n == "first") first();
            else if (n == "prior") prior();
            else if (n == "next") next();
            else if (n == "last") last();
            else if (n == "delete") deleteSoil();
            else if (n == "edit") edit();
            else if (n == "post") post();
            else if (n == "cancel") cancel();
            else reload();
        });
    }
    right->addLayout(nav);
    layout->addLayout(right, 1);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_ && row >= 0) moveTo(row);
    });
    connect(profile_, &QLineEdit::textEdited, this, [this] { enter_->setEnabled(true); });
    connect(profile_, &QLineEdit::editingFinished, this, [this] {
        if (enter_->isEnabled()) enterProfile();
    });
    connect(enter_, &QPushButton::clicked, this, &SoilProfilePage::enterProfile);
    connect(useCif_, &QCheckBox::toggled, this, [this] {
        if (!filling_) dirty_ = true;
    });
    connect(expert_, &QCheckBox::toggled, this, &SoilProfilePage::setExpert);
    setEditing(false);
}

void SoilProfilePage::addField(QWidget* box, const QString& column, const QString& label, const QString& hint)
{
    auto* form = static_cast<QFormLayout*>(box->layout());
    auto* row = new QWidget(box);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* edit = new QLineEdit(row);
    edit->setObjectName(column.toLower());
    edit->setMaximumWidth(110);
    edit->setToolTip(hint);
    h->addWidget(edit);
    if (!hint.isEmpty()) h->addWidget(new QLabel(hint, row), 1);
    form->addRow(label, row);
    fields_[column.toLower()] = edit;
    rows_[column.toLower()] = row;
    connect(edit, &QLineEdit::textEdited, this, [this] { dirty_ = true; });
}

void SoilProfilePage::setExpert(bool on)
{
    expert_->setChecked(on);
    expertBox_->setVisible(on);
}

void SoilProfilePage::setEditing(bool on)
{
    for (auto* f : fields_) f->setReadOnly(!on);
    useCif_->setEnabled(on);
}

int SoilProfilePage::currentIndex() const
{
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->data(Qt::UserRole).toLongLong() == soil_) return i;
    return -1;
}

void SoilProfilePage::reload()
{
    auto* c = access_.connection();
    filling_ = true;
    list_->clear();
    filling_ = false;
    if (!c) return;
    try {
        // The fchw field is offered only where the column exists.
        rows_.value("fchw")->setVisible(c->columnExists("soilproperties", "fchw"));
        filling_ = true;
        for (const auto& s : workbench::list_soils(*c)) {
            const QString text = QString("%1  %2").arg(s.soilId).arg(QString::fromStdString(s.profile));
            auto* item = new QListWidgetItem(text, list_);
            item->setData(Qt::UserRole, s.soilId);
            item->setToolTip(text);
        }
        filling_ = false;
        // Wide enough for the longest profile name, up to a third of the screen's usual width.
        const int wanted = list_->sizeHintForColumn(0) + 2 * list_->frameWidth() +
                           list_->verticalScrollBar()->sizeHint().width() + 8;
        list_->setMaximumWidth(std::clamp(wanted, 160, 480));
    } catch (const std::exception& e) {
        filling_ = false;
        show_message(this, tr("Soil Profiles"), QString::fromStdString(e.what()));
        return;
    }
    if (!showSoil(soil_)) {
        if (list_->count() > 0) moveTo(0);
        else {
            soil_ = -1;
            fill();
        }
    }
}

bool SoilProfilePage::showSoil(long long soilId)
{
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->data(Qt::UserRole).toLongLong() == soilId) {
            moveTo(i);
            return true;
        }
    return false;
}

void SoilProfilePage::moveTo(int index)
{
    if (index < 0 || index >= list_->count()) return;
    if (dirty_ && !post()) {
        filling_ = true;
        list_->setCurrentRow(currentIndex());
        filling_ = false;
        return;
    }
    soil_ = list_->item(index)->data(Qt::UserRole).toLongLong();
    filling_ = true;
    list_->setCurrentRow(index);
    filling_ = false;
    fill();
}

void SoilProfilePage::fill()
{
    filling_ = true;
    workbench::SoilRecord r;
    if (auto* c = access_.connection(); c && soil_ >= 0) {
        try {
            r = workbench::read_soil(*c, soil_);
        } catch (const std::exception& e) {
            show_message(this, tr("Soil Profiles"), QString::fromStdString(e.what()));
        }
    }
    auto text = [&](const std::string& col) {
        auto it = r.find(col);
        return it == r.end() ? QString() : display_text(it->second);
    };
    profile_->setText(text("profile"));
    soilId_->setText(r.empty() ? QString() : "soil_ID " + text("soil_id"));
    for (auto it = fields_.begin(); it != fields_.end(); ++it) it.value()->setText(text(it.key().toStdString()));
    useCif_->setChecked(r.count("cif_org") && r.at("cif_org").toBool());
    enter_->setEnabled(false);
    dirty_ = false;
    filling_ = false;
    setEditing(false);
}

void SoilProfilePage::first() { moveTo(0); }
void SoilProfilePage::prior() { moveTo(currentIndex() - 1); }
void SoilProfilePage::next() { moveTo(currentIndex() + 1); }
void SoilProfilePage::last() { moveTo(list_->count() - 1); }
void SoilProfilePage::edit() { setEditing(soil_ >= 0); }
void SoilProfilePage::cancel() { fill(); }

bool SoilProfilePage::store(const std::vector<std::string>& rule)
{
    auto* c = access_.connection();
    if (!c || soil_ < 0) return true;
    if (!access_.mayWrite()) return false;
    try {
        const auto columns = workbench::table_columns(*c, "soilproperties");
        workbench::SoilRecord r;
        for (const auto& col : columns) {
            const auto key = QString::fromStdString(col.name).toLower();
            if (auto* f = fields_.value(key))
                r[key.toStdString()] = workbench::cell_value(col, f->text().toStdString());
        }
        if (c->columnExists("soilproperties", "cif_org")) r["cif_org"] = db::Value(useCif_->isChecked());
        workbench::post_soil(*c, soil_, r, rule);
    } catch (const workbench::CellError& e) {
        show_message(this, tr("value refused"), QString::fromStdString(e.what()) + "\nThe soil record was not stored.");
        return false;
    } catch (const std::exception& e) {
        show_message(this, tr("Soil Profiles"), QString::fromStdString(e.what()));
        return false;
    }
    dirty_ = false;
    return true;
}

bool SoilProfilePage::post()
{
    if (!store(workbench::kSoilPostRule)) return false;
    fill();
    return true;
}

void SoilProfilePage::storeOnClose()
{
    if (dirty_) store(workbench::kSoilCloseRule);
}

void SoilProfilePage::enterProfile()
{
    enter_->setEnabled(false);
    auto* c = access_.connection();
    const auto name = profile_->text().trimmed();
    if (!c || name.isEmpty()) return;
    try {
        auto id = workbench::find_soil(*c, name.toStdString());
        if (!id) {
            if (!ask_question(this, tr("confirm append"), tr("create new profile ?")) || !access_.mayWrite()) {
                fill();
                return;
            }
            id = workbench::append_soil(*c, name.toStdString());
            emit soilsChanged();
        }
        dirty_ = false;  // the name typed over the shown record is not a change to it
        soil_ = *id;
        reload();
    } catch (const std::exception& e) {
        show_message(this, tr("Soil Profiles"), QString::fromStdString(e.what()));
    }
}

void SoilProfilePage::deleteSoil()
{
    auto* c = access_.connection();
    if (!c || soil_ < 0) return;
    try {
        const auto plots = workbench::plots_using_soil(*c, soil_);
        QString question = "Delete the soil profile " + profile_->text() + " ?";
        if (plots > 0)
            question += QString("\n\n%1 plot(s) use this soil and will be left without soil data.").arg(plots);
        if (!ask_question(this, tr("confirm delete"), question) || !access_.mayWrite()) return;
        const int index = currentIndex();
        workbench::delete_soil(*c, soil_);
        dirty_ = false;
        soil_ = -1;
        reload();
        if (list_->count() > 0) moveTo(std::min(index, list_->count() - 1));
        emit soilsChanged();
    } catch (const std::exception& e) {
        show_message(this, tr("Soil Profiles"), QString::fromStdString(e.what()));
    }
}

} // namespace vt::gui
