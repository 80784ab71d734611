#include "gui/widgets/message_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

MessageDialog::MessageDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("MessageDialog");
    setWindowTitle(tr("Dialog"));
    setModal(true);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setMinimumWidth(300);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        abbruch_ = true;
        accept();
    });
}

void MessageDialog::setText(const QString& text) { text_->setText(text); }

int MessageDialog::exec()
{
    abbruch_ = false;
    return QDialog::exec();
}

} // namespace vt::gui
