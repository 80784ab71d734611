#include "gui/app/startup.h"

#include "config/ini_file.h"
#include "config/rux_settings.h"
#include "base/text.h"
#include "gui/app/translation.h"

#include <QCoreApplication>

#include <filesystem>
#include "config/settings_keys.h"

namespace fs = std::filesystem;

namespace vt::gui {

namespace {

bool file_exists(const std::string& p)
{
    std::error_code ec;
    return p != "?" && !p.empty() && fs::is_regular_file(p, ec);
}

void read_ini(AppState& state, config::RuxSettings& settings, const config::IniFile& ini, StartupResult& result)
{
    if (ini.hasSection("SETUP")) {
        // Whatever "lang" holds, an ini file starts the program in English.
        state.language = "E";
        state.system_label = base::trim(ini.get("SETUP", "sys").value_or("int")) == "bio" ? "bio" : "int";
        state.database = ini.get("SETUP", "DB").value_or("?");
    }
    if (ini.hasSection("MODUS"))
        state.modus = ini.get("MODUS", "mode").value_or("RUX") == "KORVANIC" ? "KORVANIC" : "RUX";
    result.restricted = state.modus != "RUX";
    if (settings.exists() && settings.text(config::key::language)) {
        settings.setText(config::key::language, state.language);
        settings.save();
    }
}

// Returns whether a batch run (GO) names a database that does not exist: the batch keeps
// that name, so that opening it fails with the message and the run simulates nothing; the
// database used last is no stand-in for a scheduled run. Interactive starts fall back to it.
bool read_database_switch(AppState& state, const StartupEnv& env)
{
    const auto switches = command_line_switches(env.args);
    const auto& given = switches.database;
    if (!given) return false;
    state.database = *given;
    if (!file_exists(state.database) && switches.go) return true;
    if (!file_exists(state.database)) {
        if (env.message) env.message(QCoreApplication::translate("Startup", "DB error").toStdString(),
                        QCoreApplication::translate("Startup", "database not found, will try to use last DB").toStdString());
        state.database = "?";
    }
    return false;
}

void read_settings(AppState& state, config::RuxSettings& settings, const StartupEnv& env, StartupResult& result,
                   bool batchDatabaseMissing)
{
    if (settings.exists()) {
        if (state.database == "?") state.database = settings.textOr(config::key::database, "?");
        if (!file_exists(state.database) && env.askDatabase) {
            const auto chosen = env.askDatabase(database_dialog_title(state));
            if (!chosen.empty()) {
                state.database = chosen;
                settings.setText(config::key::database, chosen);
                settings.save();
            }
        }
        state.rux_ppath = settings.textOr(config::key::ppath, "");
        state.dyn_lts = settings.flagOr(config::key::dyn_lts, false);
        return;
    }
    result.firstStart = true;
    if (!file_exists(state.database) && !batchDatabaseMissing) {
        state.database = (fs::path(env.cwd) / "rux_demo.db").string();
        if (!file_exists(state.database) && env.createDemo) env.createDemo(state.database);
    }
    settings.writeFirstStartDefaults(state.database, env.cwd);
    state.rux_ppath = env.cwd;
}

} // namespace

std::string database_dialog_title(const AppState&)
{
    return QCoreApplication::translate("Startup", "Where is the database ?").toStdString();
}

StartupResult read_startup(AppState& state, config::RuxSettings& settings, const StartupEnv& env)
{
    StartupResult result;
    state.go_on = false;
    state.language = "E";
    state.system_label = "int";
    state.modus = "?";
    state.database = "?";

    config::IniFile ini(env.iniPath);
    if (!env.iniPath.empty() && ini.load()) {
        read_ini(state, settings, ini, result);
    } else {
        state.language = settings.textOr(config::key::language, "E");
        if (state.language.empty()) state.language = "E";
    }
    // From here on every text shown, the database question included, is in the language read.
    install_translation(state.language);
    const bool batchDatabaseMissing = read_database_switch(state, env);
    read_settings(state, settings, env, result, batchDatabaseMissing);

    state.power = !state.german();
    state.db_f_name = state.database;

    state.lastversion = settings.textOr(config::key::version, "0.0.0.0");
    state.previous_version = split_version(state.lastversion);
    state.currentversion = program_version();
    settings.setText(config::key::version, state.currentversion);
    settings.save();
    state.rux_ppath = settings.textOr(config::key::ppath, state.rux_ppath);
    return result;
}

engine::RunSwitches command_line_switches(const std::vector<std::string>& args)
{
    engine::ConfigWarnings ignored;  // the simulator reports them when it reads the switches
    return engine::parse_run_switches(args, ignored);
}

} // namespace vt::gui
