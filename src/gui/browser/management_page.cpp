#include "gui/browser/management_page.h"

#include "gui/browser/browser_texts.h"
#include "gui/browser/record_editor.h"
#include "gui/browser/rows_table_model.h"
#include "gui/widgets/dialog_hooks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace vt::gui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

const workbench::ManagementFilter kFilters[] = {workbench::ManagementFilter::All, workbench::ManagementFilter::Harvest,
                                                 workbench::ManagementFilter::Amendment, workbench::ManagementFilter::Fertilizer,
                                                 workbench::ManagementFilter::Tillage};

} // namespace

ManagementPage::ManagementPage(ConnectionFn connection, bool german, QWidget* parent)
    : QWidget(parent), connection_(std::move(connection)), german_(german)
{
    setObjectName("managementPage");
    const auto t = [german](const char* e) { return browser_text(e, german); };
    caption_ = make_page_caption(this);

    model_ = new RowsTableModel(this);
    model_->setHeaders({t("DATE"), t("ACTION"), t("SUBJECT"), t("INTENSITY"), t("UNIT"), "part"});
    grid_ = make_record_grid(model_, this);

    filter_ = new QComboBox(this);
    filter_->setObjectName("filter");
    filter_->addItems({t("all"), t("harvest"), t("org.amendment"), t("N fertilizer"), "soil tillage"});
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(t("selection:"), this));
    filterRow->addWidget(filter_);
    filterRow->addStretch();
    print_ = new QPushButton(t("print management"), this);
    print_->setObjectName("printManagement");
    pdfOnly_ = new QCheckBox(t("save as PDF; no preview"), this);
    pdfOnly_->setObjectName("pdfWithoutPreview");
    filterRow->addWidget(print_);
    filterRow->addWidget(pdfOnly_);

    auto* edit = new QGroupBox(t("Management Event"), this);
    auto* form = new QFormLayout(edit);
    action_ = new QComboBox(edit);
    action_->setObjectName("action");
    form->addRow("action", action_);
    item_ = new QComboBox(edit);
    item_->setObjectName("item");
    form->addRow("item", item_);
    date_ = new QDateEdit(QDate(2000, 1, 1), edit);
    date_->setObjectName("date");
    date_->setDisplayFormat("dd.MM.yyyy");
    date_->setCalendarPopup(true);
    form->addRow("date", date_);
    intensity_ = new QLineEdit(edit);
    intensity_->setObjectName("intensity");
    unit_ = new QLabel(edit);
    default_ = new QLabel(edit);
    auto* intensityRow = new QHBoxLayout;
    intensityRow->addWidget(intensity_);
    intensityRow->addWidget(unit_);
    intensityRow->addWidget(default_);
    form->addRow("intensity", intensityRow);
    flaLabel_ = new QLabel("FLA%=", edit);
    fla_ = new QLineEdit("100", edit);
    fla_->setObjectName("fla");
    nonDefault_ = new QLabel("non default", edit);
    nonDefault_->setVisible(false);
    auto* flaRow = new QHBoxLayout;
    flaRow->addWidget(fla_);
    flaRow->addWidget(nonDefault_);
    form->addRow(flaLabel_, flaRow);
    buttons_ = std::make_unique<RecordButtons>(edit, german ? "Satz einfügen" : "Insert Record", german ? "Satz überschreiben" : "Overwrite Record", german);
    form->addRow(buttons_->layout());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addLayout(filterRow);
    layout->addWidget(grid_, 1);
    layout->addWidget(edit);
    setMode(false, false);

    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showRow(current.row()); });
    connect(filter_, &QComboBox::activated, this, [this] { reload(model_->key(grid_->currentIndex().row())); });
    connect(print_, &QPushButton::clicked, this, [this] {
        if (flId_ >= 0) emit reportRequested(flId_, currentFilter(), pdfOnly_->isChecked());
    });
    connect(action_, &QComboBox::activated, this, [this] { chooseAction(true); });
    connect(item_, &QComboBox::activated, this, [this] {
        const int a = currentAction();
        if (a != 21 && a != 22) intensity_->clear();
    });
    connect(fla_, &QLineEdit::textEdited, this, [this] { nonDefault_->setVisible(true); });
    connect(intensity_, &QLineEdit::textEdited, this, [this] { nonDefault_->setVisible(false); });
    connect(buttons_->store, &QPushButton::clicked, this, [this] { store(); });
    connect(buttons_->remove, &QPushButton::clicked, this, [this] { deleteCurrent(); });
}

void ManagementPage::setMode(bool regional, bool areaShares)
{
    regional_ = regional;
    areaShares_ = areaShares || regional;
    flaLabel_->setVisible(regional);
    fla_->setVisible(regional);
    grid_->setColumnHidden(5, !regional);
    auto* c = connection_();
    if (!c) return;
    actions_ = workbench::action_choices(*c, regional);
    items_ = workbench::selectable_items(*c);
    action_->clear();
    for (const auto& a : actions_) action_->addItem(qs(a.name), a.code);
    itemGroup_ = -1000;
    if (!actions_.empty()) chooseAction(false);
}

int ManagementPage::currentAction() const { return action_->currentData().toInt(); }

void ManagementPage::filterItems(int group)
{
    itemGroup_ = group;
    item_->clear();
    for (const auto& i : items_)
        if (i.group == group) item_->addItem(qs(i.item), QVariant::fromValue<qlonglong>(i.key));
}

