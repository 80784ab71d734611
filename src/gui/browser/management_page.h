#pragma once
#include "workbench/browser_management.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class RecordButtons;
class RowsTableModel;

// The page "Management" of the window "DATABASE": the management events of the loaded plot
// with the fields to insert, overwrite or delete one ("Management Event").
class ManagementPage : public QWidget {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    explicit ManagementPage(ConnectionFn connection, QWidget* parent = nullptr);
    ~ManagementPage() override;

    // Action and item lists; `regional` adds action 14, the FLA% field and the column part;
    // `areaShares` (regional mode or REGMODE "REG") stores the FLA% text.
    void setMode(bool regional, bool areaShares);
    // Loads the plot's events with the filter "all"; `label` is the node label.
    void load(long long flId, const QString& label);
    int rowCount() const;
    long long plotId() const { return flId_; }
    // The button "insert"/"update"; returns whether the event was stored.
    bool store();
    bool deleteCurrent();
    // The list filter in use ("all", "harvest", ...).
    workbench::ManagementFilter currentFilter() const;

signals:
    void eventsChanged(long long flId);
    // "print management": the report of the listed events, as a PDF file without preview
    // when "save as PDF; no preview" is ticked.
    void reportRequested(long long flId, workbench::ManagementFilter filter, bool pdfWithoutPreview);
    // A right press on the item choice: the parameter dialog of the chosen crop or
    // organic amendment.
    void itemParametersRequested(workbench::ItemViewer viewer, long long itemIx);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the fields the action has (the same rule for a chosen action and a stored event).
    void showActionFields(int macode);
    void reload(long long keepKey);
    void showRow(int row);
    void chooseAction(bool fromUser);
    void filterItems(int group);
    void setInsertMode(bool insert);
    int currentAction() const;

    ConnectionFn connection_;
    long long flId_ = -1;
    bool regional_ = false;
    bool areaShares_ = false;
    int itemGroup_ = -1000;
    std::vector<workbench::ItemChoice> items_;
    std::vector<workbench::ActionChoice> actions_;
    std::vector<workbench::ManagementRow> rowsData_;

    QLabel* caption_;
    QTableView* grid_;
    RowsTableModel* model_;
    QComboBox* filter_;
    QPushButton* print_;
    QCheckBox* pdfOnly_;
    QComboBox* action_;
    QComboBox* item_;
    QDateEdit* date_;
    QLineEdit* intensity_;
    QLabel* unit_;
    QLabel* default_;
    QLabel* flaLabel_;
    QLineEdit* fla_;
    QLabel* nonDefault_;
    std::unique_ptr<RecordButtons> buttons_;
};

} // namespace vt::gui
