#pragma once
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vt::gui {

class MainWindow;
class ResultPageSet;
class SimulatorWindow;

// The selection panel of "database simulation" and "experiment simulation": the plots
// to run as a tick list ("all", "none", "invert"), the run's "repeat" and "from", and
// "Model run for selection".
class SelectionPanel : public QWidget {
    Q_OBJECT
public:
    explicit SelectionPanel(QWidget* parent = nullptr);

    void setEntries(const QString& caption, const QList<QPair<long long, QString>>& entries);
    QList<long long> tickedPlots() const;
    QListWidget* list() const { return list_; }
    QLineEdit* repeat() const { return repeat_; }
    QLineEdit* from() const { return from_; }
    QPushButton* runButton() const { return run_; }
    QString caption() const;

    void tickAll(Qt::CheckState state);
    void invert();

signals:
    void runRequested();
    void closeRequested();

private:
    QLabel* caption_;
    QListWidget* list_;
    QLineEdit* repeat_;
    QLineEdit* from_;
    QPushButton* run_;
};

// Runs started from the browser: "model run (plot)", "database simulation" and
// "experiment simulation". Marks the plots in site_state, hands the run to the
// simulator window, which runs it on its worker thread, and waits (the windows stay
// responsive) without touching the database until the run has ended; then it gives the
// browser back its tree, its plot and the page to show through the hooks.
class BrowserRunController : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(int mode)> rebuildTree;         // after every run: mode 0
        std::function<void(long long plot)> loadPlot;      // the run's plot, loaded anew
        std::function<void(const QString& page)> showPage; // "C-dynamics", "OM-turnover", "misc.results"
        std::function<void(const QString& text)> showBat;  // the Basic-Info page's BAT field
        std::function<void(QWidget* panel)> showPanel;     // the selection panel in front
        std::function<void(QWidget* panel)> closePanel;    // ... and away after its run
    };

    BrowserRunController(MainWindow& main, SimulatorWindow& simulator, QObject* parent = nullptr);

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Without a loadPlot hook the result pages are filled directly after a run.
    void setResultPages(ResultPageSet* pages) { pages_ = pages; }
    SelectionPanel* panel() const { return panel_; }

    // "model run (plot)": `from` and `repeat` as typed on the Basic-Info page. Returns
    // false when the run could not start (a run going on, no database, a bad number).
    bool runPlot(long long flId, const QString& from = "-99", const QString& repeat = "0");
    // "database simulation": every plot in the panel, none ticked.
    void showDatabaseSelection();
    // "experiment simulation": the plots of one experiment node (its code at the location).
    void showExperimentSelection(const QString& location, const QString& code);
    // "Model run for selection"; `reloadPlot` is the plot pressed before (0: none). The
    // panel goes once the run has ended.
    bool runSelection(long long reloadPlot = 0);
    // "close" of the panel: it goes without a run.
    void closeSelection();

    bool busy() const { return busy_; }
    // Ticks "STOP RUN" of the run going on: it ends after the current year.
    void stopRun();
    // The plot pressed in the tree before a selection run, loaded again after it.
    void setPressedPlot(long long plot) { panelReload_ = plot; }

signals:
    void runStarted();
    void runEnded(bool ok);

private:
    std::optional<int> number(const QString& text, const char* field);
    // Shows the simulator with the run's fields and waits until the run has ended.
    bool runAndWait(int from, int repeat, bool single);
    void afterRun(std::optional<long long> plot, bool single);

    MainWindow& main_;
    SimulatorWindow& sim_;
    Hooks hooks_;
    ResultPageSet* pages_ = nullptr;
    SelectionPanel* panel_;
    bool busy_ = false;
    long long panelReload_ = 0;
};

} // namespace vt::gui
