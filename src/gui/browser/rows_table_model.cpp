#include "gui/browser/rows_table_model.h"

namespace vt::gui {

void RowsTableModel::setHeaders(const QStringList& headers)
{
    beginResetModel();
    headers_ = headers;
    endResetModel();
}

void RowsTableModel::setRows(std::vector<QVariantList> rows, std::vector<long long> keys)
{
    beginResetModel();
    rows_ = std::move(rows);
    keys_ = std::move(keys);
    endResetModel();
}

int RowsTableModel::rowOfKey(long long key) const
{
    for (int i = 0; i < static_cast<int>(keys_.size()); ++i)
        if (keys_[i] == key) return i;
    return -1;
}

int RowsTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }

int RowsTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(headers_.size()); }

QVariant RowsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const auto& row = rows_[index.row()];
    if (index.column() >= row.size()) return {};
    if (role == Qt::DisplayRole) return row[index.column()];
    if (role == Qt::TextAlignmentRole && row[index.column()].typeId() != QMetaType::QString)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant RowsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return section < headers_.size() ? headers_[section] : QVariant();
    return section + 1;
}

} // namespace vt::gui
