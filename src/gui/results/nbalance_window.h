#pragma once
#include "eval/table_data.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class BackgroundTask;
class ResultTableModel;

// The window "RUX N balance": the field nitrogen budget of one plot or all plots from the
// results of the last runs, built on a worker thread with a progress bar and "cancel"
// (which leaves the budget tables as they were); the summaries NMIN_SALDO and NT_SALDO in
// the grid; "copy to XLS" with its "make CSV" choice.
class NBalanceWindow : public QWidget {
    Q_OBJECT
public:
    // `connection` gives the open database (null: none); `busy` tells that a run holds it.
    NBalanceWindow(std::function<db::Connection*()> connection, std::function<bool()> busy, QWidget* parent = nullptr);
    ~NBalanceWindow() override;

    QLineEdit* plotField() const { return plot_; }
    QLineEdit* yearFrom() const { return yearFrom_; }
    QLineEdit* yearTo() const { return yearTo_; }
    QLineEdit* fertFrom() const { return fertFrom_; }
    QLineEdit* fertTo() const { return fertTo_; }
    QCheckBox* observedUptake() const { return observed_; }
    QCheckBox* makeCsv() const { return makeCsv_; }
    QComboBox* tableChoice() const { return choice_; }
    QTableView* grid() const { return grid_; }
    QProgressBar* progress() const { return progress_; }
    BackgroundTask* task() const { return task_; }
    const eval::Table& shownTable() const;

public slots:
    // "run N-Balance": starts the budget; the grid shows NMIN_SALDO when it has ended.
    // Returns false when it cannot start (bad field, no database, a run going on).
    bool runBalance();
    void cancel();
    // Shows one of the result tables (empty name: an empty grid).
    void showTable(const QString& name);
    // "copy to XLS".
    void copyToXls();

signals:
    void balanceFinished(bool completed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setRunning(bool on);
    void onFinished(bool ok);

    std::function<db::Connection*()> connection_;
    std::function<bool()> busy_;
    BackgroundTask* task_;
    bool cancelled_ = false;
    ResultTableModel* model_;
    QLineEdit* plot_;
    QLineEdit* yearFrom_;
    QLineEdit* yearTo_;
    QLineEdit* fertFrom_;
    QLineEdit* fertTo_;
    QCheckBox* observed_;
    QCheckBox* makeCsv_;
    QPushButton* run_;
    QPushButton* cancel_;
    QPushButton* copy_;
    QComboBox* choice_;
    QTableView* grid_;
    QProgressBar* progress_;
};

} // namespace vt::gui
