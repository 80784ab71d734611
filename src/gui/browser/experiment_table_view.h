#pragma once
#include "workbench/browser_tables.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

// An editable grid over stored rows: every edited cell is written at once (a number column
// takes only numbers), and a refused value is shown and leaves the row as it was.
class TableGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    TableGridModel(ConnectionFn connection, QObject* parent = nullptr);
    void setGrid(workbench::TableGrid grid);
    const workbench::TableGrid& grid() const { return grid_; }
    // The value of a column of a row; a NULL value when the column is missing.
    db::Value value(int row, const std::string& column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    ConnectionFn connection_;
    workbench::TableGrid grid_;
};

// The experiment table view (the node "files"): the plots of the experiment in the upper
// grid; the management events and observations of the plot chosen there in the lower
// pages "Management" and "Observation", narrowed by "filter condition" while "apply filter"
// is ticked.
class ExperimentTableView : public QWidget {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    explicit ExperimentTableView(ConnectionFn connection, QWidget* parent = nullptr);
    void open(const QString& location, const QString& code);
    TableGridModel* plots() const { return plots_; }
    TableGridModel* management() const { return management_; }
    TableGridModel* observations() const { return observations_; }
    QTableView* plotGrid() const { return plotGrid_; }
    QLineEdit* condition() const { return condition_; }
    QCheckBox* applyFilter() const { return apply_; }
    QTabWidget* lowerPages() const { return lower_; }
    QCheckBox* keepContent() const { return keep_; }
    // "new row": a row of the plot in the lower page in front, starting with the values of
    // the current row (always for management events, with "keep content" for observations).
    bool newRow();

private:
    void showPlot(int row);
    void refreshLower();

    ConnectionFn connection_;
    QString location_;
    QString code_;
    long long flId_ = -1;
    QLabel* caption_;
    TableGridModel* plots_;
    TableGridModel* management_;
    TableGridModel* observations_;
    QTableView* plotGrid_;
    QTabWidget* lower_;
    QLineEdit* condition_;
    QCheckBox* apply_;
    QCheckBox* keep_;
    QTableView* managementGrid_;
    QTableView* observationGrid_;
};

} // namespace vt::gui
