#pragma once
#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;

namespace vt::gui {

// "Fehlermeldung aus RUX": the input rows of a plot that cannot be simulated, shown
// while the run goes on with the next plot. Rows of further plots are added below.
class ErrorListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ErrorListWindow(QWidget* parent = nullptr);

    void addRows(const QStringList& rows);
    void clearRows();
    QStringList rows() const;

private:
    QLabel* header_;
    QListWidget* list_;
};

} // namespace vt::gui
