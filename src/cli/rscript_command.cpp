#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/eval_output.h"
#include "config/rux_settings.h"
#include "eval/script_evaluation.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include "config/settings_keys.h"

namespace fs = std::filesystem;

namespace vt::cli {

namespace {

struct RScriptOptions {
    std::string db, sql, r, rCall;
};

void run_rscript(const RScriptOptions& o, Context& ctx)
{
    auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Work);
    if (!fs::is_regular_file(o.r)) throw CommandError("no R script " + o.r);
    if (!o.sql.empty() && !fs::is_regular_file(o.sql)) throw CommandError("no SQL script " + o.sql);

    // The special files live in the database's folder, which is the working folder of R.
    const config::RuxSettings settings;
    eval::ScriptEvaluationSettings s;
    s.folder = fs::absolute(o.db).parent_path().string();
    s.rCall = o.rCall.empty() ? settings.textOr(config::key::r_call, "") : o.rCall;
    s.rResult = settings.textOr(config::key::r_result, "");
    try {
        eval::write_r_script(fs::absolute(o.db).string(), s.folder, o.r);
        const fs::path sqlCopy = fs::path(s.folder) / s.sqlScript;
        if (!o.sql.empty()) fs::copy_file(o.sql, sqlCopy, fs::copy_options::overwrite_existing);
        else fs::remove(sqlCopy);
    } catch (const std::exception& e) {
        throw CommandError(e.what(), 1);
    }

    bool failed = false;
    engine::RunHooks hooks;
    hooks.message = [&](const std::string& caption, const std::string& text) {
        ctx.err << caption << ": " << text << '\n';
        failed = true;
    };
    const long long n = eval::run_script_evaluation(*c, s, hooks);
    ctx.out << "R script evaluated for " << n << " plots\n";
    if (failed) throw CommandError("script evaluation ended early", 1);
}

const Registrar reg("rscript", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<RScriptOptions>();
    auto* cmd = app.add_subcommand(
        "rscript", "Script evaluation: per plot with results, run an SQL script and then an R script in batch mode");
    cmd->add_option("--db", o->db, "Database file")->required();
    cmd->add_option("--r", o->r, "R script; it finds the database connected as ch (RSQLite)")->required();
    cmd->add_option("--sql", o->sql, "SQL script run per plot first (\"#fl_id\" = the plot, \"go\" ends a statement)");
    cmd->add_option("--r-call", o->rCall, "The R program (default: the setting r_call, else Rscript)");
    cmd->callback([o, &ctx] { run_rscript(*o, ctx); });
});

} // namespace

} // namespace vt::cli
