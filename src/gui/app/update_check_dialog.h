#pragma once
#include <QDialog>

class QLabel;

namespace vt::gui {

// The window "update check": the version of the running program and of the previous start.
class UpdateCheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit UpdateCheckDialog(QWidget* parent = nullptr);
    void setVersion(const QString& current, const QString& previous);

private:
    QLabel* text_;
};

} // namespace vt::gui
