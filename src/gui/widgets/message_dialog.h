#pragma once
#include <QDialog>

class QLabel;

namespace vt::gui {

// "Dialog": a message with an OK button; pressing OK sets the abort flag that the
// caller reads afterwards.
class MessageDialog : public QDialog {
    Q_OBJECT
public:
    explicit MessageDialog(QWidget* parent = nullptr);
    void setText(const QString& text);
    bool abbruch() const { return abbruch_; }
    int exec() override;

private:
    QLabel* text_;
    bool abbruch_ = false;
};

} // namespace vt::gui
