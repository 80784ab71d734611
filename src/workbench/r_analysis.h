#pragma once
#include "eval/script_evaluation.h"

#include <string>
#include <vector>

namespace vt::workbench {

// The files of "Datenanalyse mit R".
struct RAnalysisFiles {
    std::string sqlScript;  // the user's SQL script (companion file)
    std::string rScript;    // the user's R script
    std::string folder;     // where spez100.r is written
};

// "go": writes `folder`/spez100.r (a connection `ch` to the database through RSQLite, then
// the user's R script) and copies the SQL script to spez100sql.txt in the database's
// folder. Returns the settings of the script evaluation over those files. Throws
// std::runtime_error ("input/output error: ...") when a file cannot be read or written.
eval::ScriptEvaluationSettings prepare_r_analysis(const std::string& databasePath, const RAnalysisFiles& files,
                                                  const std::string& rCall, const std::string& rResult);

// The lines of a text file for the window's list; throws std::runtime_error.
std::vector<std::string> read_text_lines(const std::string& path);

} // namespace vt::workbench
