#include "gui/browser/experiment_table_view.h"

#include "gui/widgets/dialog_hooks.h"
#include "workbench/browser_common.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

QVariant to_variant(const db::Value& v)
{
    if (v.isNull()) return {};
    if (v.isInteger()) return QVariant::fromValue<qlonglong>(v.toInt());
    if (v.isReal()) return v.toDouble();
    return QString::fromStdString(v.toString());
}

QTableView* grid_view(QAbstractItemModel* model, QWidget* parent, const char* name)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(model);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
    return v;
}

} // namespace

TableGridModel::TableGridModel(ConnectionFn connection, QObject* parent) : QAbstractTableModel(parent), connection_(std::move(connection)) {}

void TableGridModel::setGrid(workbench::TableGrid grid)
{
    beginResetModel();
    grid_ = std::move(grid);
    endResetModel();
}

db::Value TableGridModel::value(int row, const std::string& column) const
{
    if (row < 0 || row >= static_cast<int>(grid_.rows.size())) return {};
    for (size_t i = 0; i < grid_.columns.size(); ++i)
        if (QString::fromStdString(grid_.columns[i]).compare(QString::fromStdString(column), Qt::CaseInsensitive) == 0)
            return grid_.rows[row][i];
    return {};
}

int TableGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(grid_.rows.size()); }

int TableGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(grid_.columns.size()); }

QVariant TableGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return to_variant(grid_.rows[index.row()][index.column()]);
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section < static_cast<int>(grid_.columns.size()) ? QString::fromStdString(grid_.columns[section]) : QVariant();
    return section + 1;
}

Qt::ItemFlags TableGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool TableGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) return false;
    auto* c = connection_();
    if (!c) return false;
    try {
        grid_.rows[index.row()][index.column()] = workbench::update_table_cell(
            *c, grid_.table, grid_.rowids[index.row()], grid_.columns[index.column()], value.toString().toStdString());
    } catch (const std::exception& e) {
        show_message(nullptr, QString::fromStdString(grid_.table), QString::fromStdString(e.what()));
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

ExperimentTableView::ExperimentTableView(ConnectionFn connection, QWidget* parent)
    : QWidget(parent), connection_(std::move(connection))
{
    setObjectName("experimentTableView");
    caption_ = new QLabel(this);
    plots_ = new TableGridModel(connection_, this);
    management_ = new TableGridModel(connection_, this);
    observations_ = new TableGridModel(connection_, this);
    plotGrid_ = grid_view(plots_, this, "plotGrid");
    lower_ = new QTabWidget(this);
    managementGrid_ = grid_view(management_, lower_, "managementGrid");
    observationGrid_ = grid_view(observations_, lower_, "observationGrid");
    lower_->addTab(managementGrid_, tr("Management"));
    lower_->addTab(observationGrid_, tr("Observation"));
    keep_ = new QCheckBox(tr("keep content"), this);
    keep_->setObjectName("keepContent");
    auto* add = new QPushButton(tr("new row"), this);
    add->setObjectName("newRow");
    condition_ = new QLineEdit("1=1", this);
    condition_->setObjectName("filterCondition");
    apply_ = new QCheckBox(tr("apply filter"), this);
    apply_->setObjectName("applyFilter");
    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(tr("filter condition"), this));
    filter->addWidget(condition_, 1);
    filter->addWidget(apply_);
    filter->addSpacing(20);
    filter->addWidget(keep_);
    filter->addWidget(add);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(plotGrid_);
    split->addWidget(lower_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(split, 1);
    layout->addLayout(filter);

    connect(plotGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showPlot(current.row()); });
    connect(condition_, &QLineEdit::textEdited, this, [this] { apply_->setChecked(false); });
    connect(apply_, &QCheckBox::toggled, this, [this] { refreshLower(); });
    connect(lower_, &QTabWidget::currentChanged, this, [this] { refreshLower(); });
    connect(add, &QPushButton::clicked, this, [this] { newRow(); });
}

void ExperimentTableView::open(const QString& location, const QString& code)
{
    location_ = location;
    code_ = code;
    caption_->setText(location);
    apply_->setChecked(false);
    auto* c = connection_();
    plots_->setGrid(c ? workbench::read_experiment_plots(*c, {code.toStdString(), location.toStdString()}) : workbench::TableGrid{});
    flId_ = -1;
    management_->setGrid({});
    observations_->setGrid({});
    if (plots_->rowCount() > 0) plotGrid_->setCurrentIndex(plots_->index(0, 0));
}

void ExperimentTableView::showPlot(int row)
{
    const auto id = plots_->value(row, "FL_ID");
    flId_ = id.isNull() ? -1 : id.toInt();
    refreshLower();
}

void ExperimentTableView::refreshLower()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return;
    // The filter applies to the page in front; the other page shows all rows of the plot.
    const bool managementFront = lower_->currentIndex() == 0;
    const std::string cond = apply_->isChecked() ? condition_->text().toStdString() : std::string();
    try {
        management_->setGrid(workbench::read_plot_table(*c, "cultivation", flId_, managementFront ? cond : std::string()));
        observations_->setGrid(workbench::read_plot_table(*c, "measurements", flId_, managementFront ? std::string() : cond));
    } catch (const std::exception& e) {
        show_message(this, tr("filter condition"), QString::fromStdString(e.what()));
        apply_->setChecked(false);
    }
}

} // namespace vt::gui

namespace vt::gui {

bool ExperimentTableView::newRow()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return false;
    const bool management = lower_->currentIndex() == 0;
    auto* model = management ? management_ : observations_;
    auto* view = management ? managementGrid_ : observationGrid_;
    int row = view->currentIndex().row();
    if (row < 0) row = model->rowCount() - 1;
    const auto start = management || keep_->isChecked() ? workbench::remembered_values(model->grid(), row)
                                                        : std::vector<std::pair<std::string, db::Value>>{};
    long long rowid = -1;
    try {
        rowid = workbench::insert_plot_row(*c, management ? "cultivation" : "measurements", flId_, start);
    } catch (const std::exception& e) {
        show_message(this, tr("new row"), QString::fromStdString(e.what()));
        return false;
    }
    refreshLower();
    const auto& ids = model->grid().rowids;
    for (int i = 0; i < static_cast<int>(ids.size()); ++i)
        if (ids[i] == rowid) view->setCurrentIndex(model->index(i, 0));
    return true;
}

} // namespace vt::gui
