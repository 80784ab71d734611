#include "db/jet_translator.h"

#include "db/connection.h"
#include "db/savepoint.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <variant>

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

// The crosstab's statement for the given pivot values (SQL literals, column names).
std::string pivot_statement(const JetTranslation& tr, const std::vector<std::pair<std::string, std::string>>& columns)
{
    std::string cols;
    for (const auto& [literal, name] : columns) {
        const std::string cond = literal == "NULL" ? tr.pivotExpression + " IS NULL"
                                                   : tr.pivotExpression + " COLLATE JET = " + literal;
        std::string agg = tr.pivotAggregate;
        for (std::size_t at; (at = agg.find('\x01')) != std::string::npos;) agg.replace(at, 1, cond);
        std::string ident = "\"";
        for (char ch : name) ident += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        // A cell without rows is Null, whatever the aggregate.
        cols += ", CASE WHEN count(CASE WHEN " + cond + " THEN 1 END) > 0 THEN " + agg + " END AS " + ident + "\"";
    }
    return tr.pivotHead + cols + tr.pivotTail;
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
        {"left", "jet_left"},     {"right", "jet_right"}, {"mid", "jet_mid"},     {"len", "jet_len"},
        {"ucase", "upper"},       {"lcase", "lower"},     {"format", "jet_format"}, {"iif", "iif"},
        {"nz", "nz"},             {"round", "jet_round"},   {"isnull", "jet_isnull"}, {"replace", "jet_replace"}, {"first", "jet_first"},
        {"last", "jet_last"},     {"now", "jet_now"},     {"date", "jet_date"},   {"time", "jet_time"},
        {"log", "jet_log"},       {"exp", "jet_exp"},     {"asc", "unicode"},     {"chr", "char"},
        {"ascw", "unicode"},      {"chrw", "char"},
    };
    // Functions of the dialect that have no counterpart here: refused by name rather than
    // failing halfway through a script.
    static const std::set<std::string> refused = {
        "dlookup", "dsum",     "dcount",   "davg",       "dmin",       "dmax",       "dfirst",        "dlast",
        "dstdev",  "dvar",     "eval",     "strconv",    "partition",  "ccur",       "cdate",         "cvdate",
        "cbool",   "csng",     "cbyte",    "cvar",       "cdec",       "timeserial", "timevalue",     "datevalue",
        "monthname", "weekdayname", "formatnumber", "formatcurrency", "formatdatetime", "formatpercent",
        "strreverse", "hex",   "oct",      "rnd",        "timer",      "environ",    "shell",         "curdir",
        "dir",     "filelen",  "filedatetime", "inputbox", "msgbox",   "ddb",        "sln",           "syd",
        "pmt",     "ppmt",     "ipmt",     "fv",         "pv",         "npv",        "irr",           "rate",
        "nper",    "mirr",     "atn",      "lof",        "loc",        "eof",        "freefile",      "typename",
        "vartype", "isempty",  "iserror",  "isobject",   "ismissing",  "isarray",    "cverr",         "error",
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
            else if (nx < t.size() && is_op(t[nx], "(")) {
                if (auto f = functions.find(w); f != functions.end()) k.text = f->second;
                else if (refused.count(w)) throw Untranslatable{"the function " + k.text + "() (not available here)"};
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
        out.push_back({Tok::Word, "jet_concat", {}});
        out.push_back({Tok::Op, "(", {}});
        bool empty = true;
        for (std::size_t k = from; k < last; ++k) {
            if (items[k].isAmp) {
                if (empty) throw Untranslatable{"\"&\" without an operand"};
                while (!out.empty() && out.back().kind == Tok::Space) out.pop_back();
                out.push_back({Tok::Op, ",", {}});
                out.push_back({Tok::Space, " ", {}});
                empty = true;
                continue;
            }
            if (empty && items[k].isSpace) continue;
            empty = false;
            out.insert(out.end(), items[k].toks.begin(), items[k].toks.end());
        }
        if (empty) throw Untranslatable{"\"&\" without an operand"};
        while (!out.empty() && out.back().kind == Tok::Space) out.pop_back();
        out.push_back({Tok::Op, ")", {}});
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


// ---- Operators with the dialect's meaning ---------------------------------------------

// Words that cannot stand as (part of) an operand.
bool keyword(const Token& t)
{
    static const std::set<std::string> words = {
        "and",    "or",     "not",   "like",  "alike",  "is",     "in",      "between", "select", "from",
        "where",  "as",     "then",  "else",  "when",   "end",    "case",    "on",      "set",    "into",
        "group",  "order",  "by",    "having", "values", "union", "join",    "inner",   "left",   "right",
        "outer",  "escape", "asc",   "desc",  "distinct", "all",  "top",     "limit",   "full",   "cross",
        "exists", "percent", "distinctrow", "transform", "pivot", "parameters", "mod", "collate", "update",
        "delete", "insert", "natural", "using", "except", "intersect", "offset", "nulls"};
    return t.kind == Tok::Word && words.count(lower(t.text)) > 0;
}

bool operand_end(const Token& t)
{
    return t.kind == Tok::Number || t.kind == Tok::String || t.kind == Tok::Ident || is_op(t, ")") ||
           (t.kind == Tok::Word && !keyword(t));
}

std::size_t matching_close(const Tokens& t, std::size_t open)
{
    int level = 0;
    for (std::size_t i = open; i < t.size(); ++i) {
        if (is_op(t[i], "(")) ++level;
        if (is_op(t[i], ")") && --level == 0) return i;
    }
    throw Untranslatable{"unbalanced parentheses"};
}

std::size_t matching_open(const Tokens& t, std::size_t close)
{
    int level = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
        if (is_op(t[i], ")")) ++level;
        if (is_op(t[i], "(") && --level == 0) return i;
    }
    throw Untranslatable{"unbalanced parentheses"};
}

constexpr std::size_t kNone = std::string::npos;

// A primary (name, dotted name, literal, call, parenthesised group) ending at k; its first
// token, or kNone.
std::size_t primary_back(const Tokens& t, std::size_t k)
{
    if (k == kNone) return kNone;
    if (is_op(t[k], ")")) {
        std::size_t b = matching_open(t, k);
        const std::size_t f = prev_sig(t, b);
        if (f != kNone && t[f].kind == Tok::Word && !keyword(t[f])) b = f;
        return b;
    }
    if (!operand_end(t[k])) return kNone;
    std::size_t b = k;
    for (;;) {
        const std::size_t dot = prev_sig(t, b);
        if (dot == kNone || !is_op(t[dot], ".")) break;
        const std::size_t name = prev_sig(t, dot);
        if (name == kNone || !is_name(t[name])) break;
        b = name;
    }
    return b;
}

// A primary beginning at k; its last token, or kNone.
std::size_t primary_fwd(const Tokens& t, std::size_t k)
{
    if (k >= t.size()) return kNone;
    if (is_op(t[k], "(")) return matching_close(t, k);
    if (!operand_end(t[k]) || is_op(t[k], ")")) return kNone;
    std::size_t e = k;
    if (t[k].kind == Tok::Word) {
        const std::size_t n = next_sig(t, k);
        if (n < t.size() && is_op(t[n], "(")) return matching_close(t, n);
    }
    for (;;) {
        const std::size_t dot = next_sig(t, e);
        if (dot >= t.size() || !is_op(t[dot], ".")) break;
        const std::size_t name = next_sig(t, dot);
        if (name >= t.size() || !(is_name(t[name]) || is_op(t[name], "*"))) break;
        e = name;
    }
    return e;
}

bool is_sign(const Token& t) { return is_op(t, "-") || is_op(t, "+"); }

// The operand left of the operator at i: primaries joined by the operators in `inner`,
// each with its unary signs. Its first token, or kNone.
std::size_t operand_back(const Tokens& t, std::size_t i, const std::set<std::string>& inner)
{
    std::size_t b = primary_back(t, prev_sig(t, i));
    if (b == kNone) return kNone;
    for (;;) {
        // Unary signs: a sign not preceded by an operand.
        std::size_t s = prev_sig(t, b);
        while (s != kNone && is_sign(t[s])) {
            const std::size_t before = prev_sig(t, s);
            if (before != kNone && operand_end(t[before])) break;
            b = s;
            s = before;
        }
        if (s == kNone || t[s].kind != Tok::Op || !inner.count(t[s].text)) break;
        const std::size_t nb = primary_back(t, prev_sig(t, s));
        if (nb == kNone) break;
        b = nb;
    }
    return b;
}

std::size_t operand_fwd(const Tokens& t, std::size_t i, const std::set<std::string>& inner)
{
    std::size_t k = next_sig(t, i);
    while (k < t.size() && is_sign(t[k])) k = next_sig(t, k);
    std::size_t e = primary_fwd(t, k);
    if (e == kNone) return kNone;
    for (;;) {
        const std::size_t op = next_sig(t, e);
        if (op >= t.size() || t[op].kind != Tok::Op || !inner.count(t[op].text)) break;
        std::size_t n = next_sig(t, op);
        while (n < t.size() && is_sign(t[n])) n = next_sig(t, n);
        const std::size_t ne = primary_fwd(t, n);
        if (ne == kNone) break;
        e = ne;
    }
    return e;
}

Tokens slice(const Tokens& t, std::size_t b, std::size_t e)  // [b, e], blanks at the edges dropped
{
    while (b <= e && t[b].kind == Tok::Space) ++b;
    while (e > b && t[e].kind == Tok::Space) --e;
    return Tokens(t.begin() + static_cast<std::ptrdiff_t>(b), t.begin() + static_cast<std::ptrdiff_t>(e) + 1);
}


// Replaces tokens [b, e] by prefix + fn(left, right), left = [lb, le], right = [rb, re].
std::size_t replace_with_call(Tokens& t, std::size_t b, std::size_t e, Tokens call, const char* fn, std::size_t lb,
                              std::size_t le, std::size_t rb, std::size_t re)
{
    call.push_back({Tok::Word, fn, {}});
    call.push_back({Tok::Op, "(", {}});
    const Tokens l = slice(t, lb, le), r = slice(t, rb, re);
    call.insert(call.end(), l.begin(), l.end());
    call.push_back({Tok::Op, ",", {}});
    call.push_back({Tok::Space, " ", {}});
    call.insert(call.end(), r.begin(), r.end());
    call.push_back({Tok::Op, ")", {}});
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(b), t.begin() + static_cast<std::ptrdiff_t>(e) + 1);
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(b), call.begin(), call.end());
    return b;
}

