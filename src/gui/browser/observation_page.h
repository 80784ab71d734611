#pragma once
#include "workbench/browser_observation.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
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

// The page "Observation" of the window "DATABASE": the soil observations of the loaded plot
// with the fields to insert, overwrite or delete one ("edit data"). Saving discards the
// plot's simulated values; a new initial value sets the plot's first year.
class ObservationPage : public QWidget {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    explicit ObservationPage(ConnectionFn connection, QWidget* parent = nullptr);
    ~ObservationPage() override;

    // The plot's first year, from the page "Basic-Info".
    std::function<QString()> firstYear;

    void fillProperties();
    void load(long long flId, const QString& label);
    int rowCount() const;
    long long plotId() const { return flId_; }
    bool store();
    bool deleteCurrent();
    // "show this property only" / "show all properties".
    void toggleProperty();

signals:
    // A new initial value moved the plot's first year.
    void firstYearChanged(int year);
    void observationsChanged(long long flId, int resultsDiscarded);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload(long long keepKey);
    void showRow(int row);
    void setInsertMode(bool insert);

    ConnectionFn connection_;
    long long flId_ = -1;
    std::optional<int> onlyProperty_;
    std::vector<workbench::ObservationRow> rowsData_;
    std::vector<workbench::PropertyChoice> properties_;

    QLabel* caption_;
    QTableView* grid_;
    RowsTableModel* model_;
    QDateEdit* date_;
    QComboBox* property_;
    QLabel* unit_;
    QLineEdit* value_;
    QLineEdit* variance_;
    QCheckBox* initial_;
    std::unique_ptr<RecordButtons> buttons_;
    QAction* only_;
};

} // namespace vt::gui
