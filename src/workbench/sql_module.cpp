#include "workbench/sql_module.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/output_file.h"
#include "db/jet_translator.h"
#include "db/sql_quote.h"
#include "db/sql_script.h"
#include "eval/spreadsheet_export.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <stdexcept>

namespace vt::workbench {

namespace {

bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }

bool is_number(const std::string& v)
{
    // Only a plain decimal number goes in unquoted.
    std::size_t i = 0;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
    bool digits = false, point = false;
    for (; i < v.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(v[i]))) digits = true;
        else if (v[i] == '.' && !point) point = true;
        else break;
    }
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E') && digits) {
        ++i;
        if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
        bool exp = false;
        while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) {
            ++i;
            exp = true;
        }
        if (!exp) return false;
    }
    return digits && i == v.size();
}

std::string normalised_name(const std::string& name)
{
    return base::to_lower(name.empty() || name[0] == '$' ? name : "$" + name);
}

// Where a "$" parameter stands: in the SQL itself, inside a quoted text, inside a
// [bracketed name]; parameters inside comments are no parameters.
enum class Place { Code, Text, Name };

// Walks a statement as the engine reads it (-- and /* */ comments, '...' and "..." texts
// with doubled quotes, [names], `names`) and calls `found` for every "$name" outside
// comments with its position, length and place (the quote character for a text).
template <class Found>
void walk_parameters(const std::string& text, Found found)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto name_end = [&](std::size_t from) {
        std::size_t e = from + 1;
        while (e < n && name_char(text[e])) ++e;
        return e;
    };
    while (i < n) {
        const char c = text[i];
        if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            while (i < n && text[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const auto e = text.find("*/", i + 2);
            i = e == std::string::npos ? n : e + 2;
        } else if (c == '\'' || c == '"' || c == '[' || c == '`') {
            const char close = c == '[' ? ']' : c;
            const Place place = c == '[' || c == '`' ? Place::Name : Place::Text;
            for (++i; i < n; ++i) {
                if (text[i] == close) {
                    if (place == Place::Text && i + 1 < n && text[i + 1] == close) {
                        ++i;
                        continue;
                    }
                    break;
                }
                if (text[i] == '$' && i + 1 < n && name_char(text[i + 1])) {
                    const std::size_t e = name_end(i);
                    found(i, e - i, place, c);
                    i = e - 1;
                }
            }
            ++i;
        } else if (c == '$' && i + 1 < n && name_char(text[i + 1])) {
            const std::size_t e = name_end(i);
            found(i, e - i, Place::Code, c);
            i = e;
        } else {
            ++i;
        }
    }
}

const ScriptParameter* find_parameter(const std::vector<ScriptParameter>& parameters, const std::string& name)
{
    for (const auto& p : parameters)
        if (normalised_name(p.name) == base::to_lower(name)) return &p;
    return nullptr;
}

} // namespace

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> scan_parameters(const std::vector<std::string>& lines)
{
    std::vector<std::string> names;
    for (const auto& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] != '$') continue;
            std::size_t e = i + 1;
            while (e < line.size() && name_char(line[e])) ++e;
            if (e == i + 1) continue;
            const std::string name = line.substr(i, e - i);
            const bool known = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
                return base::to_lower(n) == base::to_lower(name);
            });
            if (!known) names.push_back(name);
            i = e - 1;
        }
    }
    return names;
}

std::string substitute_parameters(const std::string& text, const std::vector<ScriptParameter>& parameters)
{
    std::string out;
    std::size_t copied = 0;
    walk_parameters(text, [&](std::size_t at, std::size_t len, Place place, char quote) {
        const ScriptParameter* p = find_parameter(parameters, text.substr(at, len));
        if (!p || p->value.empty()) return;
        out += text.substr(copied, at - copied);
        copied = at + len;
        switch (place) {
        case Place::Code:
            // A signed number goes in parenthesised: "x-$p" with -1 must not become "x--1",
            // the beginning of a comment.
            if (!is_number(p->value)) out += db::quote(p->value);
            else if (p->value[0] == '-' || p->value[0] == '+') out += "(" + p->value + ")";
            else out += p->value;
            break;
        case Place::Text:
            for (char c : p->value) {
                if (c == quote) out += quote;
                out += c;
            }
            break;
        case Place::Name:
            if (p->value.find_first_of("]`") != std::string::npos)
                throw std::invalid_argument("the value of " + p->name + " cannot stand in a [name]: " + p->value);
            out += p->value;
            break;
        }
    });
    return out + text.substr(copied);
}

