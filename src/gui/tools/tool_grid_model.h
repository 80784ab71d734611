#pragma once
#include "eval/table_data.h"

#include <QAbstractTableModel>

#include <vector>

namespace vt::gui {

// A read-only grid over the rows of a query (eval::Table), optionally showing only some
// of its columns (named, matched without regard to case).
class ToolGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ToolGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setTable(eval::Table table, const std::vector<std::string>& shown = {});
    const eval::Table& table() const { return table_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    eval::Table table_;
    std::vector<int> columns_;  // table columns in display order
};

} // namespace vt::gui
