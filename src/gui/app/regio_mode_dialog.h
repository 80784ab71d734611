#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace vt::gui {

class MainWindow;

// The window "change REGIO mode": switches a database between whole-plot management events and
// events that apply to a share of the plot area (cultivation.part). The change alters
// the table, so the program ends and is started again afterwards.
class RegioModeDialog : public QDialog {
    Q_OBJECT
public:
    explicit RegioModeDialog(MainWindow& main, QWidget* parent = nullptr);

    // Whether the open database is in regional mode (cultivation has `part`); false while
    // a run holds it (the dialog then says so and offers no change).
    bool regional() const;
    // "change the structure": false when the table could not be changed (the message
    // is shown and the program goes on).
    bool changeStructure();

protected:
    void showEvent(QShowEvent* event) override;

private:
    MainWindow& main_;
    QLabel* state_;
    QPushButton* change_;
};

} // namespace vt::gui
