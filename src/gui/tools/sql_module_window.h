#pragma once
#include "workbench/sql_module.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QStandardItemModel;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class ToolGridModel;

// The window "SQL - module": the user's own SQL scripts run against the open database,
// statement by statement ("go" lines), with "$" parameters filled from a grid, a history
// of the last ten scripts, the rows of the last query and their export to a workbook.
class SqlModuleWindow : public QWidget {
    Q_OBJECT
public:
    // `connection` gives the open database (null when none is open).
    explicit SqlModuleWindow(std::function<db::Connection*()> connection, QWidget* parent = nullptr);

    // While it says yes (a run uses the database) scripts are not run.
    void setBusyCheck(std::function<bool()> busy) { busy_ = std::move(busy); }

    workbench::SqlModule& module() { return module_; }
    QPlainTextEdit* editor() const { return editor_; }
    QStandardItemModel* parameterGrid() const { return params_; }
    ToolGridModel* resultGrid() const { return result_; }
    bool dataChangeTicked() const;
    QString slotText() const;
    QStringList log() const;

    // "execute": returns false when a statement failed (the message was shown).
    bool execute();
    void loadFromFile();
    void loadFile(const QString& path);
    void saveToFile();
    void updateWithParameters();
    void clearGrid();
    void historyUp();
    void historyDown();
    void exportToXls();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout();
    void editorToModule();
    void moduleToEditor();
    void gridToModule();
    void moduleToGrid();
    void showSlot();
    void addLog(const QString& line);

    std::function<db::Connection*()> connection_;
    std::function<bool()> busy_;
    workbench::SqlModule module_;
    QPlainTextEdit* editor_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QLabel* slot_ = nullptr;
    QCheckBox* dataChange_ = nullptr;
    QStandardItemModel* params_ = nullptr;
    QTableView* paramView_ = nullptr;
    ToolGridModel* result_ = nullptr;
    QString lastFolder_;
};

} // namespace vt::gui
