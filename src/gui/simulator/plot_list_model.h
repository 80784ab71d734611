#pragma once
#include "workbench/run_plots.h"

#include <QAbstractTableModel>

namespace vt::db {
class Connection;
}

namespace vt::gui {

// The plots of the next run (workbench::plots_of_next_run) as a read-only table: FL_ID,
// i_con, site_description, Location, station, profile.
class PlotListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PlotListModel(QObject* parent = nullptr);

    // Reads the plots again; an error empties the table and is returned (no database:
    // an empty table, no error).
    QString reload(db::Connection* c);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    workbench::PlotTable table_;
};

} // namespace vt::gui
