#pragma once
#include <QString>

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

class RecordButtons {
public:
    RecordButtons(QWidget* parent, const QString& insertText, const QString& overwriteText, bool german);
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
    bool german_;
};

} // namespace vt::gui
