#include "gui/results/statistics_update.h"

#include "workbench/command_data.h"
#include "gui/results/background_task.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/outlier_refresh.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vt::gui {

PhaseDialog::PhaseDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("PhaseDialog");
    // \x20: a caption, not a query, for the check of SQL text in windows.
    setWindowTitle(tr("select\x20temporal phase for statistics"));
    auto* group = new QGroupBox(tr("time intervall"), this);
    auto* g = new QVBoxLayout(group);
    const char* names[3] = {"all records", "early years", "late years"};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = new QRadioButton(names[i], group);
        g->addWidget(buttons_[i]);
    }
    buttons_[0]->setChecked(true);
    auto* go = new QPushButton(tr("continue"), this);
    go->setObjectName("continue");
    go->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(go);
    connect(go, &QPushButton::clicked, this, &QDialog::accept);
    // The caption is read whole: the dialog is at least as wide as its title (with room
    // for the title bar's buttons).
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 140);
}

eval::Phase PhaseDialog::phase() const
{
    for (int i = 0; i < 3; ++i)
        if (buttons_[i]->isChecked()) return static_cast<eval::Phase>(i);
    return eval::Phase::All;
}

void PhaseDialog::setPhase(eval::Phase phase) { buttons_[static_cast<int>(phase)]->setChecked(true); }

StatisticsUpdate::StatisticsUpdate(std::function<db::Connection*()> connection, QWidget* dialogParent, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), parent_(dialogParent), task_(new BackgroundTask(this))
{
}

StatisticsUpdate::~StatisticsUpdate() = default;

bool StatisticsUpdate::updateStatistics(std::optional<eval::Phase> phase)
{
    db::Connection* c = connection_();
    if (!c || task_->running()) return false;
    if (!phase) {
        PhaseDialog dialog(parent_);
        dialog.exec();  // "continue" is the only way on; closing the dialog keeps the choice
        phase = dialog.phase();
    }
    result_ = {};
    const bool ok = task_->runWithProgress(
        [this, c, p = *phase](const engine::RunHooks& hooks) { result_ = workbench::update_statistics(*c, p, hooks); },
        parent_, "Update-Statistics");
    if (!ok) show_message(parent_, tr("Update-Statistics"), task_->error());
    if (rebuildTree_) rebuildTree_(0);
    return ok && !result_.cancelled;
}

bool StatisticsUpdate::scriptEvaluation(const eval::ScriptEvaluationSettings& settings)
{
    db::Connection* c = connection_();
    if (!c || task_->running()) return false;
    const bool ok = task_->runWithProgress(
        [c, settings](const engine::RunHooks& hooks) { workbench::evaluate_by_script(*c, settings, hooks); }, parent_,
        "evaluation by script");
    if (!ok) show_message(parent_, tr("evaluation by script"), task_->error());
    if (rebuildTree_) rebuildTree_(0);
    return ok;
}

bool StatisticsUpdate::treeWalk(int mode, eval::Phase phase, eval::ScriptEvaluationSettings script)
{
    switch (mode) {
    case 0: return true;
    case 1: return updateStatistics(phase);
    case 100:
    case 200: {
        const std::string n = std::to_string(mode);
        script.sqlScript = "spez" + n + "sql.txt";
        script.rScript = "spez" + n + ".r";
        return scriptEvaluation(script);
    }
    default: return false;
    }
}

bool StatisticsUpdate::refreshOutlierIndication()
{
    db::Connection* c = connection_();
    if (!c || task_->running()) return false;
    try {
        const auto s = workbench::refresh_outlier_indication(*c);
        show_message(parent_, tr("refresh outlier indication"),
                     tr("%1 groups tested, %2 observations flagged").arg(s.groups).arg(s.flagged));
    } catch (const std::exception& e) {
        show_message(parent_, tr("refresh outlier indication"), QString::fromStdString(e.what()));
        return false;
    }
    if (rebuildTree_) rebuildTree_(0);  // the weights of the observations changed
    return true;
}

} // namespace vt::gui
