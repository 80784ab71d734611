#include "gui/widgets/error_list_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

ErrorListWindow::ErrorListWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("ErrorListWindow");
    setWindowTitle(tr("Fehlermeldung aus RUX"));
    header_ = new QLabel(tr("input rows of plots that cannot be simulated:"), this);
    list_ = new QListWidget(this);
    list_->setObjectName("rows");
    QFont mono("DejaVu Sans Mono");
    mono.setStyleHint(QFont::Monospace);
    list_->setFont(mono);
    auto* close = new QPushButton(tr("OK"), this);
    close->setObjectName("ok");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(640, 300);
    connect(close, &QPushButton::clicked, this, [this] {
        clearRows();
        hide();
    });
}

void ErrorListWindow::addRows(const QStringList& rows)
{
    list_->addItems(rows);
    list_->scrollToBottom();
}

void ErrorListWindow::clearRows() { list_->clear(); }

QStringList ErrorListWindow::rows() const
{
    QStringList l;
    for (int i = 0; i < list_->count(); ++i) l << list_->item(i)->text();
    return l;
}

} // namespace vt::gui
