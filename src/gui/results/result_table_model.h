#pragma once
#include "eval/table_data.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace vt::gui {

// A read-only grid over the rows of a query: numbers in the user's locale, column titles
// as the page names them (the column names where no title is given). Qt::UserRole gives
// the value as stored.
class ResultTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultTableModel(QObject* parent = nullptr);

    void setTable(eval::Table table, QStringList titles = {});
    const eval::Table& table() const { return table_; }
    // The rows as the grid shows them: the titles as column names (for the exports).
    eval::Table shownTable() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    eval::Table table_;
    QStringList titles_;
};

// A number as the user's locale writes it, without needless trailing digits.
QString locale_number(double v);

} // namespace vt::gui
