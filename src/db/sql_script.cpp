#include "db/sql_script.h"

#include "db/connection.h"
#include "db/jet_translator.h"
#include "base/text.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vt::db {

using base::to_lower;
using base::to_upper;
using base::trim;

std::vector<ScriptStatement> split_sql_script(const std::vector<std::string>& lines)
{
    std::vector<ScriptStatement> out;
    ScriptStatement current;
    int number = 0;
    for (const auto& raw : lines) {
        ++number;
        std::string line = trim(raw);
        // "#" first is a comment line; a "#" further on belongs to the statement (a date
        // literal such as #1/1/2005# must stay in its condition).
        if (line.empty() || line.front() == '\'' || line.front() == '#') continue;
        if (line == "go") {
            out.push_back(current);
            current = {};
            continue;
        }
        if (current.text.empty()) current.line = number;
        current.text += (current.text.empty() ? "" : "\n") + line;
        if (line.find("drop") != std::string::npos) current.ignoreErrors = true;
    }
    if (!trim(current.text).empty()) {
        current.ignoreErrors = false;
        out.push_back(current);
    }
    return out;
}

std::vector<std::string> read_script_lines(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw std::runtime_error("the script " + path + " is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read script file " + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (in.bad()) throw std::runtime_error("reading the script file " + path + " failed");
    return lines;
}

bool is_changing_statement(const std::string& text)
{
    // The words count where the engine reads SQL: not inside comments or quoted texts (a
    // value 'to delete' leaves a query a query).
    std::string code;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const auto e = text.find("*/", i + 2);
            i = e == std::string::npos ? text.size() : e + 2;
        } else if (c == '\'' || c == '"') {
            for (++i; i < text.size(); ++i)
                if (text[i] == c) {
                    if (i + 1 < text.size() && text[i + 1] == c) ++i;
                    else break;
                }
            ++i;
            code += ' ';
        } else {
            code += c;
            ++i;
        }
    }
    const std::string t = to_lower(code);
    for (const char* word : {"insert", "update", "delete", "into", "drop"})
        if (t.find(word) != std::string::npos) return true;
    return false;
}

void run_sql_script(Connection& c, const std::vector<ScriptStatement>& statements, const ScriptCallbacks& callbacks)
{
    // A form the translator cannot translate stops the script before anything runs.
    for (const auto& st : statements) {
        if (st.ignoreErrors || trim(st.text).empty()) continue;
        if (const auto tr = translate_jet(st.text); !tr.translated)
            throw DbError(statement_error("line " + std::to_string(st.line) + ": cannot be translated: " +
                                                      tr.problem + "; no statement of the script was run",
                                                  st.text));
    }
    for (const auto& st : statements) {
        if (callbacks.beforeStatement) callbacks.beforeStatement();
        // An empty statement (two "go" lines in a row) has nothing to run.
        if (trim(st.text).empty()) continue;
        const bool changing = is_changing_statement(st.text);
        if (callbacks.onDataChange) callbacks.onDataChange(changing);
        try {
            // Users' scripts are written in the Jet dialect; the translator runs them.
            if (changing) execute_jet(c, st.text);
            else query_jet(c, st.text, [&](Cursor& rows) { if (callbacks.onRows) callbacks.onRows(rows); });
        } catch (const DbError& e) {
            if (st.ignoreErrors) continue;
            std::string head = st.text.substr(0, st.text.find('\n'));
            if (head.size() > 80) head = head.substr(0, 80) + "...";
            throw DbError("line " + std::to_string(st.line) + " (" + head + "): " + e.what(), e.code(), st.text);
        }
    }
}

void run_sql_script_file(Connection& c, const std::string& path, const ScriptCallbacks& callbacks)
{
    try {
        run_sql_script(c, split_sql_script(read_script_lines(path)), callbacks);
    } catch (const DbError& e) {
        throw DbError("script " + path + ", " + e.what(), e.code(), e.sql());
    }
}

} // namespace vt::db
