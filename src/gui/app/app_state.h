#pragma once
#include <array>
#include <string>

namespace vt::gui {

// The program-wide values that the main window sets at start and every other window
// reads: interface language, power flag, application mode, the database in use.
struct AppState {
    std::string language = "E";      // "E" English, "D" German
    bool power = true;               // extended browser functions; true unless German
    bool dyn_lts = false;            // settings value "dyn_lts"
    std::string system_label = "int";  // "int" or "bio", shown in the status bar

    std::string modus = "?";         // "?", "RUX", "ACC", "KORVANIC"
    std::string appmode;             // "REGIO" or empty
    std::string database = "?";      // database chosen at start
    std::string db_f_name = "?";     // database open now
    std::string rux_ppath;           // folder of the database history file
    std::string methode;             // model method of the open database

    bool go_on = false;              // batch use: run, then end the program
    bool abbruch = false;

    std::string lastversion = "0.0.0.0";
    std::string currentversion;
    std::array<int, 4> previous_version{};

    bool german() const;
    bool korvanic() const { return modus == "KORVANIC"; }
};

// Splits "a.b.c.d" at the dots into four integers; missing or unreadable parts are 0.
std::array<int, 4> split_version(const std::string& text);

// The running program's version as four dotted numbers.
std::string program_version();

} // namespace vt::gui
