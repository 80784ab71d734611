#include "gui/tools/tool_grid_model.h"

#include "eval/spreadsheet_export.h"

namespace vt::gui {

void ToolGridModel::setTable(eval::Table table, const std::vector<std::string>& shown)
{
    beginResetModel();
    table_ = std::move(table);
    columns_.clear();
    if (shown.empty()) {
        for (int i = 0; i < static_cast<int>(table_.columns.size()); ++i) columns_.push_back(i);
    } else {
        for (const auto& name : shown)
            if (const int i = table_.column(name); i >= 0) columns_.push_back(i);
    }
    endResetModel();
}

int ToolGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int ToolGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ToolGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole) {
        if (role == Qt::TextAlignmentRole && index.isValid()) {
            const auto& v = eval::cell(table_.rows[static_cast<std::size_t>(index.row())],
                                       columns_[static_cast<std::size_t>(index.column())]);
            return static_cast<int>(v.isNumber() ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        }
        return {};
    }
    const auto& v = eval::cell(table_.rows[static_cast<std::size_t>(index.row())],
                               columns_[static_cast<std::size_t>(index.column())]);
    // Reals as the user reads them: twelve significant digits, no binary tail.
    if (v.isReal()) return QString::number(v.toDouble(), 'g', 12);
    return QString::fromStdString(eval::export_text(v));
}

QVariant ToolGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return QString::fromStdString(table_.columns[static_cast<std::size_t>(columns_[static_cast<std::size_t>(section)])]);
}

} // namespace vt::gui
