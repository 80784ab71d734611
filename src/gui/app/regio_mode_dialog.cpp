#include "gui/app/regio_mode_dialog.h"

#include "db/connection.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/app/main_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

RegioModeDialog::RegioModeDialog(MainWindow& main, QWidget* parent) : QDialog(parent), main_(main)
{
    setObjectName("RegioModeDialog");
    setWindowTitle("change REGIO mode");
    setModal(true);
    state_ = new QLabel(this);
    state_->setObjectName("state");
    QFont f = state_->font();
    f.setBold(true);
    state_->setFont(f);
    auto* warning = new QLabel("This will change database structure and may cause data loss !", this);
    auto* restart = new QLabel("the application will be closed and has to be restarted to finish the change", this);
    auto* change = new QPushButton("change the structure", this);
    change->setObjectName("change");
    auto* escape = new QPushButton("escape: no changes", this);
    escape->setObjectName("escape");
    escape->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(change);
    buttons->addStretch();
    buttons->addWidget(escape);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(state_);
    layout->addWidget(warning);
    layout->addWidget(restart);
    layout->addLayout(buttons);
    connect(change, &QPushButton::clicked, this, [this] {
        if (changeStructure()) {
            accept();
            main_.endProgram();
        }
    });
    connect(escape, &QPushButton::clicked, this, &QDialog::reject);
}

bool RegioModeDialog::regional() const
{
    auto* c = main_.session().connection();
    return c && c->columnExists("cultivation", "part");
}

void RegioModeDialog::showEvent(QShowEvent* event)
{
    state_->setText(regional() ? "set REGIO mode OFF (no undo possible)" : "set REGIO mode ON");
    QDialog::showEvent(event);
}

bool RegioModeDialog::changeStructure()
{
    auto* c = main_.session().connection();
    if (!c) return false;
    try {
        c->execute(regional() ? "alter table cultivation drop part" : "alter table cultivation add part double");
    } catch (const std::exception& e) {
        show_message(this, "change REGIO mode", QString::fromStdString(e.what()));
        return false;
    }
    main_.session().close();
    return true;
}

} // namespace vt::gui
