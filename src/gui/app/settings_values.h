#pragma once
#include <string>

namespace vt::config {
class RuxSettings;
}

namespace vt::gui {

// The values of the settings dialog, as kept in the [rux] section of the settings file.
struct SettingsValues {
    std::string ppath;
    std::string methode;
    std::string database;
    std::string soil_scheme;
    std::string pf_wp;
    std::string pf_fk;
    std::string ptfmode;
    std::string r_call;
    std::string r_result;
    std::string r_script;
    std::string recalc_bat = "1";   // shown as text, stored as an integer
    std::string pdf_reader;
    std::string pdf_dir;
    int scenario = 0;               // save SOM state: 0 never, 1 finally, 2 every year
    int dyn_bd = 0;
    int dyn_lts = 0;
    int hassink = 0;
    int korvanic = 0;               // read only: > 0 makes the method editable

    // Loads every value; missing texts read as empty, missing integers as 0 (recalc_bat
    // as 1). Returns false when the file has no [rux] section (nothing is loaded).
    bool load(const config::RuxSettings& s);
    // Writes the values in their fixed order and saves the file. Throws
    // std::invalid_argument before writing anything when "BAT recalc" is not a number.
    void write(config::RuxSettings& s) const;

    // The option interlocks: Hassink saturation needs a dynamic LTS pool, which needs a
    // dynamic bulk density.
    void setHassink(bool on);
    void setDynLts(bool on);
    void setDynBd(bool on);
};

} // namespace vt::gui