// Every binary operator `op` (an operator token, or a word such as Mod) becomes fn(left,
// right); operands stretch over the operators in `leftInner` and `rightInner`.
void binary_to_call(Tokens& t, const std::function<bool(const Token&)>& isOp, const std::string& shown, const char* fn,
                    const std::set<std::string>& leftInner, const std::set<std::string>& rightInner,
                    bool required = true)
{
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!isOp(t[i])) continue;
        const std::size_t p = prev_sig(t, i);
        // A sign after no operand is unary, not this operator.
        if (is_sign(t[i]) && (p == kNone || !operand_end(t[p]))) continue;
        const std::size_t b = operand_back(t, i, leftInner);
        const std::size_t e = operand_fwd(t, i, rightInner);
        if (b == kNone || e == kNone) {
            // + and - of operands it cannot read (CASE ... END) stay SQLite's own.
            if (!required) continue;
            throw Untranslatable{"an operand of \"" + shown + "\" that cannot be read"};
        }
        // The call's own operands are looked at again (an operator inside them).
        i = replace_with_call(t, b, e, {}, fn, b, i - 1, i + 1, e);
    }
}

// / real division, \ integer division and Mod of rounded operands, + that joins two texts,
// + and - with dates.
void translate_arithmetic(Tokens& t)
{
    for (const auto& k : t)
        if (is_op(k, "^")) throw Untranslatable{"the power operator \"^\""};
    binary_to_call(t, [](const Token& k) { return is_op(k, "/"); }, "/", "jet_div", {"*"}, {});
    binary_to_call(t, [](const Token& k) { return is_op(k, "\\"); }, "\\", "jet_intdiv", {"*"}, {"*"});
    binary_to_call(t, [](const Token& k) { return is_word(k, "mod"); }, "Mod", "jet_mod", {"*"}, {"*"});
    // + and - (same rank, left to right): + first with "-" inside its left operand, then -.
    binary_to_call(t, [](const Token& k) { return is_op(k, "+"); }, "+", "jet_add", {"*", "-"}, {"*"}, false);
    binary_to_call(t, [](const Token& k) { return is_op(k, "-"); }, "-", "jet_sub", {"*"}, {"*"}, false);
}

