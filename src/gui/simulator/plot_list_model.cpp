#include "gui/simulator/plot_list_model.h"

#include <array>

namespace vt::gui {

namespace {

const std::array<const char*, 6> kHeaders{"FL_ID", "i_con", "site_description", "Location", "station", "profile"};

} // namespace

PlotListModel::PlotListModel(QObject* parent) : QAbstractTableModel(parent) {}

QString PlotListModel::reload(db::Connection* c)
{
    beginResetModel();
    table_ = {};
    QString error;
    if (c) {
        try {
            table_ = workbench::plots_of_next_run(*c);
        } catch (const std::exception& e) {
            error = QString::fromStdString(e.what());
        }
    }
    endResetModel();
    return error;
}

int PlotListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int PlotListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kHeaders.size());
}

QVariant PlotListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole) return {};
    const auto& row = table_.rows[static_cast<std::size_t>(index.row())];
    const auto col = static_cast<std::size_t>(index.column());
    return col < row.size() ? QString::fromStdString(row[col]) : QString();
}

QVariant PlotListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= static_cast<int>(kHeaders.size())) return {};
    return QString(kHeaders[static_cast<std::size_t>(section)]);
}

} // namespace vt::gui
