#include "db/jet_translator.h"

#include "db/connection.h"
#include "db/savepoint.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

namespace vt::db {

namespace {

enum class Tok { Space, Word, Ident, String, Date, Number, Op };

struct Token {
    Tok kind;
    std::string text;   // as it goes into the output
    std::string value;  // a string's content, a date's text, a bracketed name without brackets
};

using Tokens = std::vector<Token>;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool word_char(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

struct Untranslatable {
    std::string why;
};

Tokens tokenize(std::string_view s)
{
    Tokens out;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto push = [&](Tok k, std::size_t from, std::size_t to, std::string value = {}) {
        out.push_back({k, std::string(s.substr(from, to - from)), std::move(value)});
    };
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t start = i;
        if (std::isspace(c)) {
            while (i < n && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
            push(Tok::Space, start, i);
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n') ++i;
            push(Tok::Space, start, i);
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const auto end = s.find("*/", i + 2);
            if (end == std::string_view::npos) throw Untranslatable{"unterminated comment"};
            i = end + 2;
            push(Tok::Space, start, i);
        } else if (c == '\'' || c == '"') {
            std::string value;
            ++i;
            for (;;) {
                if (i >= n) throw Untranslatable{"unterminated text literal"};
                if (s[i] == static_cast<char>(c)) {
                    if (i + 1 < n && s[i + 1] == static_cast<char>(c)) {
                        value += s[i];
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            push(Tok::String, start, i, value);
        } else if (c == '[') {
            const auto end = s.find(']', i);
            if (end == std::string_view::npos) throw Untranslatable{"unterminated [name]"};
            i = end + 1;
            push(Tok::Ident, start, i, std::string(s.substr(start + 1, end - start - 1)));
        } else if (c == '`') {
            const auto end = s.find('`', i + 1);
            if (end == std::string_view::npos) throw Untranslatable{"unterminated `name`"};
            i = end + 1;
            push(Tok::Ident, start, i, std::string(s.substr(start + 1, end - start - 1)));
        } else if (c == '#') {
            // A date literal: digits, separators, blanks, AM/PM up to the closing "#".
            const auto end = s.find('#', i + 1);
            const std::string_view body = end == std::string_view::npos ? std::string_view() : s.substr(i + 1, end - i - 1);
            const bool date = !body.empty() && body.find_first_not_of("0123456789/-.: APMapm") == std::string_view::npos;
            if (!date) throw Untranslatable{"\"#\" that does not enclose a date"};
            i = end + 1;
            push(Tok::Date, start, i, std::string(body));
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            while (i < n && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
            if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
                if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
                    i = j;
                    while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
                }
            }
            push(Tok::Number, start, i);
        } else if (word_char(c)) {
            while (i < n && word_char(static_cast<unsigned char>(s[i]))) ++i;
            push(Tok::Word, start, i);
        } else {
            static const char* twoChar[] = {"<>", "<=", ">=", "!=", "||", "=="};
            ++i;
            for (const char* op : twoChar)
                if (s.substr(start, 2) == op) i = start + 2;
            push(Tok::Op, start, i);
        }
    }
    return out;
}

bool is_word(const Token& t, const char* w) { return t.kind == Tok::Word && lower(t.text) == w; }
bool is_op(const Token& t, const char* op) { return t.kind == Tok::Op && t.text == op; }
bool is_name(const Token& t) { return t.kind == Tok::Word || t.kind == Tok::Ident; }

// A name without brackets, for comparisons.
std::string bare(const Token& t) { return lower(t.kind == Tok::Ident ? t.value : t.text); }

std::string join(const Tokens& t, std::size_t b, std::size_t e)
{
    std::string out;
    for (std::size_t i = b; i < e && i < t.size(); ++i) out += t[i].text;
    return out;
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Next and previous token that is not blank; t.size() or npos when there is none.
std::size_t next_sig(const Tokens& t, std::size_t i)
{
    for (++i; i < t.size(); ++i)
        if (t[i].kind != Tok::Space) return i;
    return t.size();
}

std::size_t prev_sig(const Tokens& t, std::size_t i)
{
    while (i > 0) {
        --i;
        if (t[i].kind != Tok::Space) return i;
    }
    return std::string::npos;
}

std::vector<int> depths(const Tokens& t)
{
    std::vector<int> d(t.size());
    int level = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (is_op(t[i], ")")) --level;
        d[i] = level;
        if (is_op(t[i], "(")) ++level;
    }
    if (level != 0) throw Untranslatable{"unbalanced parentheses"};
    return d;
}

// First top-level word `w` in [b, e); e when absent.
std::size_t find_top(const Tokens& t, const std::vector<int>& d, const char* w, std::size_t b, std::size_t e)
{
    for (std::size_t i = b; i < e; ++i)
        if (d[i] == 0 && is_word(t[i], w)) return i;
    return e;
}

std::string sql_text(const std::string& value)
{
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string iso_date(const std::string& body)
{
    int a = 0, b = 0, c = 0, h = 0, mi = 0, s = 0;
    char sep = 0;
    int consumed = 0;
    if (std::sscanf(body.c_str(), "%d%c%d%*c%d%n", &a, &sep, &b, &c, &consumed) < 4)
        throw Untranslatable{"date literal #" + body + "#"};
    int y, m, d;
    if (sep == '-' || a > 31) {
        y = a; m = b; d = c;
    } else {
        m = a; d = b; y = c;  // the dialect's month/day/year
    }
    if (y < 100) y += y < 30 ? 2000 : 1900;
    if (m < 1 || m > 12 || d < 1 || d > 31) throw Untranslatable{"date literal #" + body + "#"};
    char buf[40];
    std::string rest = trim(body.substr(static_cast<std::size_t>(consumed)));
    if (rest.empty()) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
        return buf;
    }
    if (std::sscanf(rest.c_str(), "%d:%d:%d", &h, &mi, &s) < 2) throw Untranslatable{"date literal #" + body + "#"};
    const std::string r = lower(rest);
    if (r.find("pm") != std::string::npos && h < 12) h += 12;
    if (r.find("am") != std::string::npos && h == 12) h = 0;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, mi, s);
    return buf;
}

// Literals, keywords and function names of the dialect.
void translate_words(Tokens& t)
{
    static const std::map<std::string, std::string> functions = {
        {"left", "jet_left"}, {"right", "jet_right"}, {"mid", "jet_mid"}, {"len", "jet_len"},
        {"ucase", "upper"},   {"lcase", "lower"},     {"format", "jet_format"}, {"iif", "iif"}, {"nz", "nz"},
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        Token& k = t[i];
        if (k.kind == Tok::String) {
            k.text = sql_text(k.value);
        } else if (k.kind == Tok::Date) {
            k.text = "'" + iso_date(k.value) + "'";
            k.kind = Tok::String;
        } else if (k.kind == Tok::Word) {
            const std::string w = lower(k.text);
            const std::size_t p = prev_sig(t, i), nx = next_sig(t, i);
            const bool qualified = (p != std::string::npos && is_op(t[p], ".")) || (nx < t.size() && is_op(t[nx], "."));
            if (qualified) continue;
            if (w == "yes" || w == "true") k.text = "-1";
            else if (w == "no" || w == "false") k.text = "0";
            else if (w == "mod") k = {Tok::Op, "%", {}};
            else if (w == "distinctrow") k.text = "DISTINCT";
            else if (nx < t.size() && is_op(t[nx], "(")) {
                if (auto f = functions.find(w); f != functions.end()) k.text = f->second;
            }
        }
    }
}

// "name IN 'file'": the file is attached and the name read or written there.
void translate_in_file(Tokens& t, std::vector<JetAttachment>& attachments)
{
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!is_word(t[i], "in")) continue;
        const std::size_t file = next_sig(t, i);
        if (file >= t.size() || t[file].kind != Tok::String) continue;
        std::size_t name = prev_sig(t, i);
        // INSERT INTO t (columns) IN 'file': the name stands before the column list.
        if (name != std::string::npos && is_op(t[name], ")")) {
            int level = 0;
            for (std::size_t j = name + 1; j-- > 0;) {
                if (is_op(t[j], ")")) ++level;
                if (is_op(t[j], "(") && --level == 0) {
                    name = prev_sig(t, j);
                    break;
                }
            }
        }
        if (name == std::string::npos || !is_name(t[name])) throw Untranslatable{"IN 'file' without a table name"};
        std::string alias;
        for (const auto& a : attachments)
            if (a.path == t[file].value) alias = a.alias;
        if (alias.empty()) {
            alias = "vt_in" + std::to_string(attachments.size() + 1);
            attachments.push_back({alias, t[file].value});
        }
        t[name].text = alias + "." + t[name].text;
        for (std::size_t j = i; j <= file; ++j) t[j] = {Tok::Space, j == i ? " " : "", {}};
    }
}

// The & operator binds less tightly than arithmetic and more tightly than comparisons:
// each run of operands between such boundaries that holds "&" becomes jet_concat(...).
bool boundary(const Token& t)
{
    static const std::set<std::string> words = {
        "and",   "or",    "not",  "like",   "is",    "in",     "between", "select", "from",  "where",
        "as",    "then",  "else", "when",   "end",   "case",   "on",      "set",    "into",  "group",
        "order", "by",    "having", "values", "union", "join", "inner",   "left",   "right", "outer",
        "escape", "asc",  "desc", "distinct", "all", "top",    "limit",   "full",   "cross", "exists"};
    if (t.kind == Tok::Word) return words.count(lower(t.text)) > 0;
    if (t.kind != Tok::Op) return false;
    static const std::set<std::string> ops = {",", "=", "==", "<", ">", "<>", "<=", ">=", "!=", ";"};
    return ops.count(t.text) > 0;
}

Tokens translate_concat(const Tokens& t, std::size_t b, std::size_t e);

// Items of one parenthesis level: single tokens, or a whole "( ... )" group translated.
struct Item {
    Tokens toks;
    bool isBoundary = false;
    bool isAmp = false;
    bool isSpace = false;
};

Tokens translate_concat(const Tokens& t, std::size_t b, std::size_t e)
{
    std::vector<Item> items;
    for (std::size_t i = b; i < e; ++i) {
        if (is_op(t[i], "(")) {
            int level = 1;
            std::size_t j = i + 1;
            for (; j < e && level > 0; ++j) {
                if (is_op(t[j], "(")) ++level;
                if (is_op(t[j], ")")) --level;
            }
            // j is one past the closing parenthesis
            Item group;
            group.toks.push_back(t[i]);
            const Tokens inner = translate_concat(t, i + 1, j - 1);
            group.toks.insert(group.toks.end(), inner.begin(), inner.end());
            group.toks.push_back(t[j - 1]);
            items.push_back(std::move(group));
            i = j - 1;
            continue;
        }
        Item it;
        it.toks.push_back(t[i]);
        it.isBoundary = boundary(t[i]);
        it.isAmp = is_op(t[i], "&");
        it.isSpace = t[i].kind == Tok::Space;
        items.push_back(std::move(it));
    }

    Tokens out;
    auto flush = [&](std::size_t from, std::size_t to) {
        bool amp = false;
        for (std::size_t k = from; k < to; ++k) amp = amp || items[k].isAmp;
        if (!amp) {
            for (std::size_t k = from; k < to; ++k) out.insert(out.end(), items[k].toks.begin(), items[k].toks.end());
            return;
        }
        // Blanks at the edges stay outside the call.
        while (from < to && items[from].isSpace) out.push_back(items[from++].toks[0]);
        std::size_t last = to;
        while (last > from && items[last - 1].isSpace) --last;
        std::string call = "jet_concat(";
        std::string operand;
        for (std::size_t k = from; k < last; ++k) {
            if (items[k].isAmp) {
                if (trim(operand).empty()) throw Untranslatable{"\"&\" without an operand"};
                call += trim(operand) + ", ";
                operand.clear();
                continue;
            }
            operand += join(items[k].toks, 0, items[k].toks.size());
        }
        if (trim(operand).empty()) throw Untranslatable{"\"&\" without an operand"};
        call += trim(operand) + ")";
        out.push_back({Tok::Word, call, {}});
        for (std::size_t k = last; k < to; ++k) out.push_back(items[k].toks[0]);
    };
    std::size_t segment = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (!items[k].isBoundary) continue;
        flush(segment, k);
        out.insert(out.end(), items[k].toks.begin(), items[k].toks.end());
        segment = k + 1;
    }
    flush(segment, items.size());
    return out;
}

// The table behind a name used in a FROM or join clause: an alias is resolved to its
// table, any other name is the table itself.
std::string resolve_table(const Tokens& t, std::size_t b, std::size_t e, const Token& name)
{
    static const std::set<std::string> keywords = {"inner", "left",  "right", "outer", "join", "on",   "and",
                                                   "or",    "where", "full",  "cross", "natural", "using", "not"};
    const std::string wanted = bare(name);
    for (std::size_t i = b; i < e; ++i) {
        if (!is_name(t[i]) || (t[i].kind == Tok::Word && keywords.count(lower(t[i].text)))) continue;
        std::size_t a = next_sig(t, i);
        if (a < e && is_word(t[a], "as")) a = next_sig(t, a);
        if (a < e && is_name(t[a]) && !(t[a].kind == Tok::Word && keywords.count(lower(t[a].text))) && bare(t[a]) == wanted)
            return t[i].text;
    }
    return name.text;
}

// Splits [b, e) at top-level commas.
std::vector<std::pair<std::size_t, std::size_t>> split_commas(const Tokens& t, const std::vector<int>& d, std::size_t b,
                                                             std::size_t e)
{
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    std::size_t from = b;
    for (std::size_t i = b; i < e; ++i)
        if (d[i] == 0 && is_op(t[i], ",")) {
            parts.emplace_back(from, i);
            from = i + 1;
        }
    parts.emplace_back(from, e);
    return parts;
}

// Significant tokens of a range.
std::vector<std::size_t> significant(const Tokens& t, std::size_t b, std::size_t e)
{
    std::vector<std::size_t> s;
    for (std::size_t i = b; i < e; ++i)
        if (t[i].kind != Tok::Space) s.push_back(i);
    return s;
}

void translate_select(const Tokens& t, const std::vector<int>& d, JetTranslation& out)
{
    const std::size_t first = next_sig(t, std::string::npos);
    std::size_t from = find_top(t, d, "from", first, t.size());
    std::size_t into = find_top(t, d, "into", first, from);
    // TOP n becomes LIMIT n.
    std::string limit;
    Tokens body = t;
    std::size_t k = next_sig(body, first);
    if (k < body.size() && (is_word(body[k], "distinct") || is_word(body[k], "all"))) k = next_sig(body, k);
    if (k < body.size() && is_word(body[k], "top")) {
        const std::size_t n = next_sig(body, k);
        const std::size_t after = next_sig(body, n);
        if (n >= body.size() || body[n].kind != Tok::Number || (after < body.size() && is_word(body[after], "percent")))
            throw Untranslatable{"TOP without a row count"};
        limit = " LIMIT " + body[n].text;
        body[k] = {Tok::Space, "", {}};
        body[n] = {Tok::Space, "", {}};
    }
    std::string sql;
    if (into < from) {
        const std::string target = trim(join(body, into + 1, from));
        if (target.empty()) throw Untranslatable{"SELECT ... INTO without a table"};
        sql = "CREATE TABLE " + target + " AS " + trim(join(body, 0, into)) + " " + join(body, from, body.size());
        out.createdTable = target;
    } else {
        sql = join(body, 0, body.size());
        out.returnsRows = true;
    }
    std::string trimmed = trim(sql);
    out.statements.push_back(trimmed + limit);
}

void translate_delete(const Tokens& t, const std::vector<int>& d, JetTranslation& out)
{
    const std::size_t del = next_sig(t, std::string::npos);
    const std::size_t from = find_top(t, d, "from", del, t.size());
    if (from == t.size()) throw Untranslatable{"DELETE without FROM"};
    const auto list = significant(t, del + 1, from);
    const std::size_t where = find_top(t, d, "where", from, t.size());
    const auto source = significant(t, from + 1, where);
    if (list.empty() || (list.size() == 1 && is_op(t[list[0]], "*"))) {
        out.statements.push_back("DELETE FROM " + trim(join(t, from + 1, t.size())));
        return;
    }
    // DELETE x.* [, y.col] FROM ...: the rows of x go.
    const Token* target = nullptr;
    for (std::size_t k = 0; k + 2 < list.size() && !target; ++k)
        if (is_name(t[list[k]]) && is_op(t[list[k + 1]], ".") && is_op(t[list[k + 2]], "*")) target = &t[list[k]];
    if (!target) throw Untranslatable{"DELETE without a table.* to delete from"};
    if (source.size() == 1 && bare(t[source[0]]) == bare(*target)) {
        out.statements.push_back("DELETE FROM " + trim(join(t, from + 1, t.size())));
        return;
    }
    const std::string table = resolve_table(t, from + 1, where, *target);
    out.statements.push_back("DELETE FROM " + table + " WHERE rowid IN (SELECT " + target->text + ".rowid FROM " +
                             trim(join(t, from + 1, t.size())) + ")");
}

void translate_update(const Tokens& t, const std::vector<int>& d, JetTranslation& out)
{
    const std::size_t upd = next_sig(t, std::string::npos);
    const std::size_t set = find_top(t, d, "set", upd, t.size());
    if (set == t.size()) throw Untranslatable{"UPDATE without SET"};
    const std::size_t where = find_top(t, d, "where", set, t.size());
    const auto clause = significant(t, upd + 1, set);
    if (clause.empty()) throw Untranslatable{"UPDATE without a table"};

    struct Assignment {
        std::string column, value;
    };
    std::vector<Assignment> assignments;
    const Token* qualifier = nullptr;
    for (auto [b, e] : split_commas(t, d, set + 1, where)) {
        std::size_t eq = e;
        for (std::size_t i = b; i < e; ++i)
            if (d[i] == 0 && is_op(t[i], "=")) {
                eq = i;
                break;
            }
        if (eq == e) throw Untranslatable{"SET without \"=\""};
        const auto lhs = significant(t, b, eq);
        std::string column;
        if (lhs.size() == 1 && is_name(t[lhs[0]])) {
            column = t[lhs[0]].text;
        } else if (lhs.size() == 3 && is_name(t[lhs[0]]) && is_op(t[lhs[1]], ".") && is_name(t[lhs[2]])) {
            if (qualifier && bare(*qualifier) != bare(t[lhs[0]]))
                throw Untranslatable{"SET changes columns of more than one table"};
            qualifier = &t[lhs[0]];
            column = t[lhs[2]].text;
        } else {
            throw Untranslatable{"SET of something other than a column"};
        }
        assignments.push_back({column, trim(join(t, eq + 1, e))});
    }
    const std::string whereText = where < t.size() ? " " + trim(join(t, where, t.size())) : std::string();

    if (clause.size() == 1) {
        std::string sql = "UPDATE " + t[clause[0]].text + " SET ";
        for (std::size_t i = 0; i < assignments.size(); ++i)
            sql += (i ? ", " : "") + assignments[i].column + " = " + assignments[i].value;
        out.statements.push_back(sql + whereText);
        return;
    }
    // A join: the new values are computed in the join, row by row of the target table.
    const Token& q = qualifier ? *qualifier : t[clause[0]];
    const std::string table = resolve_table(t, upd + 1, set, q);
    std::string sql = "UPDATE " + table + " SET ";
    std::string select = "SELECT " + q.text + ".rowid AS vt_rowid";
    for (std::size_t i = 0; i < assignments.size(); ++i) {
        const std::string v = "vt_v" + std::to_string(i + 1);
        sql += (i ? ", " : "") + assignments[i].column + " = vt_src." + v;
        select += ", (" + assignments[i].value + ") AS " + v;
    }
    select += " FROM " + trim(join(t, upd + 1, set)) + whereText;
    out.statements.push_back(sql + " FROM (" + select + ") AS vt_src WHERE " + table + ".rowid = vt_src.vt_rowid");
}

void translate_alter(const Tokens& t, const std::vector<int>& d, JetTranslation& out)
{
    const auto s = significant(t, 0, t.size());
    // ALTER TABLE name ADD [COLUMN] def, def ...
    if (s.size() < 5 || !is_word(t[s[1]], "table") || !is_word(t[s[3]], "add")) {
        out.statements.push_back(trim(join(t, 0, t.size())));
        return;
    }
    std::size_t defs = s[3] + 1;
    if (is_word(t[s[4]], "column")) defs = s[4] + 1;
    const std::size_t firstDef = next_sig(t, defs - 1);
    for (const char* w : {"primary", "constraint", "unique", "foreign", "check"})
        if (firstDef < t.size() && is_word(t[firstDef], w)) throw Untranslatable{"ALTER TABLE ... ADD of a constraint"};
    const std::string head = "ALTER TABLE " + t[s[2]].text + " ADD COLUMN ";
    for (auto [b, e] : split_commas(t, d, defs, t.size())) {
        const std::string def = trim(join(t, b, e));
        if (def.empty()) throw Untranslatable{"ALTER TABLE ... ADD with an empty column"};
        out.statements.push_back(head + def);
    }
}

void translate_one(Tokens t, JetTranslation& out)
{
    translate_words(t);
    translate_in_file(t, out.attachments);
    depths(t);  // refuses unbalanced parentheses before the operands are looked for
    t = translate_concat(t, 0, t.size());
    const auto d = depths(t);
    const std::size_t first = next_sig(t, std::string::npos);
    if (first >= t.size()) return;
    const std::string verb = lower(t[first].text);
    if (verb == "select") {
        translate_select(t, d, out);
    } else if (verb == "delete") {
        translate_delete(t, d, out);
    } else if (verb == "update") {
        translate_update(t, d, out);
    } else if (verb == "alter") {
        translate_alter(t, d, out);
    } else if (verb == "drop") {
        // DROP INDEX name ON table: the index name alone.
        const auto s = significant(t, 0, t.size());
        if (s.size() >= 5 && is_word(t[s[1]], "index") && is_word(t[s[3]], "on"))
            out.statements.push_back("DROP INDEX " + t[s[2]].text);
        else
            out.statements.push_back(trim(join(t, 0, t.size())));
    } else {
        out.statements.push_back(trim(join(t, 0, t.size())));
    }
}

// Detaches the files of a statement whatever happens to it.
class Attached {
public:
    Attached(Connection& c, const std::vector<JetAttachment>& files) : c_(c)
    {
        for (const auto& f : files) {
            c_.executeIgnoringErrors("DETACH DATABASE " + f.alias);
            c_.execute("ATTACH DATABASE ? AS " + f.alias, {f.path});
            aliases_.push_back(f.alias);
        }
    }
    ~Attached()
    {
        for (const auto& a : aliases_) c_.executeIgnoringErrors("DETACH DATABASE " + a);
    }
    Attached(const Attached&) = delete;
    Attached& operator=(const Attached&) = delete;

private:
    Connection& c_;
    std::vector<std::string> aliases_;
};

int run_statements(Connection& c, const JetTranslation& tr, std::size_t count)
{
    int changed = 0;
    for (std::size_t i = 0; i < count; ++i) changed += c.execute(tr.statements[i]);
    return changed;
}

} // namespace