// x [NOT] LIKE p -> [NOT] jet_like(x, p); ALIKE -> jet_alike.
void translate_like(Tokens& t)
{
    static const std::set<std::string> inner = {"*", "-", "+", "||", "%"};
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool like = is_word(t[i], "like"), alike = is_word(t[i], "alike");
        if (!like && !alike) continue;
        std::size_t at = i;
        const std::size_t p = prev_sig(t, i);
        const bool negated = p != kNone && is_word(t[p], "not");
        if (negated) at = p;
        const std::size_t b = operand_back(t, at, inner);
        const std::size_t e = operand_fwd(t, i, inner);
        if (b == kNone || e == kNone) throw Untranslatable{"an operand of LIKE that cannot be read"};
        const std::size_t after = next_sig(t, e);
        if (after < t.size() && is_word(t[after], "escape")) throw Untranslatable{"LIKE ... ESCAPE"};
        Tokens prefix;
        if (negated) prefix = {{Tok::Word, "NOT", {}}, {Tok::Space, " ", {}}};
        i = replace_with_call(t, b, e, prefix, alike ? "jet_alike" : "jet_like", b, at - 1, i + 1, e);
    }
}

// Text comparison without case: the comparison operators, IN, BETWEEN, ORDER BY and
// GROUP BY compare through the collation JET. A side that is a number or a column that is
// never text (by the schema, when known) needs none, which keeps the indexes of numeric
// keys usable.
void translate_collation(Tokens& t, const JetSchema* schema, const std::set<std::size_t>& assignments)
{
    auto plain = [&](std::size_t k) {  // a side that compares as a number anyway
        if (k == kNone || k >= t.size()) return false;
        if (t[k].kind == Tok::Number) return true;
        if (is_sign(t[k])) {
            const std::size_t n = next_sig(t, k);
            return n < t.size() && t[n].kind == Tok::Number;
        }
        if (!schema || !is_name(t[k]) || keyword(t[k])) return false;
        std::size_t name = k;
        // Forward: t.col names col.
        for (std::size_t d = next_sig(t, name); d < t.size() && is_op(t[d], ".");) {
            const std::size_t n = next_sig(t, d);
            if (n >= t.size() || !is_name(t[n])) break;
            name = n;
            d = next_sig(t, n);
        }
        const std::size_t call = next_sig(t, name);
        if (call < t.size() && is_op(t[call], "(")) return false;
        return schema->nonText.count(bare(t[name])) > 0;
    };
    auto collate = [](Tokens& out, std::size_t at) {
        const Tokens c{{Tok::Space, " ", {}}, {Tok::Word, "COLLATE", {}}, {Tok::Space, " ", {}}, {Tok::Word, "JET", {}},
                       {Tok::Space, " ", {}}};
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), c.begin(), c.end());
    };
    static const std::set<std::string> comparisons = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
    // Back to front, so that insertions leave the positions still to visit in place.
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == Tok::Op && comparisons.count(t[i].text) && !assignments.count(i)) {
            const std::size_t l = prev_sig(t, i), r = next_sig(t, i);
            if (l != kNone && is_word(t[l], "jet")) continue;
            // The left side's last token names the column of "t.col"; a call is unknown.
            const bool leftPlain = l != kNone && plain(l) && !is_op(t[l], ")");
            if (!leftPlain && !plain(r)) at.push_back(i);
        } else if (is_word(t[i], "in") || is_word(t[i], "between")) {
            std::size_t l = prev_sig(t, i);
            std::size_t where = i;
            if (l != kNone && is_word(t[l], "not")) {
                where = l;
                l = prev_sig(t, l);
            }
            if (l != kNone && operand_end(t[l]) && !plain(l)) at.push_back(where);
        }
    }
    // ORDER BY and GROUP BY items.
    const auto d = depths(t);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!(is_word(t[i], "order") || is_word(t[i], "group"))) continue;
        const std::size_t by = next_sig(t, i);
        if (by >= t.size() || !is_word(t[by], "by")) continue;
        std::size_t e = by + 1;
        while (e < t.size() && d[e] >= d[i] &&
               !(d[e] == d[i] && (is_op(t[e], ")") || is_op(t[e], ";") ||
                                  (t[e].kind == Tok::Word && (is_word(t[e], "having") || is_word(t[e], "order") ||
                                                              is_word(t[e], "limit") || is_word(t[e], "union") ||
                                                              is_word(t[e], "pivot") || is_word(t[e], "window"))))))
            ++e;
        std::size_t from = by + 1;
        for (std::size_t k = by + 1; k <= e; ++k) {
            if (k < e && !(d[k] == d[i] && is_op(t[k], ","))) continue;
            auto sig = significant(t, from, k);
            while (!sig.empty() && (is_word(t[sig.back()], "asc") || is_word(t[sig.back()], "desc"))) sig.pop_back();
            bool already = false;
            for (std::size_t x : sig) already = already || is_word(t[x], "collate");
            const bool single = sig.size() == 1 || (sig.size() == 3 && is_op(t[sig[1]], "."));
            if (!sig.empty() && !already && !(single && plain(sig.front())) && !(sig.size() == 1 && t[sig[0]].kind == Tok::Number))
                at.push_back(sig.back() + 1);
            from = k + 1;
        }
    }
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    for (auto it = at.rbegin(); it != at.rend(); ++it) collate(t, *it);
}

