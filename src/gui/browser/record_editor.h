#pragma once
#include <QString>

#include <functional>

class QAbstractItemModel;
class QBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QWidget;

namespace vt::gui {

// The parts the pages "Management" and "Observation" share: a bold caption with the plot's
// label, the read-only grid of the plot's rows, and the record buttons ("Insert Record" /
// "Overwrite Record", the button "insert"/"update", "delete record").
QLabel* make_page_caption(QWidget* parent);
QTableView* make_record_grid(QAbstractItemModel* model, QWidget* parent);

class RowsTableModel;

// "delete record": deletes the grid's current row through `remove` (given the row's key),
// shows a refusal under `caption`, and reloads the list on the row after it (or before it,
// at the end). Returns whether the row was deleted.
bool delete_current_record(QWidget* page, const QString& caption, QTableView* grid, const RowsTableModel* model,
                           const std::function<void(long long key)>& remove,
                           const std::function<void(long long keepKey)>& reload);

class RecordButtons {
public:
    RecordButtons(QWidget* parent, const QString& insertText, const QString& overwriteText);
    QBoxLayout* layout() const { return layout_; }
    bool insertMode() const;
    // Selects the mode; the button reads "insert" or "update".
    void setInsertMode(bool insert);
    QRadioButton* insert;
    QRadioButton* overwrite;
    QPushButton* store;
    QPushButton* remove;

private:
    QBoxLayout* layout_;
};

} // namespace vt::gui
