#include "gui/widgets/confirm_dialog.h"

#include "gui/widgets/dialog_hooks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

ConfirmDialog::ConfirmDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("ConfirmDialog");
    setWindowTitle(tr("ATTENTION !"));
    setModal(true);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setMinimumWidth(320);
    delete_ = new QPushButton(tr("delete"), this);
    esc_ = new QPushButton(tr("esc"), this);
    esc_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(delete_);
    buttons->addWidget(esc_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    connect(delete_, &QPushButton::clicked, this, [this] {
        accepted_ = true;
        accept();
    });
    connect(esc_, &QPushButton::clicked, this, [this] {
        accepted_ = false;
        reject();
    });
}

void ConfirmDialog::setText(const QString& text) { text_->setText(text); }

int ConfirmDialog::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

bool ConfirmDialog::ask(QWidget* parent, const QString& text)
{
    bool yes = false;
    if (DialogHooks::takeAnswer(yes)) return yes;
    ConfirmDialog box(parent);
    box.setText(text);
    box.exec();
    return box.accepted();
}

} // namespace vt::gui
