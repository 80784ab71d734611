#include "workbench/sql_module.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/output_file.h"
#include "db/jet_translator.h"
#include "db/sql_quote.h"
#include "engine/run/sql_script.h"
#include "eval/spreadsheet_export.h"

#include <algorithm>
#include <cctype>
#include <fstream>
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

// The characters of a text inside quoted literals: 0 outside, else the quote character.
std::vector<char> quote_state(const std::string& text)
{
    std::vector<char> state(text.size(), 0);
    char q = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (q) {
            state[i] = q;
            if (c == q) {
                if (i + 1 < text.size() && text[i + 1] == q) state[++i] = q;
                else q = 0;
            }
        } else if (c == '\'' || c == '"') {
            q = c;
            state[i] = 0;
        }
    }
    return state;
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
    std::vector<ScriptParameter> byLength;
    for (const auto& p : parameters)
        if (normalised_name(p.name).size() > 1) byLength.push_back({normalised_name(p.name), p.value});
    std::stable_sort(byLength.begin(), byLength.end(),
                     [](const ScriptParameter& a, const ScriptParameter& b) { return a.name.size() > b.name.size(); });
    std::string out = text;
    for (const auto& p : byLength) {
        std::string result;
        const std::string low = base::to_lower(out);
        const auto state = quote_state(out);
        std::size_t i = 0;
        while (i < out.size()) {
            if (low.compare(i, p.name.size(), p.name) == 0
                && (i + p.name.size() >= out.size() || !name_char(out[i + p.name.size()]))) {
                if (const char q = state[i]) {
                    for (char c : p.value) {
                        if (c == q) result += q;
                        result += c;
                    }
                } else {
                    result += is_number(p.value) ? p.value : db::quote(p.value);
                }
                i += p.name.size();
            } else {
                result += out[i++];
            }
        }
        out = result;
    }
    return out;
}

std::string unresolved_parameter(const std::string& text)
{
    const auto state = quote_state(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '$' || state[i]) continue;
        std::size_t e = i + 1;
        while (e < text.size() && name_char(text[e])) ++e;
        if (e > i + 1) return text.substr(i, e - i);
    }
    return {};
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

void SqlModule::loadFileWithoutScan(const std::string& path) { lines_ = engine::read_script_lines(path); }

void SqlModule::saveFile(const std::string& path) const
{
    const auto script = text();
    db::write_output_text(path, script);
}

void SqlModule::scanParameters()
{
    for (const auto& name : scan_parameters(lines_)) {
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
    for (auto& line : lines_)
        if (line.find('$') != std::string::npos) line = substitute_parameters(line, parameters_);
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
    int number = 0;
    for (const auto& st : engine::split_sql_script(lines_)) {
        ++number;
        if (callbacks.beforeStatement) callbacks.beforeStatement();
        if (base::trim(st.text).empty()) continue;
        StatementOutcome o;
        o.number = number;
        o.text = substitute_parameters(st.text, parameters_);
        o.dataChange = engine::is_changing_statement(o.text);
        dataChange_ = o.dataChange;
        try {
            if (const std::string p = unresolved_parameter(o.text); !p.empty())
                throw db::DbError(db::statement_error("the parameter " + p + " has no value", st.text));
            if (o.dataChange) {
                o.changed = db::execute_jet(c, o.text);
            } else {
                db::query_jet(c, o.text, [&](db::Cursor& rows) { o.rows = eval::read_table(rows); });
                o.hasRows = true;
                result_ = o.rows;
            }
        } catch (const db::DbError& e) {
            if (!st.ignoreErrors) throw;
            o.ignoredError = e.what();
        }
        if (callbacks.onOutcome) callbacks.onOutcome(o);
        outcomes.push_back(std::move(o));
    }
    return outcomes;
}

void SqlModule::exportResult(const std::string& path) const { eval::write_xlsx(path, result_); }

} // namespace vt::workbench
