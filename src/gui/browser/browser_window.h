#pragma once
#include "gui/browser/browser_tree_model.h"

#include <QPersistentModelIndex>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTreeView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class BasicInfoPage;
class ExperimentTableView;
class MainWindow;
class ManagementPage;
class ObservationPage;
class ShiftPlotsDialog;

// The window "DATABASE": the experiment tree of the open database on the left and the
// pages of the loaded plot on the right ("Basic-Info", "Management", "Observation", and
// the result pages that are added to it). The tree's menus create, copy, move and delete
// plots and experiments and renumber their keys; plots dragged onto plots copy management
// events or observations.
class BrowserWindow : public QWidget {
    Q_OBJECT
public:
    explicit BrowserWindow(MainWindow& main, QWidget* parent = nullptr);
    ~BrowserWindow() override;

    // The plot pages; result pages are added with addPage.
    QTabWidget* pageTabs() const { return pages_; }
    void addPage(QWidget* page, const QString& caption);
    // A panel in front of the plot pages while it is in use (the selection of a run); with
    // no plot loaded it stands alone. closePanel takes it away again.
    void showPanel(QWidget* panel, const QString& caption);
    void closePanel(QWidget* panel);
    // FL_ID of the loaded plot; -1 when none is loaded.
    long long currentPlot() const { return activePlot_; }
    QTreeView* treeView() const { return tree_; }
    BrowserTreeModel* treeModel() const { return model_; }
    BasicInfoPage* basicInfoPage() const { return basicInfo_; }
    ManagementPage* managementPage() const { return management_; }
    ObservationPage* observationPage() const { return observation_; }
    ExperimentTableView* tableView() const { return tableView_; }
    bool tableViewShown() const;
    bool regionalMode() const { return regionalMode_; }
    // The location of the current experiment (set by presses on experiment, folder and files nodes).
    QString currentLocation() const { return gldDb_; }
    // Whether the plot pages are in front (else the empty placeholder).
    bool pagesShown() const;

    // A press on a node: the left button loads it (Shift keeps the current page in front),
    // the right button returns its menu (or null), which the caller shows or triggers.
    QMenu* pressNode(const QModelIndex& index, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Finds a plot node by its label (exactly or as a part) in the experiments of a
    // location and loads the first one in tree order; returns whether one was found.
    bool clickOnItem(const QString& location, const QString& label, bool exact);
    // A plot dropped on a plot: copies by the page in front, after asking.
    void copyDropped(long long source, long long target);
    // The per-plot evaluations of the tree's modes 1 (statistics of the phase in use), 100
    // and 200 (the special evaluations by script), carried out by the result tools.
    void setEvaluationWalk(std::function<void(int mode, int phase)> walk) { evaluationWalk_ = std::move(walk); }

signals:
    void plotLoaded(long long flId);
    // Commands of the tree's menus that other windows carry out; their entries are offered
    // only while something is connected.
    void experimentSimulationRequested(const QString& location, const QString& code);
    // "calibrate…" and "uncertainty…" of an experiment's menu.
    void calibrationRequested(const QString& location, const QString& code);
    void uncertaintyRequested(const QString& location, const QString& code);
    void databaseSimulationRequested();
    void updateStatisticsRequested();
    // "refresh outlier indication", carried out by the result tools.
    void outlierRefreshRequested();
    void nitrogenBalanceRequested();
    // "model run (plot)" with the page's "from" and "repeat", after the page was saved.
    void plotRunRequested(long long flId, const QString& from, const QString& repeat);

public slots:
    // Rebuilds the whole tree; modes 1, 100 and 200 first run the per-plot evaluations of
    // every plot with results (through the evaluation walk, with its progress).
    void rebuildTree(int mode = 0);
    // Loads a plot as a left click on its node does.
    void loadPlot(long long flId);
    // Brings the page with this caption (English or German) to the front.
    void showPage(const QString& caption);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    db::Connection* connection() const;
    bool german() const;
    void open();
    void activate();
    void detectRegionalMode();
    void applyModeRules();
    void setCaption();
    void loadNode(const QModelIndex& index, bool keepPage);
    void hidePlotPages();
    void restorePanelHidden();
    void setPageVisible(const QString& caption, bool visible);
    QString currentPageCaption() const;
    QMenu* menuFor(const QModelIndex& index);
    bool runOperation(const QString& caption, const std::function<void()>& op);

    // Menu commands.
    void copyPlot(long long flId);
    void deletePlot(long long flId);
    void addPlot(const QModelIndex& folder);
    void moveActivePlot();
    void deleteExperiment(const QModelIndex& experiment);
    void createExperiment();
    void shiftPlots(const QModelIndex& experiment);
    void shiftExperimentId(const QModelIndex& experiment);
    void openRegioMode();

    MainWindow& main_;
    BrowserTreeModel* model_;
    QTreeView* tree_;
    QStackedWidget* right_;
    QWidget* placeholder_;
    QTabWidget* pages_;
    BasicInfoPage* basicInfo_;
    ManagementPage* management_;
    ObservationPage* observation_;
    ExperimentTableView* tableView_;
    ShiftPlotsDialog* shiftDialog_ = nullptr;
    QPushButton* end_;

    long long pressedPlot_ = -1;     // plot of the node under the last press (a_item)
    long long activePlot_ = -1;      // plot loaded (active_item)
    QString gldDb_;                  // location of the current experiment
    QString curDb_ = "?", curSite_ = "?";
    QString regState_;
    bool regionalMode_ = false;
    bool dragging_ = false;          // set by the first drag, for the life of the window
    int phaseSelect_ = 0;
    int recs_ = 0;
    Qt::MouseButton pressButton_ = Qt::LeftButton;  // of the last press in the tree
    Qt::KeyboardModifiers pressModifiers_;
    std::function<void(int, int)> evaluationWalk_;
    QList<QWidget*> panelHidden_;    // plot pages hidden while a panel stands alone
};

} // namespace vt::gui
