#include "workbench/r_analysis.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vt::workbench {

eval::ScriptEvaluationSettings prepare_r_analysis(const std::string& databasePath, const RAnalysisFiles& files,
                                                  const std::string& rCall, const std::string& rResult)
{
    const fs::path dbFolder = fs::absolute(databasePath).parent_path();
    const fs::path folder = files.folder.empty() ? dbFolder : fs::path(files.folder);
    eval::ScriptEvaluationSettings s;
    s.folder = dbFolder.string();
    s.rScript = (folder / "spez100.r").string();
    s.rCall = rCall == "?" ? std::string() : rCall;
    s.rResult = rResult;
    try {
        if (!fs::is_regular_file(files.rScript)) throw std::runtime_error(files.rScript + ": no such file");
        if (!fs::is_regular_file(files.sqlScript)) throw std::runtime_error(files.sqlScript + ": no such file");
        eval::write_r_script(fs::absolute(databasePath).string(), folder.string(), files.rScript);
        const fs::path sqlCopy = dbFolder / s.sqlScript;
        if (!fs::exists(sqlCopy) || !fs::equivalent(files.sqlScript, sqlCopy))
            fs::copy_file(files.sqlScript, sqlCopy, fs::copy_options::overwrite_existing);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("input/output error: ") + e.what());
    }
    return s;
}

std::vector<std::string> read_text_lines(const std::string& path)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error("input/output error: cannot read " + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace vt::workbench