void translate_select(const Tokens& t, const std::vector<int>& d, JetTranslation& out)
{
    const std::size_t first = next_sig(t, std::string::npos);
    std::size_t from = find_top(t, d, "from", first, t.size());
    std::size_t into = find_top(t, d, "into", first, from);
    // TOP n becomes LIMIT n; TOP n PERCENT a limit of n % of the rows, rounded up.
    std::string limit;
    Tokens body = t;
    std::size_t k = next_sig(body, first);
    if (k < body.size() && is_word(body[k], "distinctrow")) {
        // DISTINCTROW drops rows that repeat a whole source row: with one table nothing.
        const std::size_t where = find_top(t, d, "where", from, t.size());
        bool several = false;
        for (std::size_t i = from; i < where; ++i)
            several = several || (d[i] == 0 && (is_word(t[i], "join") || is_op(t[i], ",")));
        if (several) throw Untranslatable{"DISTINCTROW over several tables"};
        body[k] = {Tok::Space, "", {}};
        k = next_sig(body, k);
    }
    if (k < body.size() && (is_word(body[k], "distinct") || is_word(body[k], "all"))) k = next_sig(body, k);
    if (k < body.size() && is_word(body[k], "top")) {
        const std::size_t n = next_sig(body, k);
        const std::size_t after = next_sig(body, n);
        if (n >= body.size() || body[n].kind != Tok::Number) throw Untranslatable{"TOP without a row count"};
        body[k] = {Tok::Space, "", {}};
        body[n] = {Tok::Space, "", {}};
        if (after < body.size() && is_word(body[after], "percent")) {
            body[after] = {Tok::Space, "", {}};
            const std::size_t order = find_top(t, d, "order", from, t.size());
            const std::string counted =
                "SELECT " + trim(join(body, first + 1, std::min(into, from))) + " " + trim(join(body, from, order));
            limit = " LIMIT (SELECT CAST(COUNT(*) * " + t[n].text + " / 100.0 + 0.999999999 AS INTEGER) FROM (" +
                    counted + "))";
        } else {
            limit = " LIMIT " + t[n].text;
        }
    }
    // A condition in the select list gives True as -1, as the dialect does (SQLite: 1).
    {
        std::size_t listStart = k;  // after SELECT, DISTINCT, TOP n
        const std::size_t listEnd = std::min(into, from);
        for (auto [b, e] : split_commas(t, d, listStart, listEnd)) {
            std::size_t exprEnd = e;
            for (std::size_t i = b; i < e; ++i)
                if (d[i] == 0 && is_word(t[i], "as")) exprEnd = i;
            bool condition = false;
            for (std::size_t i = b; i < exprEnd; ++i) {
                if (d[i] != 0) continue;
                static const std::set<std::string> ops = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
                if ((t[i].kind == Tok::Op && ops.count(t[i].text)) || is_word(t[i], "and") || is_word(t[i], "or") ||
                    is_word(t[i], "not") || is_word(t[i], "is") || is_word(t[i], "in") || is_word(t[i], "between"))
                    condition = true;
            }
            const auto sig = significant(body, b, exprEnd);
            if (!condition || sig.empty()) continue;
            body[sig.front()].text = "-(" + body[sig.front()].text;
            body[sig.back()].text += ")";
        }
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

// TRANSFORM agg SELECT rows FROM ... GROUP BY rows PIVOT expr [IN (v1, v2 ...)]: one
// column per pivot value, each the aggregate over the rows with that value. With an IN
// list the columns are known here; without one the statement is completed when it runs
// (complete_pivot), after reading the values, in ascending order (Null: "<>").
void translate_transform(const Tokens& t, const std::vector<int>& d, JetTranslation& out)
{
    const std::size_t first = next_sig(t, kNone);
    const std::size_t sel = find_top(t, d, "select", first, t.size());
    const std::size_t piv = find_top(t, d, "pivot", sel, t.size());
    if (sel == t.size() || piv == t.size()) throw Untranslatable{"TRANSFORM without SELECT ... PIVOT"};
    const std::size_t from = find_top(t, d, "from", sel, piv);
    if (from == piv) throw Untranslatable{"TRANSFORM without FROM"};
    std::size_t fromEnd = piv;
    for (const char* w : {"group", "having", "order"}) fromEnd = std::min(fromEnd, find_top(t, d, w, from, piv));
    const std::size_t in = find_top(t, d, "in", piv, t.size());
    const std::string pivot = "(" + trim(join(t, piv + 1, in)) + ")";
    if (pivot == "()") throw Untranslatable{"PIVOT without an expression"};

    // The aggregate with a condition marker: Sum(x) -> Sum(CASE WHEN \x01 THEN (x) END).
    static const std::set<std::string> aggregates = {"count", "sum",   "avg", "min", "max", "jet_first",
                                                     "jet_last", "stdev", "stdevp", "var", "varp"};
    Tokens agg(t.begin() + static_cast<std::ptrdiff_t>(first) + 1, t.begin() + static_cast<std::ptrdiff_t>(sel));
    bool any = false;
    for (std::size_t i = 0; i < agg.size(); ++i) {
        if (agg[i].kind != Tok::Word || !aggregates.count(lower(agg[i].text))) continue;
        const std::size_t open = next_sig(agg, i);
        if (open >= agg.size() || !is_op(agg[open], "(")) continue;
        const std::size_t close = matching_close(agg, open);
        std::string arg = trim(join(agg, open + 1, close));
        if (arg == "*") arg = "1";
        if (arg.empty()) throw Untranslatable{"TRANSFORM with an aggregate without an argument"};
        agg[open + 1] = {Tok::Word, "CASE WHEN \x01 THEN (" + arg + ") END", {}};
        for (std::size_t k = open + 2; k < close; ++k) agg[k] = {Tok::Space, "", {}};
        any = true;
        i = close;
    }
    if (!any) throw Untranslatable{"TRANSFORM without an aggregate"};
    out.pivotAggregate = trim(join(agg, 0, agg.size()));
    out.pivotExpression = pivot;
    out.pivotHead = trim(join(t, sel, from));
    out.pivotTail = " " + trim(join(t, from, piv));
    out.pivotValues = "SELECT " + pivot + " AS v " + trim(join(t, from, fromEnd)) + " GROUP BY " + pivot +
                      " COLLATE JET ORDER BY " + pivot + " COLLATE JET";
    out.returnsRows = true;
    if (in == t.size()) {
        out.statements.push_back("");  // completed when the statement runs
        return;
    }
    const std::size_t open = next_sig(t, in);
    if (open >= t.size() || !is_op(t[open], "(")) throw Untranslatable{"PIVOT ... IN without a list"};
    const std::size_t close = matching_close(t, open);
    std::vector<std::pair<std::string, std::string>> columns;  // literal, name
    const auto depth = depths(t);
    std::vector<std::pair<std::size_t, std::size_t>> items;
    for (std::size_t k = open + 1, from = open + 1; k <= close; ++k)
        if (k == close || (depth[k] == depth[open] + 1 && is_op(t[k], ","))) {
            items.emplace_back(from, k);
            from = k + 1;
        }
    for (auto [b, e] : items) {
        const auto sig = significant(t, b, e);
        if (sig.size() != 1 || (t[sig[0]].kind != Tok::String && t[sig[0]].kind != Tok::Number))
            throw Untranslatable{"PIVOT ... IN with something other than values"};
        const Token& v = t[sig[0]];
        std::string name = v.kind == Tok::String ? v.text.substr(1, v.text.size() - 2) : v.text;
        std::string unq;
        for (std::size_t k = 0; k < name.size(); ++k) {
            unq += name[k];
            if (name[k] == '\'' && k + 1 < name.size() && name[k + 1] == '\'') ++k;
        }
        columns.emplace_back(v.text, unq);
    }
    out.statements.push_back(pivot_statement(out, columns) + join(t, close + 1, t.size()));
}

// Whether [b, e) holds a condition at its own level (a comparison, AND, OR, NOT, IS, IN,
// BETWEEN), whose True SQLite gives as 1 where the dialect gives -1.
bool holds_condition(const Tokens& t, const std::vector<int>& d, std::size_t b, std::size_t e, int level)
{
    static const std::set<std::string> ops = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
    for (std::size_t i = b; i < e; ++i) {
        if (d[i] != level) continue;
        if ((t[i].kind == Tok::Op && ops.count(t[i].text)) || is_word(t[i], "and") || is_word(t[i], "or") ||
            is_word(t[i], "not") || is_word(t[i], "is") || is_word(t[i], "in") || is_word(t[i], "between"))
            return true;
    }
    return false;
}

// A condition passed to a function (Sum(yield > 5), -Sum(...) counts the rows in the
// dialect) is given as -1 / 0.
void translate_truth(Tokens& t)
{
    const auto d = depths(t);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!is_op(t[i], "(")) continue;
        const std::size_t f = prev_sig(t, i);
        if (f == kNone || t[f].kind != Tok::Word || keyword(t[f]) || is_word(t[f], "cast")) continue;
        const std::size_t close = matching_close(t, i);
        const int level = d[i] + 1;
        std::size_t from = i + 1;
        for (std::size_t k = i + 1; k <= close; ++k) {
            if (k < close && !(d[k] == level && is_op(t[k], ","))) continue;
            const auto sig = significant(t, from, k);
            if (!sig.empty() && holds_condition(t, d, from, k, level) && !is_word(t[sig.front()], "select")) {
                t[sig.front()].text = "-(" + t[sig.front()].text;
                t[sig.back()].text += ")";
            }
            from = k + 1;
        }
    }
}

