#include "gui/browser/management_page.h"

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
#include <QMouseEvent>
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

ManagementPage::ManagementPage(ConnectionFn connection, QWidget* parent)
    : QWidget(parent), connection_(std::move(connection))
{
    setObjectName("managementPage");
    caption_ = make_page_caption(this);

    model_ = new RowsTableModel(this);
    model_->setHeaders({tr("DATE"), tr("ACTION"), tr("SUBJECT"), tr("INTENSITY"), tr("UNIT"), "part"});
    grid_ = make_record_grid(model_, this);

    filter_ = new QComboBox(this);
    filter_->setObjectName("filter");
    filter_->addItems({tr("all"), tr("harvest"), tr("org.amendment"), tr("N fertilizer"), tr("soil tillage")});
    filter_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(tr("selection:"), this));
    filterRow->addWidget(filter_);
    filterRow->addStretch();
    print_ = new QPushButton(tr("print management"), this);
    print_->setObjectName("printManagement");
    pdfOnly_ = new QCheckBox(tr("save as PDF; no preview"), this);
    pdfOnly_->setObjectName("pdfWithoutPreview");
    filterRow->addWidget(print_);
    filterRow->addWidget(pdfOnly_);

    auto* edit = new QGroupBox(tr("Management Event"), this);
    auto* form = new QFormLayout(edit);
    action_ = new QComboBox(edit);
    action_->setObjectName("action");
    action_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    form->addRow(tr("action"), action_);
    item_ = new QComboBox(edit);
    item_->setObjectName("item");
    item_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    item_->setMinimumContentsLength(25);  // item names are cut at 25 characters
    item_->installEventFilter(this);
    form->addRow(tr("item"), item_);
    date_ = new QDateEdit(QDate(2000, 1, 1), edit);
    date_->setObjectName("date");
    date_->setDisplayFormat("dd.MM.yyyy");
    date_->setCalendarPopup(true);
    form->addRow(tr("date"), date_);
    intensity_ = new QLineEdit(edit);
    intensity_->setObjectName("intensity");
    unit_ = new QLabel(edit);
    default_ = new QLabel(edit);
    auto* intensityRow = new QHBoxLayout;
    intensityRow->addWidget(intensity_);
    intensityRow->addWidget(unit_);
    intensityRow->addWidget(default_);
    form->addRow(tr("intensity"), intensityRow);
    flaLabel_ = new QLabel(tr("FLA%="), edit);
    fla_ = new QLineEdit("100", edit);
    fla_->setObjectName("fla");
    nonDefault_ = new QLabel(tr("non default"), edit);
    nonDefault_->setVisible(false);
    auto* flaRow = new QHBoxLayout;
    flaRow->addWidget(fla_);
    flaRow->addWidget(nonDefault_);
    form->addRow(flaLabel_, flaRow);
    buttons_ = std::make_unique<RecordButtons>(edit, tr("Insert Record"), tr("Overwrite Record"));
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
        if (!workbench::action_fields(currentAction()).itemKeepsIntensity) intensity_->clear();
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

void ManagementPage::showActionFields(int macode)
{
    const auto f = workbench::action_fields(macode);
    fla_->setEnabled(f.areaShareEditable);
    intensity_->setVisible(f.intensityShown);
    unit_->setVisible(f.intensityShown);
    default_->setVisible(f.intensityShown);
    item_->setVisible(f.itemShown);
    for (const auto& x : actions_)
        if (x.code == macode) {
            unit_->setText(qs(x.unit));
            default_->setText(qs(x.defaultIntensity));
        }
}

void ManagementPage::chooseAction(bool fromUser)
{
    const int a = currentAction();
    const auto f = workbench::action_fields(a);
    showActionFields(a);
    // The crop list stays as it is (with its chosen crop) from one crop action to the next.
    bool filtered = false;
    if (f.itemGroup != 1 || itemGroup_ != 1) {
        filterItems(f.itemGroup);
        filtered = true;
    }
    if (!f.presetIntensity.empty()) intensity_->setText(qs(f.presetIntensity));
    for (const auto& x : actions_)
        if (x.code == a && fromUser && intensity_->text().isEmpty()) intensity_->setText(qs(x.defaultIntensity));
    if (filtered) item_->setCurrentIndex(item_->count() > 0 ? 0 : -1);
}

bool ManagementPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == item_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        const auto viewer = workbench::item_viewer_of_action(currentAction());
        long long itemIx = item_->currentIndex() >= 0 ? item_->currentData().toLongLong() % 100000 : -1;
        // A stored event whose item is no longer offered for selection: its own item.
        const int row = grid_->currentIndex().row();
        if (itemIx < 0 && !buttons_->insertMode() && row >= 0 && row < static_cast<int>(rowsData_.size()) &&
            rowsData_[row].macode == currentAction())
            itemIx = rowsData_[row].itemIx;
        if (viewer != workbench::ItemViewer::None && itemIx >= 0) emit itemParametersRequested(viewer, itemIx);
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
            show_message(this, tr("Management"), QString::fromStdString(e.what()));
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
    showActionFields(r.macode);
    filterItems(workbench::item_group_of_action(r.macode));
    item_->setCurrentIndex(item_->findData(QVariant::fromValue<qlonglong>(workbench::item_key_of_event(r.macode, r.itemIx))));
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
        show_message(this, tr("Management"), tr("choose the event to overwrite"));
        return false;
    }
    long long id = 0;
    try {
        id = workbench::save_management_event(*c, in);
    } catch (const std::exception& e) {
        show_message(this, tr("Management"), QString::fromStdString(e.what()));
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
