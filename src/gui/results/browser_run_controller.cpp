#include "gui/results/browser_run_controller.h"

#include "db/connection.h"
#include "gui/app/main_window.h"
#include "gui/results/result_pages.h"
#include "gui/simulator/simulator_window.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/results_runs.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vt::gui {

SelectionPanel::SelectionPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName("SelectionPanel");
    caption_ = new QLabel(this);
    caption_->setObjectName("caption");
    QFont f = caption_->font();
    f.setBold(true);
    caption_->setFont(f);
    list_ = new QListWidget(this);
    list_->setObjectName("plots");
    auto* all = new QPushButton(tr("all"), this);
    auto* none = new QPushButton(tr("none"), this);
    auto* invert = new QPushButton(tr("invert"), this);
    all->setObjectName("all");
    none->setObjectName("none");
    invert->setObjectName("invert");
    repeat_ = new QLineEdit("0", this);
    repeat_->setObjectName("repeat");
    repeat_->setMaximumWidth(60);
    from_ = new QLineEdit("-99", this);
    from_->setObjectName("from");
    from_->setMaximumWidth(60);
    run_ = new QPushButton(tr("Model run for selection"), this);
    run_->setObjectName("run_selection");
    auto* close = new QPushButton(tr("close"), this);
    close->setObjectName("close");

    auto* ticks = new QHBoxLayout;
    ticks->addWidget(all);
    ticks->addWidget(none);
    ticks->addWidget(invert);
    ticks->addStretch();
    auto* run = new QHBoxLayout;
    run->addWidget(new QLabel(tr("repeat"), this));
    run->addWidget(repeat_);
    run->addWidget(new QLabel(tr("from"), this));
    run->addWidget(from_);
    run->addStretch();
    run->addWidget(run_);
    run->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addLayout(ticks);
    layout->addWidget(list_, 1);
    layout->addLayout(run);

    connect(all, &QPushButton::clicked, this, [this] { tickAll(Qt::Checked); });
    connect(none, &QPushButton::clicked, this, [this] { tickAll(Qt::Unchecked); });
    connect(invert, &QPushButton::clicked, this, &SelectionPanel::invert);
    connect(run_, &QPushButton::clicked, this, &SelectionPanel::runRequested);
    connect(close, &QPushButton::clicked, this, &SelectionPanel::closeRequested);
}

void SelectionPanel::setEntries(const QString& caption, const QList<QPair<long long, QString>>& entries)
{
    caption_->setText(caption);
    list_->clear();
    for (const auto& [plot, text] : entries) {
        auto* item = new QListWidgetItem(text, list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, plot);
    }
}

QString SelectionPanel::caption() const { return caption_->text(); }

QList<long long> SelectionPanel::tickedPlots() const
{
    QList<long long> plots;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->checkState() == Qt::Checked) plots << list_->item(i)->data(Qt::UserRole).toLongLong();
    return plots;
}

void SelectionPanel::tickAll(Qt::CheckState state)
{
    for (int i = 0; i < list_->count(); ++i) list_->item(i)->setCheckState(state);
}

void SelectionPanel::invert()
{
    for (int i = 0; i < list_->count(); ++i) {
        auto* item = list_->item(i);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

BrowserRunController::BrowserRunController(MainWindow& main, SimulatorWindow& simulator, QObject* parent)
    : QObject(parent), main_(main), sim_(simulator), panel_(new SelectionPanel)
{
    connect(panel_, &SelectionPanel::runRequested, this, [this] { runSelection(panelReload_); });
    connect(panel_, &SelectionPanel::closeRequested, this, &BrowserRunController::closeSelection);
    connect(this, &QObject::destroyed, panel_, [p = panel_] {
        if (!p->parent()) delete p;
    });
}

std::optional<int> BrowserRunController::number(const QString& text, const char* field)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) {
        show_message(nullptr, tr("model run"), QString("'%1' is not a valid integer value (%2)").arg(text, field));
        return std::nullopt;
    }
    return v;
}

bool BrowserRunController::runPlot(long long flId, const QString& from, const QString& repeat)
{
    db::Connection* c = main_.session().connection();
    if (busy_ || sim_.running() || !c) {
        show_message(nullptr, tr("model run"), c ? "A run is in progress." : "No database is open.");
        return false;
    }
    try {
        workbench::select_single_plot(*c, flId);
    } catch (const std::exception& e) {
        show_message(nullptr, tr("model run"), QString::fromStdString(e.what()));
        return false;
    }
    const auto z_anf = number(from, "from");
    const auto z_cnt = number(repeat, "repeat");
    if (!z_anf || !z_cnt) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = runAndWait(*z_anf, *z_cnt, true);
    afterRun(flId, true);
    QApplication::restoreOverrideCursor();
    return ok;
}

