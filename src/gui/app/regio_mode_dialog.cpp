#include "gui/app/regio_mode_dialog.h"

#include "workbench/database_info.h"
#include "workbench/run_hold.h"
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
    setWindowTitle(tr("change REGIO mode"));
    setModal(true);
    state_ = new QLabel(this);
    state_->setObjectName("state");
    QFont f = state_->font();
    f.setBold(true);
    state_->setFont(f);
    auto* warning = new QLabel(tr("This will change database structure and may cause data loss !"), this);
    auto* restart = new QLabel(tr("the application will be closed and has to be restarted to finish the change"), this);
    change_ = new QPushButton(tr("change the structure"), this);
    change_->setObjectName("change");
    auto* escape = new QPushButton(tr("escape: no changes"), this);
    escape->setObjectName("escape");
    escape->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(change_);
    buttons->addStretch();
    buttons->addWidget(escape);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(state_);
    layout->addWidget(warning);
    layout->addWidget(restart);
    layout->addLayout(buttons);
    connect(change_, &QPushButton::clicked, this, [this] {
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
    return c && !workbench::run_holds_database(*c) && workbench::is_regional_database(*c);
}

void RegioModeDialog::showEvent(QShowEvent* event)
{
    auto* c = main_.session().connection();
    const bool held = c && workbench::run_holds_database(*c);
    change_->setEnabled(!held);
    if (held) state_->setText(workbench::kRunHoldMessage);
    else state_->setText(regional() ? tr("set REGIO mode OFF (no undo possible)") : tr("set REGIO mode ON"));
    QDialog::showEvent(event);
}

bool RegioModeDialog::changeStructure()
{
    auto* c = main_.session().connection();
    if (!c) return false;
    try {
        workbench::set_regional_mode(*c, !regional());
    } catch (const std::exception& e) {
        show_message(this, tr("change REGIO mode"), QString::fromStdString(e.what()));
        return false;
    }
    main_.session().close();
    return true;
}

} // namespace vt::gui
