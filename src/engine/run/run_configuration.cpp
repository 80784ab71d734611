#include "engine/run/run_configuration.h"

#include "config/rux_settings.h"
#include "engine/run/run_preconditions.h"
#include "db/connection.h"
#include "base/text.h"

#include <charconv>
#include <filesystem>
#include <optional>

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

// An integer switch value; an unreadable one keeps the current value.
template <typename T>
void integer_switch(T& target, const std::string& param, const std::string& text, ConfigWarnings& w)
{
    if (auto v = to_integer(text)) target = static_cast<T>(*v);
    else w.push_back("switch \"" + param + "\": \"" + text + "\" is not a number, ignored");
}

// PPQ=file / POQ=file: the script file, or "?" when it does not exist; a run does not
// start without the script it was given.
void script_switch(bool& enabled, std::string& file, const std::string& param, std::vector<std::string>& errors)
{
    file = param.substr(4);
    enabled = std::filesystem::exists(file);
    if (!enabled) {
        errors.push_back("switch " + param.substr(0, 3) + ": the script file \"" + file + "\" does not exist");
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
    if (cfg.database == "?") cfg.database = s.textOr("database", "?");
    cfg.hymode = static_cast<int>(s.integerOr("ptfmode", cfg.hymode, warn, true));
    cfg.pf_wp = s.tenthsOr("pf_wp", 4.2, warn);
    cfg.pf_fk = s.tenthsOr("pf_fk", 1.8, warn);
    cfg.recalc_bat = s.flagOr("recalc_bat", true, warn, true);
    cfg.soil_scheme = trim(s.textOr("soil_scheme", ""));
    if (cfg.soil_scheme.empty()) {
        w.push_back("setting \"soil_scheme\" missing, using RBS");
        cfg.soil_scheme = "RBS";
    }
    cfg.r_call = s.textOr("r_call", "");
    cfg.r_script = s.textOr("r_script", "");
    cfg.r_result = s.textOr("r_result", "");
    cfg.dyn_lts = s.flagOr("dyn_lts", false);
    cfg.dyn_bd = s.flagOr("dyn_bd", false);
    cfg.hassink = static_cast<int>(s.integerOr("hassink", 0, warn));
    cfg.scenario_ctrl = static_cast<int>(s.integerOr("scenario", 0, warn));
}

bool apply_switches(RunConfig& cfg, const std::vector<std::string>& args, ConfigWarnings& w)
{
    bool methodGiven = false;
    for (const auto& p : args) {
        if (starts_exact(p, "ERR_P")) {
            cfg.sim_prot = true;
            cfg.run_id = -99;
            if (p.size() > 6) integer_switch(cfg.run_id, p, chars(p, 7, 12), w);
        }
        if (to_upper(p) == "GO") cfg.auto_mode = true;
        if (starts_any_case(p, "BAT")) cfg.recalc_bat = p.size() >= 5 && p[4] == '1';
        if (p == "new_bat") cfg.simple_version = false;
        if (starts_exact(p, "M=")) {
            cfg.methode = trim(chars(p, 3, 8));
            methodGiven = true;
        }
        if (starts_any_case(p, "RC=")) integer_switch(cfg.z_cnt, p, chars(p, 4, 7), w);
        if (starts_any_case(p, "TC=")) integer_switch(cfg.z_anf, p, chars(p, 4, 7), w);
        if (starts_exact(p, "SC=")) cfg.soil_scheme = chars(p, 4, 6);
        if (starts_exact(p, "I=")) integer_switch(cfg.interpol, p, chars(p, 3, 4), w);
        if (to_upper(p) == "NW") cfg.nowait = true;
        if (is_script_switch(p, "PPQ")) script_switch(cfg.pre_processing, cfg.pre_proc_query, p, cfg.config_errors);
        if (is_script_switch(p, "POQ")) script_switch(cfg.pst_processing, cfg.pst_proc_query, p, cfg.config_errors);
        if (starts_exact(p, "UNCAS")) cfg.uncas_mode = true;
        if (starts_exact(p, "ID=")) cfg.sel_id = p.substr(3);
        if (p == "!") cfg.nowait = true;
    }
    return methodGiven;
}

void bind_method(RunConfig& cfg, config::RuxSettings& settings, db::Connection& c, const RunHooks& hooks,
                 ConfigWarnings& w)
{
    const bool korvanic = settings.integerOr("korvanic", 0) == 1;
    try {
        if (korvanic) {
            settings.setText("methode", cfg.methode);
            if (c.execute("UPDATE vtn_setting SET model = ? WHERE rowid = (SELECT min(rowid) FROM vtn_setting)",
                          {trim(cfg.methode)}) == 0)
                c.execute("INSERT INTO vtn_setting (model) VALUES (?)", {trim(cfg.methode)});
        } else {
            const db::Value model = c.scalar("SELECT model FROM vtn_setting ORDER BY rowid LIMIT 1");
            if (model.isNull()) {
                w.push_back("vtn_setting holds no method; using " + cfg.methode);
                return;
            }
            const std::string bound = trim(model.toString());
            if (bound != cfg.methode) hooks.show(" attention", "general error (2)");
            cfg.methode = bound;
            settings.setText("methode", bound);
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
