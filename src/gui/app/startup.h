#pragma once
#include "engine/run/run_configuration.h"
#include "gui/app/app_state.h"

#include <functional>
#include <string>
#include <vector>

namespace vt::config {
class RuxSettings;
}

namespace vt::gui {

// What the start-up needs from its surroundings; the main window fills it with the
// real ini file, command line and dialogs, tests with their own.
struct StartupEnv {
    std::string iniPath;                 // veltrano.ini beside the executable
    std::vector<std::string> args;       // command line without the program name
    std::string cwd;                     // working folder
    // A message box: caption, text.
    std::function<void(const std::string&, const std::string&)> message;
    // Asks for a database file with the given dialog title; empty on cancel.
    std::function<std::string(const std::string&)> askDatabase;
    // Creates the demo database at the given path (first start without a database).
    std::function<void(const std::string&)> createDemo;
};

struct StartupResult {
    bool restricted = false;   // Settings, Parameters and Data Transfer disabled
    bool firstStart = false;
};

// The main window's creation handler without the window: reads veltrano.ini, the
// DB= switch and the settings file, writes the first-start defaults, and the version.
StartupResult read_startup(AppState& state, config::RuxSettings& settings, const StartupEnv& env);

// Title of the database file dialog in the interface language.
std::string database_dialog_title(const AppState& state);

// The switches of the command line (DB=, ACC, REGIO, S+, S-, SAT+, SAT-, M=, GO, nw, !
// and the run switches), read by the parser that `veltrano-cli run` uses as well.
engine::RunSwitches command_line_switches(const std::vector<std::string>& args);

} // namespace vt::gui
