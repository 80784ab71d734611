#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace vt::gui {

// "ATTENTION !": a yes/no question before a destructive step, with the buttons
// "delete" and "esc". The accept flag is cleared when the box opens, set by "delete".
class ConfirmDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConfirmDialog(QWidget* parent = nullptr);

    void setText(const QString& text);
    bool accepted() const { return accepted_; }
    int exec() override;

    // Shows the question modally and returns whether "delete" was pressed. A test
    // answers it through DialogHooks::setNextAnswer.
    static bool ask(QWidget* parent, const QString& text);

private:
    QLabel* text_;
    QPushButton* delete_;
    QPushButton* esc_;
    bool accepted_ = false;
};

} // namespace vt::gui
