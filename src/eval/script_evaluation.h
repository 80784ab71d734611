#pragma once
#include "engine/types/run_hooks.h"

#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// The special evaluation by users' scripts: per plot with results, a companion SQL file
// prepares tables for the plot, then the R program runs the R script in batch mode.
struct ScriptEvaluationSettings {
    std::string folder = ".";                   // working folder: the database's folder
    std::string sqlScript = "spez100sql.txt";   // companion SQL file, in the folder
    std::string rScript = "spez100.r";          // R script, in the folder
    std::string rCall;    // the R program (setting "r_call"); empty: Rscript found on PATH
    std::string rResult;  // result file (setting "r_result"); empty: the script name + "out"
};

enum class ScriptOutcome {
    Done,            // SQL ran and R finished
    ScriptMissing,   // "file for R script not found"
    RNotStarted,     // the R program could not be started
    Stopped,         // the caller stopped the wait
};

// How the R program is called for the special evaluation: Rscript runs the script with
// its output in the result file; any other R program runs it in batch mode
// ("CMD BATCH --slave script result"). A desktop caller starts it with its own process
// class; evaluate_plot_by_script uses the program runner.
struct RCommand {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingDir;
    std::string outputFile;  // set for Rscript: where its output goes
};
RCommand r_command(const ScriptEvaluationSettings& s);

// The message when the R program could not be started.
std::string r_not_started_message(const std::string& program, const std::string& reason);

// Runs the companion SQL file for one plot: lines are collected into a statement, the
// first "#fl_id" of each line replaced by the plot number; a line "go" executes the
// statement collected so far. A statement with "drop" in one of its lines may fail
// harmlessly; any other failure throws db::DbError. Returns the statements executed.
int run_companion_sql(db::Connection& c, const std::string& path, long long plot);

// The evaluation of one plot. Messages (a missing script, R that cannot be started) go
// to hooks.show; hooks.stop ends the wait for R.
ScriptOutcome evaluate_plot_by_script(db::Connection& c, long long plot, const ScriptEvaluationSettings& s,
                                      const engine::RunHooks& hooks = {});

// Every plot with results in turn, with progress; ends early when R cannot be started,
// the script is missing or the caller stops. Returns the plots evaluated.
long long run_script_evaluation(db::Connection& c, const ScriptEvaluationSettings& s,
                                const engine::RunHooks& hooks = {});

// Writes `folder`/spez100.r: a first line that loads RSQLite, a line that connects `ch`
// to the database file, then every line of the user's R script. Throws
// std::runtime_error when a file cannot be read or written.
void write_r_script(const std::string& databasePath, const std::string& folder, const std::string& userScript);

} // namespace vt::eval