void ManagementPage::chooseAction(bool fromUser)
{
    const int a = currentAction();
    const int group = workbench::item_group_of_action(a);
    fla_->setEnabled(!(a == 6 || a == 8 || a == 10 || a == 11));
    const bool noIntensity = a == 14;
    intensity_->setVisible(!noIntensity);
    unit_->setVisible(!noIntensity);
    default_->setVisible(!noIntensity);
    bool filtered = false;
    if (group != 1 || itemGroup_ != 1) {
        filterItems(group);
        filtered = true;
    }
    if (a == 21 || a == 22 || a == 23) intensity_->setText("-99");
    for (const auto& x : actions_)
        if (x.code == a) {
            unit_->setText(qs(x.unit));
            default_->setText(qs(x.defaultIntensity));
            if (fromUser && intensity_->text().isEmpty()) intensity_->setText(qs(x.defaultIntensity));
        }
    if (filtered) item_->setCurrentIndex(item_->count() > 0 ? 0 : -1);
    item_->setVisible(!(a == 5 || a == 7 || a == 14));
}

ManagementPage::~ManagementPage() = default;

void ManagementPage::setInsertMode(bool insert) { buttons_->setInsertMode(insert); }

void ManagementPage::load(long long flId, const QString& label)
{
    flId_ = flId;
    caption_->setText(label);
    filter_->setCurrentIndex(0);
    reload(-1);
    // The first row becomes the current one, as in any list that is opened.
    if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, 0));
}

int ManagementPage::rowCount() const { return model_->rowCount(); }

void ManagementPage::reload(long long keepKey)
{
    auto* c = connection_();
    std::vector<QVariantList> rows;
    std::vector<long long> keys;
    const bool insert = buttons_->insertMode();
    rowsData_.clear();
    if (c && flId_ >= 0) {
        try {
            rowsData_ = workbench::management_rows(*c, flId_, currentFilter());
        } catch (const std::exception& e) {
            show_message(this, "Management", QString::fromStdString(e.what()));
        }
    }
    for (const auto& r : rowsData_) {
        rows.push_back({r.year, qs(r.action), qs(r.subject), r.quantity, qs(r.unit), r.part});
        keys.push_back(r.id);
    }
    model_->setRows(std::move(rows), std::move(keys));
    grid_->resizeColumnsToContents();
    const int row = model_->rowOfKey(keepKey);
    if (row >= 0) grid_->setCurrentIndex(model_->index(row, 0));
    setInsertMode(insert);
}

void ManagementPage::showRow(int row)
{
    if (row < 0 || row >= static_cast<int>(rowsData_.size())) return;
    const auto& r = rowsData_[row];
    setInsertMode(false);
    action_->setCurrentIndex(action_->findData(r.macode));
    date_->setDate(QDate(std::max(1900, r.year), std::max(1, std::min(12, r.month)), 1).addDays(std::max(1, r.day) - 1));
    intensity_->setText(QString::number(r.quantity));
    fla_->setText(QString::number(r.part));
    for (const auto& x : actions_)
        if (x.code == r.macode) {
            unit_->setText(qs(x.unit));
            default_->setText(qs(x.defaultIntensity));
        }
    const int a = r.macode;
    fla_->setEnabled(!(a == 4 || a == 6 || a == 8 || a == 10 || a == 11));
    intensity_->setVisible(a != 14);
    unit_->setVisible(a != 14);
    default_->setVisible(a != 14);
    item_->setVisible(a != 14 && a != 7);
    int group = 0;
    switch (a) {
    case 0: case 1: case 2: case 9: case 12: group = 1; break;
    case 3: group = 3; break;
    case 4: group = 4; break;
    case 6: case 8: case 10: case 11: case 21: case 22: case 23: group = a; break;
    default: group = 0;
    }
    filterItems(workbench::item_group_of_action(a));
    item_->setCurrentIndex(item_->findData(QVariant::fromValue<qlonglong>(group * 100000LL + r.itemIx)));
    nonDefault_->setVisible(false);
}

bool ManagementPage::store()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return false;
    workbench::ManagementInput in;
    in.flId = flId_;
    in.insert = buttons_->insertMode();
    in.cultivationId = model_->key(grid_->currentIndex().row());
    in.macode = currentAction();
    in.itemKey = item_->currentIndex() >= 0 ? item_->currentData().toLongLong() : 1;
    if (in.itemKey < 0) in.itemKey = 1;
    in.intensity = intensity_->text().toStdString();
    in.useAreaShare = areaShares_;
    in.areaShare = fla_->text().toStdString();
    const QDate d = date_->date();
    in.year = d.year();
    in.month = d.month();
    in.day = d.day();
    if (!in.insert && in.cultivationId < 0) {
        show_message(this, "Management", "choose the event to overwrite");
        return false;
    }
    long long id = 0;
    try {
        id = workbench::save_management_event(*c, in);
    } catch (const std::exception& e) {
        show_message(this, "Management", QString::fromStdString(e.what()));
        return false;
    }
    reload(in.insert ? id : in.cultivationId);
    setInsertMode(in.insert);
    emit eventsChanged(flId_);
    return true;
}

bool ManagementPage::deleteCurrent()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return false;
    if (!delete_current_record(
            this, "Management", grid_, model_,
            [c, this](long long key) { workbench::delete_management_event(*c, flId_, key); },
            [this](long long keep) { reload(keep); }))
        return false;
    emit eventsChanged(flId_);
    return true;
}

workbench::ManagementFilter ManagementPage::currentFilter() const
{
    return kFilters[std::max(0, filter_->currentIndex())];
}

} // namespace vt::gui