void BrowserRunController::showDatabaseSelection()
{
    db::Connection* c = main_.session().connection();
    if (!c || busy_) return;
    QList<QPair<long long, QString>> entries;
    for (const auto& e : workbench::database_selection(*c)) entries.append({e.plot, QString::fromStdString(e.text)});
    panel_->setEntries(tr("choose plots for simulation"),
                       entries);
    if (hooks_.showPanel) hooks_.showPanel(panel_);
}

void BrowserRunController::closeSelection()
{
    if (hooks_.closePanel) hooks_.closePanel(panel_);
}

void BrowserRunController::showExperimentSelection(const QString& location, const QString& code)
{
    db::Connection* c = main_.session().connection();
    if (!c || busy_) return;
    QList<QPair<long long, QString>> entries;
    for (const auto& e : workbench::experiment_selection(*c, {code.toStdString(), location.toStdString()}))
        entries.append({e.plot, QString::fromStdString(e.text)});
    panel_->setEntries(location, entries);
    if (hooks_.showPanel) hooks_.showPanel(panel_);
}

bool BrowserRunController::runSelection(long long reloadPlot)
{
    db::Connection* c = main_.session().connection();
    if (busy_ || sim_.running() || !c) {
        show_message(nullptr, tr("model run"), c ? "A run is in progress." : "No database is open.");
        return false;
    }
    std::vector<long long> plots;
    for (long long p : panel_->tickedPlots()) plots.push_back(p);
    try {
        workbench::select_plots_for_run(*c, plots);
    } catch (const std::exception& e) {
        show_message(nullptr, tr("model run"), QString::fromStdString(e.what()));
        return false;
    }
    const auto z_anf = number(panel_->from()->text(), "from");
    const auto z_cnt = number(panel_->repeat()->text(), "repeat");
    if (!z_anf || !z_cnt) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = runAndWait(*z_anf, *z_cnt, false);
    closeSelection();
    afterRun(reloadPlot > 0 ? std::optional<long long>(reloadPlot) : std::nullopt, false);
    QApplication::restoreOverrideCursor();
    return ok;
}

bool BrowserRunController::runAndWait(int from, int repeat, bool single)
{
    busy_ = true;
    emit runStarted();
    sim_.autoclick = true;
    sim_.z_anf = from;
    sim_.z_cnt = repeat;
    sim_.singlemode = single;
    sim_.nowait = false;  // messages of the run reach the user; the window is closed below
    sim_.methode = "RUX";
    bool ok = false;
    bool ended = false;
    QEventLoop loop;
    auto finished = connect(&sim_, &SimulatorWindow::runFinished, &loop, [&](bool success) {
        ok = success;
        ended = true;
        loop.quit();
    });
    // A window closed before its run started (no database, a failed activation).
    auto hidden = connect(&sim_, &SimulatorWindow::hidden, &loop, [&] {
        if (!sim_.running()) {
            ended = true;
            loop.quit();
        }
    });
    // A simulator window opened on its own before is activated anew for this run.
    if (sim_.isVisible()) sim_.activateRun();
    else sim_.show();
    sim_.raise();
    if (!ended && (sim_.running() || sim_.isVisible())) loop.exec();
    disconnect(finished);
    disconnect(hidden);
    if (sim_.isVisible() && !sim_.running()) sim_.close();
    sim_.singlemode = false;
    sim_.autoclick = false;
    busy_ = false;
    emit runEnded(ok);
    return ok;
}

void BrowserRunController::stopRun()
{
    if (sim_.running()) sim_.requestStop();
}

void BrowserRunController::afterRun(std::optional<long long> plot, bool single)
{
    main_.state().modus = "RUX";
    db::Connection* c = main_.session().connection();
    if (!c) return;
    std::string icon;
    try {
        if (single && plot) {
            const auto bat = workbench::mean_bat_of_run(*c, *plot);
            if (hooks_.showBat)
                hooks_.showBat(bat ? QString::number(std::round(*bat * 10) / 10, 'f', 1) : QString("?"));
            if (bat && main_.session().methode() == "RUX") workbench::store_mean_bat(*c, *plot, *bat);
        }
        if (plot) icon = workbench::plot_initial_condition(*c, *plot);
    } catch (const std::exception& e) {
        show_message(nullptr, tr("model run"), QString::fromStdString(e.what()));
    }
    if (hooks_.rebuildTree) hooks_.rebuildTree(0);
    if (!plot) return;
    if (hooks_.loadPlot) hooks_.loadPlot(*plot);
    else if (pages_) pages_->showPlot(*plot);
    if (!single) return;
    QString page = sim_.methode == "RUX" ? "C-dynamics" : "misc.results";
    if (sim_.methode == "RUX" && icon != "null") page = "OM-turnover";
    if (hooks_.showPage) hooks_.showPage(page);
    else if (pages_) pages_->showPage(page);
}

} // namespace vt::gui
