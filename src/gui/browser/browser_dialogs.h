#pragma once
#include <QDialog>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace vt::db {
class Connection;
}

namespace vt::gui {

// "create new experiment folder": the short name of a new experiment (or the location a
// plot moves to) beside the proposed internal code. "ok" answers yes, any other way no.
class NewFolderDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewFolderDialog(QWidget* parent = nullptr);
    void setCode(const QString& code);
    QString shortName() const;
    void setShortName(const QString& name);

    // Asks for a name; empty when cancelled. A test answers through DialogHooks: the next
    // answer (yes/no) and the next file name as the short name.
    static QString ask(QWidget* parent, const QString& code);

private:
    QLineEdit* name_;
    QLineEdit* code_;
};

// The window that shifts the plot keys of an experiment: its location, the current key
// range, the shift (default 100) and the count of plots of other experiments in the
// destination range; "adapt ID" acts at once when that range is free.
class ShiftPlotsDialog : public QDialog {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    ShiftPlotsDialog(ConnectionFn connection, QWidget* parent = nullptr);
    void setExperiment(const QString& location, const QString& code);
    QLineEdit* shiftField() const { return shift_; }
    QString resultLine() const;
    // "adapt ID": returns whether the plots were moved.
    bool adapt();

signals:
    void shifted();

private:
    void preview();

    ConnectionFn connection_;
    QString location_;
    QString code_;
    QLabel* locationLabel_;
    QTableWidget* range_;
    QLineEdit* shift_;
    QLabel* result_;
};

// "adapt experiment ID": the new location and code of an experiment.
class ExperimentIdDialog : public QDialog {
    Q_OBJECT
public:
    ExperimentIdDialog(QWidget* parent = nullptr);
    void setValues(const QString& location, const QString& code, long long nextCode);
    QString newLocation() const;
    QString newCode() const;

private:
    QLineEdit* oldLocation_;
    QLineEdit* newLocation_;
    QLineEdit* oldCode_;
    QLineEdit* newCode_;
    long long nextCode_ = 0;
};

} // namespace vt::gui
