#pragma once
#include "eval/phase.h"
#include "eval/script_evaluation.h"
#include "eval/update_statistics.h"

#include <QDialog>

#include <functional>
#include <optional>

class QRadioButton;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class BackgroundTask;

// The phase dialog (its caption asks to select the temporal phase for statistics): the radio group "time intervall" with "all
// records", "early years" and "late years"; "continue" closes it.
class PhaseDialog : public QDialog {
    Q_OBJECT
public:
    explicit PhaseDialog(QWidget* parent = nullptr);
    eval::Phase phase() const;
    void setPhase(eval::Phase phase);

private:
    QRadioButton* buttons_[3];
};

// The per-plot walks of the browser tree: "Update-Statistics" (mode 1: the carbon and
// nitrogen statistics of every plot with results stored in rux_stat_corg and
// rux_stat_nt) and the script evaluations (modes 100 and 200). They run on a worker
// thread under a progress dialog; "cancel" leaves the statistics tables as they were.
// Afterwards the tree is rebuilt (mode 0) through the hook.
class StatisticsUpdate : public QObject {
    Q_OBJECT
public:
    StatisticsUpdate(std::function<db::Connection*()> connection, QWidget* dialogParent, QObject* parent = nullptr);
    ~StatisticsUpdate() override;

    void setRebuildTree(std::function<void(int mode)> rebuild) { rebuildTree_ = std::move(rebuild); }
    BackgroundTask* task() const { return task_; }

    // "Update-Statistics": asks for the phase (unless given), then walks. Returns whether
    // the walk went through (false when cancelled, refused or failed).
    bool updateStatistics(std::optional<eval::Phase> phase = {});
    // The special evaluation by the user's scripts for every plot with results.
    bool scriptEvaluation(const eval::ScriptEvaluationSettings& settings);
    // The walk of a tree rebuild in one of its evaluation modes: 1 the statistics of
    // `phase` (Update-Statistics, no dialog), 100 and 200 the first and second special
    // evaluation by script (companion SQL "spez100sql.txt" / "spez200sql.txt" and R script
    // "spez100.r" / "spez200.r" in `script.folder`). Mode 0 walks nothing. False for any
    // other mode.
    bool treeWalk(int mode, eval::Phase phase, eval::ScriptEvaluationSettings script = {});
    // "refresh outlier indication" of the result tools and of the browser's root menu:
    // Grubbs' test over the observations (quick; runs at once); its report is shown and
    // the tree rebuilt.
    bool refreshOutlierIndication();

    const eval::UpdateStatisticsResult& lastResult() const { return result_; }

private:
    std::function<db::Connection*()> connection_;
    QWidget* parent_;
    BackgroundTask* task_;
    std::function<void(int)> rebuildTree_;
    eval::UpdateStatisticsResult result_;
};

} // namespace vt::gui