std::string unresolved_parameter(const std::string& text, const std::vector<ScriptParameter>& parameters)
{
    std::string missing;
    walk_parameters(text, [&](std::size_t at, std::size_t len, Place place, char) {
        if (!missing.empty()) return;
        const std::string name = text.substr(at, len);
        const ScriptParameter* p = find_parameter(parameters, name);
        // Inside a text a "$" that names no parameter of the grid is the text's own.
        if (p ? p->value.empty() : place != Place::Text) missing = name;
    });
    return missing;
}

std::string SqlModule::text() const
{
    std::string t;
    for (const auto& l : lines_) t += l + "\n";
    return t;
}

void SqlModule::setText(const std::string& text) { lines_ = split_lines(text); }

void SqlModule::loadFile(const std::string& path)
{
    loadFileWithoutScan(path);
    scanParameters();
}

void SqlModule::loadFileWithoutScan(const std::string& path) { lines_ = db::read_script_lines(path); }

void SqlModule::saveFile(const std::string& path) const
{
    const auto script = text();
    db::write_output_text(path, script);
}

void SqlModule::scanParameters()
{
    std::vector<std::string> names = scan_parameters(lines_);
    // The names of PARAMETERS declarations, as Access asks for them.
    for (const auto& st : db::split_sql_script(lines_))
        for (const auto& n : db::jet_parameter_names(st.text)) names.push_back(n);
    for (const auto& name : names) {
        const bool known = std::any_of(parameters_.begin(), parameters_.end(), [&](const ScriptParameter& p) {
            return normalised_name(p.name) == normalised_name(name);
        });
        if (!known) parameters_.push_back({name, {}});
    }
}

bool SqlModule::setParameter(const std::string& name, const std::string& value)
{
    for (auto& p : parameters_)
        if (normalised_name(p.name) == normalised_name(name)) {
            p.value = value;
            return true;
        }
    return false;
}

void SqlModule::applyParameters()
{
    storeInHistory();
    // The whole script at once, so that a comment or text spanning lines is seen as one.
    std::string all;
    for (std::size_t i = 0; i < lines_.size(); ++i) all += (i ? "\n" : "") + lines_[i];
    std::vector<std::string> lines;
    std::size_t from = 0;
    const std::string done = substitute_parameters(all, parameters_);
    for (;;) {
        const auto e = done.find('\n', from);
        lines.push_back(done.substr(from, e == std::string::npos ? std::string::npos : e - from));
        if (e == std::string::npos) break;
        from = e + 1;
    }
    if (!lines_.empty()) lines_ = std::move(lines);
}

void SqlModule::storeInHistory()
{
    if (current_ < kHistorySlots) {
        ++current_;
    } else {
        history_.erase(history_.begin());
        history_.emplace_back();
    }
    history_[static_cast<std::size_t>(current_ - 1)] = lines_;
}

const std::vector<std::string>& SqlModule::slot(int number) const
{
    static const std::vector<std::string> none;
    if (number < 1 || number > kHistorySlots) return none;
    return history_[static_cast<std::size_t>(number - 1)];
}

bool SqlModule::historyUp()
{
    if (current_ <= 1) return false;
    --current_;
    lines_ = slot(current_);
    return true;
}

bool SqlModule::historyDown()
{
    if (current_ >= kHistorySlots || current_ < 1) return false;
    ++current_;
    lines_ = slot(current_);
    return true;
}

void SqlModule::clearHistory()
{
    for (auto& h : history_) h.clear();
    current_ = 0;
}

