#include "engine/run/run_configuration.h"

#include "config/rux_settings.h"
#include "engine/run/run_preconditions.h"
#include "db/connection.h"
#include "db/database_traits.h"
#include "base/text.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include "config/settings_keys.h"

namespace vt::engine {

using base::to_lower;
using base::to_upper;
using base::trim;

namespace {



bool starts_exact(const std::string& p, const std::string& head) { return p.compare(0, head.size(), head) == 0; }

bool starts_any_case(const std::string& p, const std::string& head)
{
    return to_upper(p.substr(0, head.size())) == to_upper(head);
}

// Characters `from` (1-based) to `to` of a parameter, as far as it reaches.
std::string chars(const std::string& p, std::size_t from, std::size_t to)
{
    if (p.size() < from) return {};
    return p.substr(from - 1, to - from + 1);
}

std::optional<long long> to_integer(const std::string& text)
{
    const std::string t = trim(text);
    long long v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

// A stored number: NULL or text that is not a number gives nothing.
std::optional<double> to_number(const db::Value& v)
{
    if (v.isNumber()) return v.toDouble();
    if (!v.isText()) return std::nullopt;
    const std::string t = trim(v.toString());
    double d = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return d;
}

// An integer switch value; an unreadable one keeps the value before it.
void integer_switch(std::optional<int>& target, const std::string& param, const std::string& text, ConfigWarnings& w)
{
    if (auto v = to_integer(text)) target = static_cast<int>(*v);
    else w.push_back("switch \"" + param + "\": \"" + text + "\" is not a number, ignored");
}

// PPQ=file / POQ=file: the script file, or "?" when it does not exist; a run does not
// start without the script it was given.
void script_switch(bool& enabled, std::string& file, const std::optional<std::string>& given, const char* name,
                   std::vector<std::string>& errors)
{
    if (!given) return;
    file = *given;
    enabled = std::filesystem::exists(file);
    if (!enabled) {
        errors.push_back(std::string("switch ") + name + ": the script file \"" + file + "\" does not exist");
        file = "?";
    }
}

bool is_script_switch(const std::string& param, const char* name)
{
    return to_upper(param).find(name) != std::string::npos && param.size() > 3 && param[3] == '=';
}

} // namespace

void apply_settings(RunConfig& cfg, const config::RuxSettings& s, ConfigWarnings& w)
{
    const auto warn = [&w](const std::string& line) { w.push_back(line); };
    if (!s.exists()) {
        if (cfg.database == "?") cfg.database = (std::filesystem::current_path() / "rux_data.db").string();
        cfg.methode = "RUX";
        cfg.pf_wp = 4.2;
        cfg.pf_fk = 1.8;
        cfg.z_cnt = 0;
        cfg.z_anf = 0;
        cfg.recalc_bat = true;
        cfg.soil_scheme = "RBS";
        // Without the settings of a first start no pedotransfer method would be chosen
        // and every estimated water content would be 0; take the first-start choice.
        if (cfg.hymode == 0) {
            cfg.hymode = 3;
            w.push_back("no settings found (" + s.path() + "): ptfmode 3 as on a first start");
        }
        return;
    }
    // The method stays the caller's (the browser asks for "RUX"; "M=" binds it later):
    // the stored "methode" is the database's model, not the run's.
    if (cfg.database == "?") cfg.database = s.textOr(config::key::database, "?");
    cfg.hymode = static_cast<int>(s.integerOr(config::key::ptfmode, cfg.hymode, warn, true));
    cfg.pf_wp = s.tenthsOr(config::key::pf_wp, 4.2, warn);
    cfg.pf_fk = s.tenthsOr(config::key::pf_fk, 1.8, warn);
    cfg.recalc_bat = s.flagOr(config::key::recalc_bat, true, warn, true);
    cfg.soil_scheme = trim(s.textOr(config::key::soil_scheme, ""));
    if (cfg.soil_scheme.empty()) {
        w.push_back("setting \"soil_scheme\" missing, using RBS");
        cfg.soil_scheme = "RBS";
    }
    cfg.r_call = s.textOr(config::key::r_call, "");
    cfg.r_script = s.textOr(config::key::r_script, "");
    cfg.r_result = s.textOr(config::key::r_result, "");
    cfg.dyn_lts = s.flagOr(config::key::dyn_lts, false);
    cfg.dyn_bd = s.flagOr(config::key::dyn_bd, false);
    cfg.hassink = static_cast<int>(s.integerOr(config::key::hassink, 0, warn));
    cfg.scenario_ctrl = static_cast<int>(s.integerOr(config::key::scenario, 0, warn));
}

std::string method_named(const std::string& nameOrCode)
{
    static const std::pair<const char*, const char*> kMethods[] = {
        {"LUF", "LUFA"},  {"RUX", "RUX"},    {"STA", "STAND"},  {"SAL", "SALCA"},
        {"HUM", "HUMOD"}, {"HHE", "HUBAHE"}, {"HUG", "HUBAUG"}, {"HOG", "HUBAOG"},
    };
    for (const auto& [code, name] : kMethods)
        if (nameOrCode == name || nameOrCode == code) return name;
    return {};
}

RunSwitches parse_run_switches(const std::vector<std::string>& args, ConfigWarnings& w)
{
    RunSwitches s;
    for (const auto& p : args) {
        const std::string up = to_upper(p);
        if (starts_any_case(p, "DB=")) s.database = p.substr(3);
        if (base::starts_with(up, "ACC")) s.modus = "ACC";
        if (base::starts_with(up, "REGIO")) s.regio = true;
        if (starts_exact(p, "S+")) s.scenario = 1;
        if (starts_exact(p, "S-")) s.scenario = 0;
        if (base::starts_with(up, "SAT+")) s.hassink = 1;
        if (base::starts_with(up, "SAT-")) s.hassink = 0;
        if (starts_exact(p, "ERR_P")) {
            s.errorProtocolRun = -99;
            if (p.size() > 6) integer_switch(s.errorProtocolRun, p, chars(p, 7, 12), w);
        }
        if (up == "GO") s.go = true;
        if (starts_any_case(p, "BAT")) s.recalcBat = p.size() >= 5 && p[4] == '1';
        if (p == "new_bat") s.newBat = true;
        if (starts_exact(p, "M=")) {
            const std::string given = trim(chars(p, 3, 8));
            std::string named = method_named(given);
            if (named.empty()) named = method_named(chars(p, 3, 5));
            s.modus = "KORVANIC";
            s.methodKnown = !named.empty();
            s.method = s.methodKnown ? named : given;
        }
        if (starts_any_case(p, "RC=")) integer_switch(s.repeatCycles, p, chars(p, 4, 7), w);
        if (starts_any_case(p, "TC=")) integer_switch(s.repeatStart, p, chars(p, 4, 7), w);
        if (starts_exact(p, "SC=")) s.soilScheme = chars(p, 4, 6);
        if (starts_exact(p, "I=")) integer_switch(s.interpolation, p, chars(p, 3, 4), w);
        if (up == "NW" || p == "!") s.nowait = true;
        if (is_script_switch(p, "PPQ")) s.preQuery = p.substr(4);
        if (is_script_switch(p, "POQ")) s.postQuery = p.substr(4);
        if (starts_exact(p, "UNCAS")) s.uncas = true;
        if (starts_exact(p, "ID=")) s.plotId = p.substr(3);
    }
    return s;
}

bool apply_switches(RunConfig& cfg, const RunSwitches& s)
{
    if (s.errorProtocolRun) {
        cfg.sim_prot = true;
        cfg.run_id = *s.errorProtocolRun;
    }
    if (s.go) cfg.auto_mode = true;
    if (s.recalcBat) cfg.recalc_bat = *s.recalcBat;
    if (s.newBat) cfg.simple_version = false;
    if (s.method) cfg.methode = *s.method;
    if (s.repeatCycles) cfg.z_cnt = *s.repeatCycles;
    if (s.repeatStart) cfg.z_anf = *s.repeatStart;
    if (s.soilScheme) cfg.soil_scheme = *s.soilScheme;
    if (s.interpolation) cfg.interpol = *s.interpolation;
    if (s.nowait) cfg.nowait = true;
    script_switch(cfg.pre_processing, cfg.pre_proc_query, s.preQuery, "PPQ", cfg.config_errors);
    script_switch(cfg.pst_processing, cfg.pst_proc_query, s.postQuery, "POQ", cfg.config_errors);
    if (s.uncas) cfg.uncas_mode = true;
    if (s.plotId) cfg.sel_id = *s.plotId;
    return s.method.has_value();
}

bool apply_switches(RunConfig& cfg, const std::vector<std::string>& args, ConfigWarnings& w)
{
    return apply_switches(cfg, parse_run_switches(args, w));
}

void bind_method(RunConfig& cfg, config::RuxSettings& settings, db::Connection& c, const RunHooks& hooks,
                 ConfigWarnings& w)
{
    const bool korvanic = settings.integerOr(config::key::korvanic, 0) == 1;
    try {
        if (korvanic) {
            settings.setText(config::key::methode, cfg.methode);
            db::store_method(c, cfg.methode);
        } else {
            const std::string bound = db::stored_method(c);
            if (bound.empty()) {
                w.push_back("vtn_setting holds no method; using " + cfg.methode);
                return;
            }
            if (bound != cfg.methode) hooks.show(" attention", "general error (2)");
            cfg.methode = bound;
            settings.setText(config::key::methode, bound);
        }
    } catch (const db::DbError& e) {
        w.push_back(std::string("method binding: ") + e.what() + "; using " + cfg.methode);
        return;
    }
    try {
        settings.save();
    } catch (const std::exception& e) {
        w.push_back(std::string("settings not saved: ") + e.what());
    }
}

ModelConstants load_model_constants(db::Connection& c)
{
    ModelConstants k;
    try {
        auto row = c.query("SELECT * FROM gldaparm WHERE item_ix=1");
        if (row.eof()) return k;
        const std::pair<const char*, double*> order[] = {
            {"K_STAB", &k.ks}, {"K_AOS", &k.km},    {"K_AKT", &k.ka}, {"K_DEG", &k.kd},
            {"CNR_OBS", &k.cnrsom}, {"H_PWP", &k.hpwp}, {"H_FC", &k.hfc},
        };
        for (const auto& [column, target] : order) {
            if (!row.hasField(column)) break;
            const auto v = to_number(row.field(column));
            if (!v) break;
            *target = *v;
        }
    } catch (const db::DbError&) {
    }
    return k;
}

RunConfig read_run_configuration(RunConfig cfg, config::RuxSettings& settings, const std::vector<std::string>& args,
                                 db::Connection& c, const RunHooks& hooks)
{
    // The command-line dependent state starts afresh on every activation.
    cfg.uncas_mode = false;
    cfg.sim_prot = false;
    cfg.run_id = -99;
    cfg.sel_id = "?";
    cfg.nowait = false;
    cfg.auto_mode = false;
    cfg.pre_processing = false;
    cfg.pre_proc_query = "?";
    cfg.pst_processing = false;
    cfg.pst_proc_query = "?";
    cfg.simple_version = true;
    cfg.config_errors = settings_problems(settings);

    ConfigWarnings warnings;
    apply_settings(cfg, settings, warnings);
    if (apply_switches(cfg, args, warnings)) bind_method(cfg, settings, c, hooks, warnings);
    cfg.k = load_model_constants(c);
    cfg.config_warnings = std::move(warnings);
    return cfg;
}

} // namespace vt::engine
