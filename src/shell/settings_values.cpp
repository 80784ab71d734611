#include "shell/settings_values.h"

#include "config/rux_settings.h"
#include "shell/app_state.h"

#include <charconv>
#include <optional>
#include <stdexcept>

namespace vt::gui {

namespace {

std::optional<long long> parse_integer(const std::string& text)
{
    const auto t = trimmed(text);
    long long v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

} // namespace

bool SettingsValues::load(const config::RuxSettings& s)
{
    if (!s.exists()) return false;
    ppath = s.textOr("ppath", "");
    methode = s.textOr("methode", "");
    database = s.textOr("database", "");
    soil_scheme = s.textOr("soil_scheme", "");
    pf_wp = s.textOr("pf_wp", "");
    pf_fk = s.textOr("pf_fk", "");
    ptfmode = s.textOr("ptfmode", "");
    r_call = s.textOr("r_call", "");
    r_result = s.textOr("r_result", "");
    r_script = s.textOr("r_script", "");
    recalc_bat = std::to_string(s.integerOr("recalc_bat", 1));
    pdf_reader = s.textOr("pdf_reader", "");
    pdf_dir = s.textOr("pdf_dir", "");
    scenario = static_cast<int>(s.integerOr("scenario", 0));
    dyn_bd = static_cast<int>(s.integerOr("dyn_bd", 0));
    dyn_lts = static_cast<int>(s.integerOr("dyn_lts", 0));
    hassink = static_cast<int>(s.integerOr("hassink", 0));
    korvanic = static_cast<int>(s.integerOr("korvanic", 0));
    return true;
}

void SettingsValues::write(config::RuxSettings& s) const
{
    const auto bat = parse_integer(recalc_bat);
    if (!bat) throw std::invalid_argument("\"" + recalc_bat + "\" is not a valid integer value (BAT recalc)");
    s.setText("ppath", ppath);
    s.setText("methode", methode);
    s.setText("database", database);
    s.setText("soil_scheme", soil_scheme);
    s.setText("pf_wp", pf_wp);
    s.setText("pf_fk", pf_fk);
    s.setText("ptfmode", ptfmode);
    s.setText("r_call", r_call);
    s.setText("r_result", r_result);
    s.setText("r_script", r_script);
    s.setInteger("recalc_bat", *bat);
    s.setText("pdf_reader", pdf_reader);
    s.setText("pdf_dir", pdf_dir);
    s.setInteger("scenario", scenario);
    s.setInteger("dyn_bd", dyn_bd);
    s.setInteger("dyn_lts", dyn_lts);
    s.setInteger("hassink", hassink);
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
