#pragma once
#include "config/ini_file.h"

#include <functional>
#include <optional>
#include <string>

namespace vt::config {

// Where the per-user settings live: $VELTRANO_CONFIG, else ~/.config/veltrano/rux.ini.
std::string settings_path();

// The per-user settings: section [rux] of the settings file, with the value names and
// types the program has always used ("ptfmode", "pf_wp", "recalc_bat", ...). Text values
// are stored as typed; integer values as decimal numbers.
class RuxSettings {
public:
    static constexpr const char* kSection = "rux";

    // Receives a line for the run log when a stored value is missing or unreadable and
    // its default is used instead.
    using Warn = std::function<void(const std::string&)>;

    explicit RuxSettings(std::string path = settings_path());

    const std::string& path() const { return ini_.path(); }
    // Re-reads the file. The key "exists" when the file holds a [rux] section.
    void reload();
    bool exists() const { return ini_.hasSection(kSection); }
    void save() const { ini_.save(); }

    std::optional<std::string> text(const std::string& name) const;
    std::string textOr(const std::string& name, const std::string& fallback) const;
    // A value as a finite number (a decimal comma reads as a point); empty when it is
    // missing or reads as none.
    std::optional<double> number(const std::string& name) const;
    // An integer value; a missing, empty or non-numeric value gives `fallback`, with a
    // warning for values that are present but unreadable (and for missing ones when
    // `warnMissing` is set).
    long long integerOr(const std::string& name, long long fallback, const Warn& warn = {}, bool warnMissing = false) const;
    // A boolean stored as an integer: non-zero is true.
    bool flagOr(const std::string& name, bool fallback, const Warn& warn = {}, bool warnMissing = false) const;
    // A real number stored as text in tenths ("42" for 4.2), as pf_wp and pf_fk are.
    double tenthsOr(const std::string& name, double fallback, const Warn& warn = {}) const;

    void setText(const std::string& name, const std::string& value);
    void setInteger(const std::string& name, long long value);

    // The first start: creates the key with its default values (database path and
    // program folder as given) and saves the file.
    void writeFirstStartDefaults(const std::string& database, const std::string& ppath);

    IniFile& ini() { return ini_; }

private:
    IniFile ini_;
};

// Stores the database's model method as "methode" in `settings` (nothing when null); the
// per-user settings keep a convenience copy, so a settings file that cannot be written is
// no error. For db::adapt_datamodel.
std::function<void(const std::string&)> methode_store(RuxSettings* settings);

} // namespace vt::config
