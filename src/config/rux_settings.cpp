#include "config/rux_settings.h"

#include "base/text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include "config/settings_keys.h"

namespace vt::config {

namespace {

std::optional<double> parse_number(const std::string& s)
{
    std::string t = s;
    // Values written under a decimal-comma locale read back as well.
    for (char& c : t)
        if (c == ',') c = '.';
    t = base::trim(t, " ");
    if (t.empty()) return std::nullopt;
    double v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    // "nan" and "inf" read as numbers but are none a setting may hold.
    if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

std::optional<double> RuxSettings::number(const std::string& name) const
{
    const auto v = text(name);
    return v ? parse_number(*v) : std::nullopt;
}

std::string settings_path()
{
    if (const char* env = std::getenv("VELTRANO_CONFIG"); env && *env) return env;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) home = h;
    else home = std::filesystem::current_path().string();
    return (std::filesystem::path(home) / ".config" / "veltrano" / "rux.ini").string();
}

RuxSettings::RuxSettings(std::string path) : ini_(std::move(path)) { ini_.load(); }

void RuxSettings::reload() { ini_.load(); }

std::optional<std::string> RuxSettings::text(const std::string& name) const { return ini_.get(kSection, name); }

std::string RuxSettings::textOr(const std::string& name, const std::string& fallback) const
{
    auto v = text(name);
    return v ? *v : fallback;
}

long long RuxSettings::integerOr(const std::string& name, long long fallback, const Warn& warn, bool warnMissing) const
{
    const auto v = text(name);
    if (!v || v->empty()) {
        if (warn && warnMissing) warn("setting \"" + name + "\" missing, using " + std::to_string(fallback));
        return fallback;
    }
    auto d = parse_number(*v);
    // Beyond the range of an integer the value cannot be converted.
    if (d && std::fabs(*d) >= 9.2e18) d.reset();
    if (!d) {
        if (warn) warn("setting \"" + name + "\" is not a number (\"" + *v + "\"), using " + std::to_string(fallback));
        return fallback;
    }
    return static_cast<long long>(*d);
}

bool RuxSettings::flagOr(const std::string& name, bool fallback, const Warn& warn, bool warnMissing) const
{
    return integerOr(name, fallback ? 1 : 0, warn, warnMissing) != 0;
}

double RuxSettings::tenthsOr(const std::string& name, double fallback, const Warn& warn) const
{
    const auto v = text(name);
    const auto d = v ? parse_number(*v) : std::nullopt;
    if (!d) {
        if (warn) warn("setting \"" + name + "\" missing or not a number, using " + std::to_string(fallback));
        return fallback;
    }
    return *d / 10.0;
}

void RuxSettings::setText(const std::string& name, const std::string& value) { ini_.set(kSection, name, value); }

void RuxSettings::setInteger(const std::string& name, long long value) { ini_.set(kSection, name, std::to_string(value)); }

void RuxSettings::writeFirstStartDefaults(const std::string& database, const std::string& ppath)
{
    setText(config::key::database, database);
    setText(config::key::ppath, ppath);
    setText(config::key::methode, "RUX");
    setText(config::key::pf_fk, "18");
    setText(config::key::pf_wp, "42");
    setText(config::key::ptfmode, "3");
    // R is found on the PATH when r_call is empty.
    setText(config::key::r_call, "");
    setText(config::key::r_script, "anyscript.r");
    setText(config::key::r_result, "anyname.txt");
    setText(config::key::soil_scheme, "RBS");
    setInteger(config::key::recalc_bat, 1);
    setInteger(config::key::power, 0);
    setText(config::key::language, "E");
    save();
}

std::function<void(const std::string&)> methode_store(RuxSettings* settings)
{
    if (!settings) return {};
    return [settings](const std::string& methode) {
        settings->setText(config::key::methode, methode);
        try {
            settings->save();
        } catch (const std::exception&) {
            // A convenience copy: the database keeps the method.
        }
    };
}

} // namespace vt::config
