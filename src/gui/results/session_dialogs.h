#pragma once
#include "workbench/session_jobs.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace vt::gui {

class BackgroundTask;
class MainWindow;

// What the dialogs "calibrate…" and "uncertainty…" share: the plots (those of the
// experiment chosen in the browser's tree, editable as a list "101,102"), a table of
// parameters (a name of the session's parameters, optionally the value it starts from,
// and the dialog's columns), the number of threads, "start" with a progress dialog and
// "cancel", and the result as text. The work runs on a worker thread over the program's
// connection.
class SessionDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit* plotsField() const { return plots_; }
    QTableWidget* parameterTable() const { return table_; }
    QPlainTextEdit* resultText() const { return result_; }
    QPushButton* startButton() const { return start_; }
    QSpinBox* jobsField() const { return jobs_; }
    BackgroundTask* task() const { return task_; }

    // The plots of the experiment node (its code at this location).
    void setExperiment(const QString& location, const QString& code);
    // Appends a parameter row: its name and the texts of the dialog's columns.
    void addParameter(const QString& name, const QStringList& values);
    // The column of the parameter table that holds the dialog's column `i` (after the name
    // and the start value).
    int valueColumn(int i) const { return 1 + (showStart_ ? 1 : 0) + i; }

    // Runs the dialog's work as "start" does; false when the input was refused, the work
    // failed or was cancelled.
    virtual bool start() = 0;

signals:
    // Rows were stored (the result pages may show them).
    void stored();

protected:
    // `showStart`: a read-only column "start" with the value of gldaparm's row 1 (1 for a
    // factor) after the name.
    SessionDialog(MainWindow& main, const QString& caption, bool showStart, const QStringList& valueColumns,
                  QWidget* parent);

    db::Connection* connection() const;
    std::string databasePath() const;
    // The plots of the list; nullopt (after a message) when one is not a number or not in
    // the database, or no database is open.
    std::optional<std::vector<long long>> plots();
    // The rows of the parameter table: name and the texts of the dialog's columns.
    std::vector<std::pair<std::string, std::vector<std::string>>> parameterRows() const;
    // The work on the worker thread under the progress dialog; its messages and error are
    // shown. Returns whether it ended without an exception.
    bool runWork(const std::function<void(const engine::RunHooks&)>& work);
    void refuse(const QString& text);
    QWidget* extraRow() const { return extra_; }

    QString caption_;

private:
    MainWindow& main_;
    QLabel* experiment_;
    QLineEdit* plots_;
    QTableWidget* table_;
    QSpinBox* jobs_;
    QPushButton* start_;
    QPlainTextEdit* result_;
    QWidget* extra_;
    BackgroundTask* task_;
    QStringList valueColumns_;
    bool showStart_;
};

// "calibrate…": fits model constants and input factors within their bounds to the
// observations of a property by least squares, shows the fit and stores it in
// rux_calibration; "apply" stores the fitted constants as a new row of gldaparm.
class CalibrationDialog : public SessionDialog {
    Q_OBJECT
public:
    explicit CalibrationDialog(MainWindow& main, QWidget* parent = nullptr);

    QComboBox* propertyField() const { return property_; }
    QSpinBox* iterationsField() const { return iterations_; }
    QPushButton* applyButton() const { return apply_; }
    const std::optional<workbench::CalibrationOutcome>& outcome() const { return outcome_; }

    bool start() override;
    // "apply", after the question; the item_ix of the new row, or -1.
    long long apply();

private:
    QComboBox* property_;
    QSpinBox* iterations_;
    QPushButton* apply_;
    std::optional<workbench::CalibrationOutcome> outcome_;
};

// "uncertainty…": draws the parameters from their distributions (normal, uniform or
// lognormal with two numbers each), simulates every sample and stores the quantiles of
// organic carbon and total nitrogen in rux_uncertainty and the sensitivity indices in
// rux_sensitivity; shows per plot the share of observations inside the 90 % band.
class UncertaintyDialog : public SessionDialog {
    Q_OBJECT
public:
    explicit UncertaintyDialog(MainWindow& main, QWidget* parent = nullptr);

    QSpinBox* samplesField() const { return samples_; }
    QSpinBox* seedField() const { return seed_; }
    const std::optional<workbench::UncertaintyOutcome>& outcome() const { return outcome_; }

    bool start() override;

private:
    QSpinBox* samples_;
    QSpinBox* seed_;
    std::optional<workbench::UncertaintyOutcome> outcome_;
};

} // namespace vt::gui