// DISTINCT tells texts apart without case, as the dialect does: each SELECT DISTINCT (a
// subquery's too) without GROUP BY, aggregate or * becomes a GROUP BY of its selected
// expressions through the collation JET. Only token texts change.
void translate_distinct(Tokens& t)
{
    static const std::set<std::string> aggregates = {"count", "sum",   "avg", "min", "max",  "jet_first", "jet_last",
                                                     "stdev", "stdevp", "var", "varp", "total", "group_concat"};
    const auto d = depths(t);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!is_word(t[i], "select")) continue;
        const int level = d[i];
        std::size_t rangeEnd = i + 1;
        while (rangeEnd < t.size() && d[rangeEnd] >= level && !(d[rangeEnd] == level && is_op(t[rangeEnd], ")"))) ++rangeEnd;
        auto at = [&](const char* w, std::size_t from) {
            for (std::size_t k = from; k < rangeEnd; ++k)
                if (d[k] == level && is_word(t[k], w)) return k;
            return rangeEnd;
        };
        const std::size_t distinct = next_sig(t, i);
        if (distinct >= rangeEnd || !is_word(t[distinct], "distinct")) continue;
        std::size_t list = next_sig(t, distinct);
        if (list < rangeEnd && is_word(t[list], "top")) {
            list = next_sig(t, next_sig(t, list));
            if (list < rangeEnd && is_word(t[list], "percent")) list = next_sig(t, list);
        }
        const std::size_t from = at("from", list);
        if (from == rangeEnd) continue;
        const std::size_t listEnd = std::min(at("into", list), from);
        std::size_t end = rangeEnd;
        for (const char* w : {"group", "having", "order", "union", "except", "intersect", "limit", "window"})
            end = std::min(end, at(w, from));
        bool plain = end == rangeEnd || !(is_word(t[end], "group") || is_word(t[end], "having") || is_word(t[end], "window"));
        for (std::size_t k = list; k < listEnd && plain; ++k) {
            if (is_op(t[k], "*")) plain = false;
            const std::size_t n = next_sig(t, k);
            if (t[k].kind == Tok::Word && aggregates.count(lower(t[k].text)) && n < t.size() && is_op(t[n], "(")) plain = false;
        }
        if (!plain) continue;
        std::string groups;
        std::size_t b = list;
        for (std::size_t k = list; k <= listEnd; ++k) {
            if (k < listEnd && !(d[k] == level && is_op(t[k], ","))) continue;
            std::size_t exprEnd = k;
            for (std::size_t x = b; x < k; ++x)
                if (d[x] == level && is_word(t[x], "as")) exprEnd = x;
            const std::string expr = trim(join(t, b, exprEnd));
            if (!expr.empty()) groups += (groups.empty() ? "" : ", ") + std::string("(") + expr + ") COLLATE JET";
            b = k + 1;
        }
        if (groups.empty()) continue;
        t[distinct] = {Tok::Space, "", {}};
        if (end < rangeEnd) t[end].text = "GROUP BY " + groups + " " + t[end].text;
        else t[rangeEnd - 1].text += " GROUP BY " + groups;
    }
}

