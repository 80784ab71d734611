#include "gui/browser/observation_page.h"

#include "gui/browser/record_editor.h"
#include "gui/widgets/core_texts.h"
#include "gui/browser/rows_table_model.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/browser_common.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

ObservationPage::ObservationPage(ConnectionFn connection, QWidget* parent)
    : QWidget(parent), connection_(std::move(connection))
{
    setObjectName("observationPage");
    caption_ = make_page_caption(this);

    model_ = new RowsTableModel(this);
    model_->setHeaders({tr("datum"), tr("property"), tr("value"), "variance", tr("y_nr")});
    grid_ = make_record_grid(model_, this);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid_->installEventFilter(this);
    only_ = new QAction(tr("show this property only"), grid_);
    only_->setObjectName("propertyOnly");
    grid_->addAction(only_);

    auto* edit = new QGroupBox(tr("edit data"), this);
    auto* form = new QFormLayout(edit);
    date_ = new QDateEdit(QDate(2000, 1, 1), edit);
    date_->setObjectName("date");
    date_->setDisplayFormat("dd.MM.yyyy");
    date_->setCalendarPopup(true);
    form->addRow(tr("sampling date"), date_);
    property_ = new QComboBox(edit);
    property_->setObjectName("property");
    unit_ = new QLabel(edit);
    auto* propRow = new QHBoxLayout;
    propRow->addWidget(property_, 1);
    propRow->addWidget(unit_);
    form->addRow(tr("property"), propRow);
    value_ = new QLineEdit(edit);
    value_->setObjectName("value");
    form->addRow(tr("value"), value_);
    variance_ = new QLineEdit(edit);
    variance_->setObjectName("variance");
    form->addRow(tr("variance (optional)"), variance_);
    initial_ = new QCheckBox(tr("initial value"), edit);
    initial_->setObjectName("initialValue");
    form->addRow(initial_);
    buttons_ = std::make_unique<RecordButtons>(edit, tr("Insert Record"), tr("Overwrite Record"));
    form->addRow(buttons_->layout());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(grid_, 1);
    layout->addWidget(edit);

    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showRow(current.row()); });
    connect(property_, &QComboBox::currentIndexChanged, this, [this](int i) {
        unit_->setText(i >= 0 && i < static_cast<int>(properties_.size()) ? qs(properties_[i].unit) : QString());
    });
    connect(buttons_->store, &QPushButton::clicked, this, [this] { store(); });
    connect(buttons_->remove, &QPushButton::clicked, this, [this] { deleteCurrent(); });
    connect(only_, &QAction::triggered, this, [this] { toggleProperty(); });
}

void ObservationPage::fillProperties()
{
    auto* c = connection_();
    if (!c) return;
    properties_ = workbench::property_choices(*c);
    property_->clear();
    for (const auto& p : properties_) property_->addItem(qs(p.name), p.mix);
}

void ObservationPage::load(long long flId, const QString& label)
{
    flId_ = flId;
    caption_->setText(label);
    if (property_->count() == 0) fillProperties();
    reload(-1);
    // The first row becomes the current one, as in any list that is opened.
    if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, 0));
}

int ObservationPage::rowCount() const { return model_->rowCount(); }

ObservationPage::~ObservationPage() = default;

void ObservationPage::setInsertMode(bool insert) { buttons_->setInsertMode(insert); }

void ObservationPage::reload(long long keepKey)
{
    auto* c = connection_();
    const bool insert = buttons_->insertMode();
    rowsData_.clear();
    if (c && flId_ >= 0) rowsData_ = workbench::observation_rows(*c, flId_, onlyProperty_);
    std::vector<QVariantList> rows;
    std::vector<long long> keys;
    for (const auto& r : rowsData_) {
        rows.push_back({r.year, qs(r.property), r.value, r.variance ? QVariant(*r.variance) : QVariant(), r.yearNumber});
        keys.push_back(r.id);
    }
    model_->setRows(std::move(rows), std::move(keys));
    grid_->resizeColumnsToContents();
    const int row = model_->rowOfKey(keepKey);
    if (row >= 0) grid_->setCurrentIndex(model_->index(row, 0));
    setInsertMode(insert);
}

void ObservationPage::showRow(int row)
{
    if (row < 0 || row >= static_cast<int>(rowsData_.size())) return;
    const auto& r = rowsData_[row];
    setInsertMode(r.mix <= 0);
    date_->setDate(QDate(std::max(1900, r.year), std::max(1, std::min(12, r.month)), 1).addDays(std::max(1, r.day) - 1));
    value_->setText(QString::number(r.value));
    variance_->setText(r.variance ? QString::number(*r.variance) : QString());
    initial_->setChecked(r.yearNumber == 0 && (r.mix == 0 || r.mix == 7));
    property_->setCurrentIndex(property_->findData(r.mix));
}

bool ObservationPage::store()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return false;
    workbench::ObservationInput in;
    in.flId = flId_;
    in.insert = buttons_->insertMode();
    in.measId = model_->key(grid_->currentIndex().row());
    in.mix = property_->currentData().toInt();
    in.firstYear = firstYear ? firstYear().toStdString() : "-99";
    const QDate d = date_->date();
    in.year = d.year();
    in.month = d.month();
    in.day = d.day();
    in.value = value_->text().trimmed().toStdString();
    in.variance = variance_->text().trimmed().toStdString();
    in.initial = initial_->isChecked();
    if (!in.insert && in.measId < 0) {
        show_message(this, tr("Observation"), tr("choose the observation to overwrite"));
        return false;
    }
    workbench::ObservationSaved saved;
    try {
        saved = workbench::save_observation(*c, in);
    } catch (const workbench::BrowserInputError& e) {
        const QString caption = e.caption().empty() ? tr("Observation") : core_text(e.caption());
        show_message(this, caption, core_text(e.what()));
        return false;
    } catch (const std::exception& e) {
        show_message(this, tr("Observation"), QString::fromStdString(e.what()));
        return false;
    }
    if (in.initial && (in.mix == 0 || in.mix == 7)) {
        initial_->setChecked(false);
        emit firstYearChanged(saved.firstYear);
    }
    reload(saved.measId);
    setInsertMode(in.insert);
    emit observationsChanged(flId_, saved.resultsDiscarded);
    return true;
}

bool ObservationPage::deleteCurrent()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return false;
    if (!delete_current_record(
            this, "Observation", grid_, model_,
            [c, this](long long key) { workbench::delete_observation(*c, flId_, key); },
            [this](long long keep) { reload(keep); }))
        return false;
    emit observationsChanged(flId_, 0);
    return true;
}

void ObservationPage::toggleProperty()
{
    const int row = grid_->currentIndex().row();
    if (onlyProperty_ || row < 0 || row >= static_cast<int>(rowsData_.size())) {
        onlyProperty_.reset();
        only_->setText(tr("show this property only"));
    } else {
        onlyProperty_ = rowsData_[row].mix;
        only_->setText(tr("&show all properties"));
    }
    reload(model_->key(row));
}

bool ObservationPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteCurrent();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vt::gui