std::vector<StatementOutcome> SqlModule::execute(db::Connection& c, const Callbacks& callbacks)
{
    storeInHistory();
    std::vector<StatementOutcome> outcomes;
    // Every statement is checked before the first runs: a parameter without a value or a
    // form the translator cannot translate stops the script with nothing done.
    const auto statements = db::split_sql_script(lines_);
    std::vector<std::string> texts;
    for (const auto& st : statements) {
        if (base::trim(st.text).empty()) {
            texts.emplace_back();
            continue;
        }
        if (const std::string p = unresolved_parameter(st.text, parameters_); !p.empty())
            throw db::DbError(db::statement_error("line " + std::to_string(st.line) + ": the parameter " + p +
                                                      " has no value (give it one in the grid or with --param)",
                                                  st.text));
        try {
            texts.push_back(substitute_parameters(st.text, parameters_));
        } catch (const std::invalid_argument& e) {
            throw db::DbError(db::statement_error(e.what(), st.text));
        }
        const auto tr = db::translate_jet(texts.back());
        if (!tr.translated && !st.ignoreErrors)
            throw db::DbError(db::statement_error("line " + std::to_string(st.line) + ": cannot be translated: " +
                                                      tr.problem + "; no statement of the script was run",
                                                  st.text));
        // Declared parameters: from the grid, or asked for (the window asks as Access does).
        for (const auto& p : tr.parameters) {
            const ScriptParameter* known = find_parameter(parameters_, "$" + p.name);
            if (known && !known->value.empty()) continue;
            std::optional<std::string> asked;
            if (callbacks.askParameter) asked = callbacks.askParameter(p.name);
            if (!asked || asked->empty())
                throw db::DbError(db::statement_error("line " + std::to_string(st.line) + ": the parameter [" + p.name +
                                                          "] has no value (give it one in the grid or with --param)",
                                                      st.text));
            if (!setParameter(p.name, *asked)) parameters_.push_back({p.name, *asked});
        }
    }
    db::JetParameterValues declared;
    for (const auto& p : parameters_)
        declared[base::to_lower(p.name.empty() || p.name[0] != '$' ? p.name : p.name.substr(1))] = p.value;
    int number = 0;
    for (std::size_t k = 0; k < statements.size(); ++k) {
        const auto& st = statements[k];
        ++number;
        if (callbacks.beforeStatement) callbacks.beforeStatement();
        if (base::trim(st.text).empty()) continue;
        StatementOutcome o;
        o.number = number;
        o.text = texts[k];
        o.dataChange = db::is_changing_statement(o.text);
        dataChange_ = o.dataChange;
        try {
            if (o.dataChange) {
                o.changed = db::execute_jet(c, o.text, declared);
            } else {
                db::query_jet(c, o.text, [&](db::Cursor& rows) { o.rows = eval::read_table(rows); }, declared);
                o.hasRows = true;
                result_ = o.rows;
            }
        } catch (const db::DbError& e) {
            if (!st.ignoreErrors) {
                // A transaction the script opened is not left hanging on the connection.
                if (sqlite3_get_autocommit(c.handle()) == 0) {
                    c.executeIgnoringErrors("ROLLBACK");
                    throw db::DbError(std::string(e.what()) + " (the transaction the script had begun was rolled back)",
                                      e.code(), e.sql());
                }
                throw;
            }
            o.ignoredError = e.what();
        }
        if (callbacks.onOutcome) callbacks.onOutcome(o);
        outcomes.push_back(std::move(o));
    }
    // A "begin" without its "commit": the changes since would be lost silently when the
    // database closes (or kept hanging in the window's connection); they are rolled back
    // and the script counts as failed.
    if (sqlite3_get_autocommit(c.handle()) == 0) {
        c.executeIgnoringErrors("ROLLBACK");
        throw db::DbError("the script ended inside a transaction (a \"begin\" without \"commit\"): its changes since "
                          "the \"begin\" were rolled back");
    }
    return outcomes;
}

void SqlModule::exportResult(const std::string& path) const { eval::write_xlsx(path, result_); }

} // namespace vt::workbench