// The "=" of UPDATE ... SET col = value: assignments, not comparisons.
std::set<std::size_t> assignment_positions(const Tokens& t)
{
    std::set<std::size_t> out;
    const auto d = depths(t);
    const std::size_t first = next_sig(t, kNone);
    if (first >= t.size() || !is_word(t[first], "update")) return out;
    const std::size_t set = find_top(t, d, "set", first, t.size());
    const std::size_t where = find_top(t, d, "where", set, t.size());
    bool want = true;
    for (std::size_t i = set; i < where; ++i) {
        if (d[i] != 0) continue;
        if (is_op(t[i], ",")) want = true;
        else if (want && is_op(t[i], "=")) {
            out.insert(i);
            want = false;
        }
    }
    return out;
}

void translate_one(Tokens t, JetTranslation& out, const JetSchema* schema)
{
    translate_words(t);
    translate_in_file(t, out.attachments);
    depths(t);  // refuses unbalanced parentheses before the operands are looked for
    const std::size_t first = next_sig(t, kNone);
    if (first >= t.size()) return;
    const std::string verb = lower(t[first].text);
    const bool query = verb == "select" || verb == "update" || verb == "delete" || verb == "insert" || verb == "with" ||
                       verb == "transform";
    if (query) {
        translate_arithmetic(t);
        t = translate_concat(t, 0, t.size());
        translate_like(t);
        translate_collation(t, schema, assignment_positions(t));
        translate_truth(t);
        translate_distinct(t);
    } else {
        t = translate_concat(t, 0, t.size());
    }
    const auto d = depths(t);
    if (verb == "transform") {
        translate_transform(t, d, out);
    } else if (verb == "select") {
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

// The values of a statement's declared parameters, typed as declared.
std::vector<Value> parameter_values(const JetTranslation& tr, const JetParameterValues& given)
{
    std::vector<Value> out;
    for (const auto& p : tr.parameters) {
        auto it = given.find(lower(p.name));
        if (it == given.end() || it->second.empty())
            throw DbError(statement_error("the parameter [" + p.name + "] has no value (give it one in the grid or with --param)",
                                          tr.original));
        const std::string& v = it->second;
        const std::string& type = p.type;
        try {
            if (type == "short" || type == "long" || type == "integer" || type == "byte" || type == "int" || type == "counter") {
                std::size_t used = 0;
                const long long n = std::stoll(v, &used);
                if (used != v.size()) throw std::invalid_argument(v);
                out.emplace_back(n);
            } else if (type == "double" || type == "single" || type == "currency" || type == "float" || type == "real" ||
                       type == "ieeedouble" || type == "ieeesingle" || type == "decimal" || type == "numeric") {
                std::size_t used = 0;
                const double d = std::stod(v, &used);
                if (used != v.size()) throw std::invalid_argument(v);
                out.emplace_back(d);
            } else if (type == "bit" || type == "yesno" || type == "logical" || type == "boolean") {
                const std::string l = lower(v);
                if (l == "yes" || l == "true" || l == "-1" || l == "1") out.emplace_back(static_cast<long long>(-1));
                else if (l == "no" || l == "false" || l == "0") out.emplace_back(static_cast<long long>(0));
                else throw std::invalid_argument(v);
            } else if (type == "datetime" || type == "date" || type == "time") {
                out.emplace_back(iso_date(v));
            } else {
                out.emplace_back(v);
            }
        } catch (const std::exception&) {
            throw DbError(statement_error("the value \"" + v + "\" of the parameter [" + p.name + "] is no " + type, tr.original));
        } catch (const Untranslatable&) {
            throw DbError(statement_error("the value \"" + v + "\" of the parameter [" + p.name + "] is no date", tr.original));
        }
    }
    return out;
}

std::vector<Value> values_for(const std::vector<Value>& all, const JetTranslation& tr, std::size_t statement)
{
    const int used = statement < tr.parameterCounts.size() ? tr.parameterCounts[statement] : 0;
    return std::vector<Value>(all.begin(), all.begin() + used);
}

int run_statements(Connection& c, const JetTranslation& tr, std::size_t count, const std::vector<Value>& values)
{
    int changed = 0;
    for (std::size_t i = 0; i < count; ++i) changed += c.execute(tr.statements[i], values_for(values, tr, i));
    return changed;
}

} // namespace

namespace {

// PARAMETERS a Short, [b c] Text(50), ...: the names and types, in order.
std::vector<JetParameter> parameter_declarations(const Tokens& t)
{
    std::vector<JetParameter> out;
    const auto d = depths(t);
    const std::size_t first = next_sig(t, kNone);
    for (auto [b, e] : split_commas(t, d, first + 1, t.size())) {
        const auto sig = significant(t, b, e);
        if (sig.empty() || !is_name(t[sig[0]]) || keyword(t[sig[0]])) throw Untranslatable{"a PARAMETERS declaration without a name"};
        JetParameter p;
        p.name = t[sig[0]].kind == Tok::Ident ? t[sig[0]].value : t[sig[0]].text;
        p.type = sig.size() > 1 ? lower(t[sig[1]].text) : "text";
        out.push_back(p);
    }
    if (out.empty()) throw Untranslatable{"PARAMETERS without a parameter"};
    return out;
}

// The declared parameters used in a statement become ?1, ?2 ...; returns the highest used.
int bind_parameters(Tokens& t, const std::vector<JetParameter>& declared)
{
    int highest = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!is_name(t[i])) continue;
        const std::size_t p = prev_sig(t, i), n = next_sig(t, i);
        if ((p != kNone && is_op(t[p], ".")) || (n < t.size() && (is_op(t[n], ".") || is_op(t[n], "(")))) continue;
        for (std::size_t k = 0; k < declared.size(); ++k)
            if (bare(t[i]) == lower(declared[k].name)) {
                t[i] = {Tok::Word, "?" + std::to_string(k + 1), {}};
                highest = std::max(highest, static_cast<int>(k) + 1);
            }
    }
    return highest;
}

} // namespace

