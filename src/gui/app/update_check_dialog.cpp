#include "gui/app/update_check_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace vt::gui {

UpdateCheckDialog::UpdateCheckDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("UpdateCheckDialog");
    setWindowTitle(tr("update check"));
    text_ = new QLabel(this);
    text_->setObjectName("version");
    text_->setTextFormat(Qt::RichText);
    text_->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
}

void UpdateCheckDialog::setVersion(const QString& current, const QString& previous)
{
    text_->setText(QString("<p><b>Veltrano</b></p><p>Version: %1</p><p>Version at the previous start: %2</p>"
                           "<p>New versions come with the releases of Veltrano.</p>")
                       .arg(current.toHtmlEscaped(), previous.toHtmlEscaped()));
}

} // namespace vt::gui