JetTranslation translate_jet(std::string_view statement)
{
    JetTranslation out;
    out.original = std::string(statement);
    try {
        Tokens all = tokenize(statement);
        Tokens current;
        for (auto& tok : all) {
            if (is_op(tok, ";")) {
                translate_one(std::move(current), out);
                current.clear();
                continue;
            }
            current.push_back(std::move(tok));
        }
        translate_one(std::move(current), out);
        if (out.statements.size() > 1) out.returnsRows = false;
    } catch (const Untranslatable& u) {
        out = JetTranslation{};
        out.original = std::string(statement);
        out.translated = false;
        out.problem = u.why;
        out.statements = {trim(out.original)};
    }
    return out;
}

std::string statement_error(const std::string& engineMessage, const std::string& statement)
{
    std::string shown;
    for (char ch : trim(statement)) shown += (ch == '\n' || ch == '\r' || ch == '\t') ? ' ' : ch;
    if (shown.size() > 300) shown = shown.substr(0, 300) + " ...";
    return engineMessage + " [statement: " + shown + "]";
}

int execute_jet(Connection& c, const std::string& statement)
{
    const JetTranslation tr = translate_jet(statement);
    try {
        Attached files(c, tr.attachments);
        int changed = 0;
        if (tr.statements.size() > 1) {
            Savepoint sp(c, "vt_jet_statement");
            changed = run_statements(c, tr, tr.statements.size());
            sp.release();
        } else {
            changed = run_statements(c, tr, tr.statements.size());
        }
        if (!tr.createdTable.empty())
            changed = static_cast<int>(c.scalar("SELECT COUNT(*) FROM " + tr.createdTable).toInt());
        return changed;
    } catch (const DbError& e) {
        std::string message = e.what();
        if (!tr.translated) message += " (not translated: " + tr.problem + ")";
        throw DbError(statement_error(message, statement), e.code(), statement);
    }
}

void query_jet(Connection& c, const std::string& statement, const std::function<void(Cursor&)>& onRows)
{
    const JetTranslation tr = translate_jet(statement);
    if (tr.statements.empty()) return;
    try {
        Attached files(c, tr.attachments);
        run_statements(c, tr, tr.statements.size() - 1);
        Cursor rows = c.query(tr.statements.back());
        if (onRows) onRows(rows);
    } catch (const DbError& e) {
        std::string message = e.what();
        if (!tr.translated) message += " (not translated: " + tr.problem + ")";
        throw DbError(statement_error(message, statement), e.code(), statement);
    }
}

} // namespace vt::db