JetTranslation translate_jet(std::string_view statement, const JetSchema* schema)
{
    JetTranslation out;
    out.original = std::string(statement);
    try {
        Tokens all = tokenize(statement);
        std::vector<Tokens> pieces(1);
        for (auto& tok : all) {
            if (is_op(tok, ";")) pieces.emplace_back();
            else pieces.back().push_back(std::move(tok));
        }
        for (auto& piece : pieces) {
            const std::size_t first = next_sig(piece, kNone);
            if (first < piece.size() && is_word(piece[first], "parameters")) {
                if (!out.statements.empty() || !out.parameters.empty())
                    throw Untranslatable{"PARAMETERS after the first statement"};
                out.parameters = parameter_declarations(piece);
                continue;
            }
            const int used = out.parameters.empty() ? 0 : bind_parameters(piece, out.parameters);
            const std::size_t before = out.statements.size();
            translate_one(std::move(piece), out, schema);
            out.parameterCounts.resize(out.statements.size(), 0);
            for (std::size_t k = before; k < out.statements.size(); ++k) out.parameterCounts[k] = used;
        }
        if (out.statements.size() > 1) out.returnsRows = false;
        if (!out.parameters.empty() && out.statements.empty()) throw Untranslatable{"PARAMETERS without a statement"};
    } catch (const Untranslatable& u) {
        out = JetTranslation{};
        out.original = std::string(statement);
        out.translated = false;
        out.problem = u.why;
        out.statements = {trim(out.original)};
    }
    return out;
}

