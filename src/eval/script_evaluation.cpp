#include "eval/script_evaluation.h"

#include "base/text.h"

#include "db/connection.h"
#include "db/output_file.h"
#include "db/jet_translator.h"
#include "eval/plot_evaluation.h"
#include "eval/program_runner.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vt::eval {

namespace {

bool contains_ci(const std::string& text, const std::string& lowerNeedle)
{
    return base::to_lower(text).find(lowerNeedle) != std::string::npos;
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

bool is_rscript(const std::string& program)
{
    const std::string name = fs::path(program).filename().string();
    return name.rfind("Rscript", 0) == 0;
}

// A path as an R string literal.
std::string r_string(const std::string& path)
{
    std::string out = "\"";
    for (char c : path) {
        if (c == '\\') out += '/';
        else if (c == '"') out += "\\\"";
        else out += c;
    }
    return out + "\"";
}

} // namespace

int run_companion_sql(db::Connection& c, const std::string& path, long long plot)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path + ": cannot read the file");
    const std::string id = std::to_string(plot);
    std::string statement, line;
    bool mayFail = false;
    int executed = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (base::trim(line) == "go") {
            if (!base::trim(statement).empty()) {
                // Companion files are written in the Jet dialect, like the run's scripts.
                try {
                    db::execute_jet(c, statement);
                } catch (const db::DbError&) {
                    if (!mayFail) throw;
                }
                ++executed;
            }
            statement.clear();
            mayFail = false;
            continue;
        }
        if (const auto at = line.find("#fl_id"); at != std::string::npos) line.replace(at, 6, id);
        if (contains_ci(line, "drop")) mayFail = true;
        statement += line + "\n";
    }
    return executed;
}

ScriptOutcome evaluate_plot_by_script(db::Connection& c, long long plot, const ScriptEvaluationSettings& s,
                                      const engine::RunHooks& hooks)
{
    c.executeIgnoringErrors(" CREATE TABLE data4r AS SELECT gldpflan.NAME FROM gldpflan  ");
    const fs::path folder = s.folder.empty() ? fs::current_path() : fs::path(s.folder);
    const fs::path sql = folder / s.sqlScript;
    if (fs::exists(sql)) run_companion_sql(c, sql.string(), plot);

    const fs::path script = folder / s.rScript;
    if (!fs::exists(script)) {
        hooks.show(script.string(), "file for R script not found");
        return ScriptOutcome::ScriptMissing;
    }

    const RCommand cmd = r_command(s);
    ProgramRunner r;
    r.applicationName = cmd.program;
    r.currentDir = cmd.workingDir;
    r.showType = ProgramRunner::ShowType::Minimized;
    for (const auto& a : cmd.arguments) r.parameters += (r.parameters.empty() ? "" : " ") + quoted(a);
    r.outputFile = cmd.outputFile;
    r.execute();
    if (r.resultCode() != -1) {
        hooks.show("R", r_not_started_message(r.applicationName, std::strerror(r.resultCode())));
        return ScriptOutcome::RNotStarted;
    }
    r.wait([&hooks] { return !hooks.stopRequested(); });
    return r.finished() ? ScriptOutcome::Done : ScriptOutcome::Stopped;
}

RCommand r_command(const ScriptEvaluationSettings& s)
{
    const fs::path folder = s.folder.empty() ? fs::current_path() : fs::path(s.folder);
    const std::string script = (folder / s.rScript).string();
    const std::string result = (folder / (s.rResult.empty() || s.rResult == "?" ? s.rScript + "out" : s.rResult)).string();
    RCommand cmd;
    cmd.program = s.rCall.empty() ? "Rscript" : s.rCall;
    cmd.workingDir = folder.string();
    if (is_rscript(cmd.program)) {
        // Rscript runs a script without echo and writes to its output.
        cmd.arguments = {script};
        cmd.outputFile = result;
    } else {
        cmd.arguments = {"CMD", "BATCH", "--slave", script, result};
    }
    return cmd;
}

std::string r_not_started_message(const std::string& program, const std::string& reason)
{
    return "the R program \"" + program + "\" could not be started: " + reason + " (set \"R call\" in the settings)";
}

long long run_script_evaluation(db::Connection& c, const ScriptEvaluationSettings& s, const engine::RunHooks& hooks)
{
    const std::vector<long long> plots = plots_with_results(c);
    long long done = 0;
    for (long long plot : plots) {
        hooks.report(done + 1, static_cast<long long>(plots.size()));
        if (evaluate_plot_by_script(c, plot, s, hooks) != ScriptOutcome::Done) break;
        ++done;
    }
    hooks.report(0, 0);
    return done;
}

void write_r_script(const std::string& databasePath, const std::string& folder, const std::string& userScript)
{
    std::ifstream in(userScript);
    if (!in) throw std::runtime_error(userScript + ": cannot read the file");
    const fs::path target = fs::path(folder) / "spez100.r";
    std::string text = "library(RSQLite)\n";
    text += " ch<-dbConnect(RSQLite::SQLite(), " + r_string(databasePath) + ")\n";
    std::string line;
    while (std::getline(in, line)) text += line + '\n';
    db::write_output_text(target.string(), text);
}

} // namespace vt::eval
