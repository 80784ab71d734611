#include "gui/app/settings_values.h"

#include "config/rux_settings.h"
#include "base/text.h"

#include <charconv>
#include <optional>
#include <stdexcept>
#include "config/settings_keys.h"

namespace vt::gui {

namespace {

std::optional<long long> parse_integer(const std::string& text)
{
    const auto t = base::trim(text);
    long long v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

} // namespace

namespace {

// The stored values in the order in which they are written. "recalc_bat" is shown as
// text and stored as an integer.
struct Field {
    const char* name;
    std::string SettingsValues::*text;
    int SettingsValues::*number;
};

const Field kFields[] = {
    {config::key::ppath, &SettingsValues::ppath, nullptr},
    {config::key::methode, &SettingsValues::methode, nullptr},
    {config::key::database, &SettingsValues::database, nullptr},
    {config::key::soil_scheme, &SettingsValues::soil_scheme, nullptr},
    {config::key::pf_wp, &SettingsValues::pf_wp, nullptr},
    {config::key::pf_fk, &SettingsValues::pf_fk, nullptr},
    {config::key::ptfmode, &SettingsValues::ptfmode, nullptr},
    {config::key::r_call, &SettingsValues::r_call, nullptr},
    {config::key::r_result, &SettingsValues::r_result, nullptr},
    {config::key::r_script, &SettingsValues::r_script, nullptr},
    {config::key::recalc_bat, nullptr, nullptr},
    {config::key::pdf_reader, &SettingsValues::pdf_reader, nullptr},
    {config::key::pdf_dir, &SettingsValues::pdf_dir, nullptr},
    {config::key::scenario, nullptr, &SettingsValues::scenario},
    {config::key::dyn_bd, nullptr, &SettingsValues::dyn_bd},
    {config::key::dyn_lts, nullptr, &SettingsValues::dyn_lts},
    {config::key::hassink, nullptr, &SettingsValues::hassink},
};

} // namespace

bool SettingsValues::load(const config::RuxSettings& s)
{
    if (!s.exists()) return false;
    for (const auto& f : kFields) {
        if (f.text) this->*f.text = s.textOr(f.name, "");
        else if (f.number) this->*f.number = static_cast<int>(s.integerOr(f.name, 0));
    }
    recalc_bat = std::to_string(s.integerOr(config::key::recalc_bat, 1));
    korvanic = static_cast<int>(s.integerOr(config::key::korvanic, 0));
    return true;
}

void SettingsValues::write(config::RuxSettings& s) const
{
    const auto bat = parse_integer(recalc_bat);
    if (!bat) throw std::invalid_argument("\"" + recalc_bat + "\" is not a valid integer value (BAT recalc)");
    for (const auto& f : kFields) {
        if (f.text) s.setText(f.name, this->*f.text);
        else if (f.number) s.setInteger(f.name, this->*f.number);
        else s.setInteger(f.name, *bat);
    }
    s.save();
}

void SettingsValues::setHassink(bool on)
{
    hassink = on ? 1 : 0;
    if (on) dyn_bd = dyn_lts = 1;
}

void SettingsValues::setDynLts(bool on)
{
    dyn_lts = on ? 1 : 0;
    if (on) dyn_bd = 1;
    else hassink = 0;
}

void SettingsValues::setDynBd(bool on)
{
    dyn_bd = on ? 1 : 0;
    if (!on) dyn_lts = hassink = 0;
}

} // namespace vt::gui