std::vector<std::string> jet_parameter_names(std::string_view statement)
{
    std::vector<std::string> names;
    for (const auto& p : translate_jet(statement).parameters) names.push_back(p.name);
    return names;
}

std::string statement_error(const std::string& engineMessage, const std::string& statement)
{
    std::string shown;
    for (char ch : trim(statement)) shown += (ch == '\n' || ch == '\r' || ch == '\t') ? ' ' : ch;
    if (shown.size() > 300) shown = shown.substr(0, 300) + " ...";
    return engineMessage + " [statement: " + shown + "]";
}

JetSchema jet_schema(Connection& c)
{
    JetSchema schema;
    std::set<std::string> text;
    auto cur = c.query("SELECT p.name, p.type FROM sqlite_master AS m, pragma_table_info(m.name) AS p "
                       "WHERE m.type IN ('table', 'view')");
    for (; !cur.eof(); cur.next()) {
        const std::string name = lower(cur.field(0).toString());
        const std::string type = lower(cur.field(1).toString());
        const bool numeric = type.find("int") != std::string::npos ||
                             (!type.empty() && type.find("char") == std::string::npos && type.find("clob") == std::string::npos &&
                              type.find("text") == std::string::npos && type.find("blob") == std::string::npos &&
                              type.find("memo") == std::string::npos && type.find("date") == std::string::npos &&
                              type.find("time") == std::string::npos);
        (numeric ? schema.nonText : text).insert(name);
    }
    for (const auto& n : text) schema.nonText.erase(n);
    return schema;
}

namespace {

JetTranslation translate_for(Connection& c, const std::string& statement)
{
    const JetSchema schema = jet_schema(c);
    JetTranslation tr = translate_jet(statement, &schema);
    if (!tr.translated)
        throw DbError(statement_error("cannot be translated: " + tr.problem + "; nothing of it was run", statement));
    return tr;
}

} // namespace

int execute_jet(Connection& c, const std::string& statement, const JetParameterValues& parameters)
{
    const JetTranslation tr = translate_for(c, statement);
    const std::vector<Value> values = parameter_values(tr, parameters);
    try {
        Attached files(c, tr.attachments);
        int changed = 0;
        if (tr.statements.size() > 1) {
            Savepoint sp(c, "vt_jet_statement");
            changed = run_statements(c, tr, tr.statements.size(), values);
            sp.release();
        } else {
            changed = run_statements(c, tr, tr.statements.size(), values);
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

void query_jet(Connection& c, const std::string& statement, const std::function<void(Cursor&)>& onRows,
               const JetParameterValues& parameters)
{
    const JetTranslation tr = translate_for(c, statement);
    const std::vector<Value> values = parameter_values(tr, parameters);
    if (tr.statements.empty()) return;
    try {
        Attached files(c, tr.attachments);
        run_statements(c, tr, tr.statements.size() - 1, values);
        std::string last = tr.statements.back();
        if (last.empty() && !tr.pivotValues.empty()) {
            // The pivot's values, read now: one column each.
            std::vector<std::pair<std::string, std::string>> columns;
            for (auto v = c.query(tr.pivotValues, values_for(values, tr, tr.statements.size() - 1)); !v.eof(); v.next()) {
                const Value x = v.field(0);
                if (x.isNull()) columns.emplace_back("NULL", "<>");
                else if (std::holds_alternative<std::string>(x.raw()))
                    columns.emplace_back(sql_text(x.toString()), x.toString());
                else columns.emplace_back(x.toString(), x.toString());
            }
            if (columns.size() > 1000) throw DbError("the PIVOT has more than 1000 values");
            last = pivot_statement(tr, columns);
        }
        Cursor rows = c.query(last, values_for(values, tr, tr.statements.size() - 1));
        if (onRows) onRows(rows);
    } catch (const DbError& e) {
        std::string message = e.what();
        if (!tr.translated) message += " (not translated: " + tr.problem + ")";
        throw DbError(statement_error(message, statement), e.code(), statement);
    }
}

} // namespace vt::db
