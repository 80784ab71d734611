#pragma once
#include "config/rux_settings.h"
#include "gui/app/app_state.h"
#include "gui/app/database_session.h"
#include "gui/app/db_history.h"
#include "gui/app/startup.h"

#include <QMainWindow>

#include <functional>
#include <map>

class QComboBox;
class QLabel;
class QPushButton;

namespace vt::gui {

class SimulatorWindow;
class ClimateWindow;
class InitialSomDialog;
class ParameterViewerDialog;
class ParameterWindow;
class SimpleSoilDialog;
class SettingsDialog;
class UpdateCheckDialog;

// The window "Veltrano" ("Veltrano; Model=RUX" once a database is open), the main window:
// owns the one database connection and the program-wide values, starts the other windows
// and ends the program. While a run holds the database its editing commands are disabled
// and runActiveChanged tells the other windows to disable theirs.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class Command { PlotSelection, Parameters, ClimateData, SqlModule, DataTransfer, Settings, Manual, ChangeDatabase, End };

    // Runs the start-up: ini file, command line, settings file, version, history.
    explicit MainWindow(StartupEnv env, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& state() { return state_; }
    config::RuxSettings& settings() { return settings_; }
    DatabaseSession& session() { return session_; }
    const DbHistory& history() const { return history_; }
    SettingsDialog* settingsDialog() const { return settingsDialog_; }
    QPushButton* button(Command c) const;
    QString statusText(int panel) const;

    // A window that comes with a later part of the program makes its command available;
    // commands without a window stay hidden.
    void setCommandAction(Command c, std::function<void()> action);
    void setSimulator(SimulatorWindow* simulator);
    SimulatorWindow* simulator() const { return simulator_; }
    // "RUX-Parameter" and "RUX climate data", created with the main window.
    ParameterWindow* parameterWindow() const { return parameters_; }
    ClimateWindow* climateWindow() const { return climate_; }
    // The dialogs the browser opens for one soil, one plot's initial SOM, one crop or amendment.
    SimpleSoilDialog* simpleSoilDialog() const { return simpleSoil_; }
    InitialSomDialog* initialSomDialog() const { return initialSom_; }
    ParameterViewerDialog* cropViewer() const { return cropViewer_; }
    ParameterViewerDialog* amendmentViewer() const { return amendmentViewer_; }
    // Whether a run is going on in the simulator window (the database is then in use).
    bool runActive() const;
    // The commands that change the database or open windows that do; disabled while a
    // run holds the database.
    static constexpr Command kEditingCommands[] = {Command::Parameters, Command::ClimateData, Command::SqlModule,
                                                   Command::DataTransfer, Command::Settings, Command::ChangeDatabase};

    // The show handler: opens the database, adapts it and loads the settings. Runs once,
    // when the window is first shown.
    void connectAtShow();
    // The activation handler: runs whenever the window becomes active.
    void activate();

    // Opens another database; on failure the user may correct the path once, and when
    // it still fails the previous database stays open. Returns whether it switched.
    bool switchDatabase(const QString& path);
    // "Change System Database".
    void changeDatabase();
    // "End".
    void endProgram();
    // Asks for the PDF reader ("pdf_reader") or a PDF document whose folder becomes
    // "pdf_dir", and stores it in the settings. Returns whether a value was stored.
    bool choosePdfLocation(const QString& item);

    // The exit code of a batch run (GO): non-zero when the run failed.
    int exitCode() const { return exitCode_; }
    // A batch run nobody watches (GO with nw or !): messages go to standard error and
    // no dialog waits for an answer.
    bool unattended() const { return unattended_; }

signals:
    void databaseChanged();
    // A run started (true) or ended (false); windows disable or enable their editing
    // commands. Their statements are refused meanwhile anyway (workbench::RunHold).
    void runActiveChanged(bool active);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void applyLanguage();
    void updateCommandVisibility();
    void setRestricted(bool restricted);
    // Enables each command unless the mode restricts it or a run holds the database.
    void updateCommandAvailability();
    void onRunActiveChanged(bool active);
    void openCommand(Command c);
    void openManual();
    void showUpdateCheck();
    bool openWithRetry(const QString& path);
    void recordConnection();
    void refreshHistoryList();
    void addToHistory(const QString& path);
    void applyCommandLineSwitches();
    void runBatch();
    bool stopSimulatorForEnd();
    void message(const QString& caption, const QString& text);
    void createParameterWindows();

    StartupEnv env_;
    AppState state_;
    config::RuxSettings settings_;
    DatabaseSession session_;
    DbHistory history_;
    bool restricted_ = false;
    bool unattended_ = false;
    bool shown_ = false;
    bool batchStarted_ = false;
    bool ending_ = false;
    int exitCode_ = 0;
    std::string reportedMismatch_;

    std::map<Command, QPushButton*> buttons_;
    std::map<Command, std::function<void()>> actions_;
    QComboBox* historyList_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* panel1_ = nullptr;
    QLabel* panel2_ = nullptr;
    SettingsDialog* settingsDialog_ = nullptr;
    UpdateCheckDialog* updateCheck_ = nullptr;
    SimulatorWindow* simulator_ = nullptr;
    ParameterWindow* parameters_ = nullptr;
    ClimateWindow* climate_ = nullptr;
    SimpleSoilDialog* simpleSoil_ = nullptr;
    InitialSomDialog* initialSom_ = nullptr;
    ParameterViewerDialog* cropViewer_ = nullptr;
    ParameterViewerDialog* amendmentViewer_ = nullptr;
};

} // namespace vt::gui
