#pragma once
#include "gui/params/params_common.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace vt::gui {

class TableEditModel;

// A list of table names beside a grid: a double click on a name shows that table (its
// name above the grid); "export to XLS" writes the shown table to a workbook, "export to
// XML" (when offered) saves it as an XML rowset named like the table in the working folder.
// The pages "Results" and "ACCESS-DATABASE".
class TableListPage : public QWidget {
    Q_OBJECT
public:
    TableListPage(ParamsAccess access, bool xml, QWidget* parent = nullptr);

    void setTables(const QStringList& names);
    QStringList tables() const;
    // A double click on a name.
    void showTable(const QString& name);
    QString shownTable() const;
    TableEditModel* model() const { return model_; }
    void exportXlsx();
    void exportXml();

private:
    ParamsAccess access_;
    QListWidget* list_;
    QLabel* title_;
    TableEditModel* model_;
    QTableView* view_;
};

} // namespace vt::gui
