#pragma once
#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace vt::gui {

// A read-only grid of rows that a workbench function returned, each row with the key of
// its database row (cultivation_id, meas_ID). The pages edit through their fields.
class RowsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setHeaders(const QStringList& headers);
    void setRows(std::vector<QVariantList> rows, std::vector<long long> keys);
    long long key(int row) const { return row >= 0 && row < static_cast<int>(keys_.size()) ? keys_[row] : -1; }
    int rowOfKey(long long key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList headers_;
    std::vector<QVariantList> rows_;
    std::vector<long long> keys_;
};

} // namespace vt::gui
