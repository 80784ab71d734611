#include "db/jet_functions.h"

#include "db/jet_text_functions.h"

#include "base/number_format.h"
#include "base/text.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace vt::db {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

using base::to_lower;

// Numeric argument with the engine's affinity: integers and reals as they are, text
// read by Val; NULL is reported by the caller.
double numeric_arg(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_TEXT: return jet_val(reinterpret_cast<const char*>(sqlite3_value_text(v)));
    default: return 0.0;
    }
}

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

void result_number(sqlite3_context* ctx, double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    else
        sqlite3_result_double(ctx, d);
}

void fn_int(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return;
    }
    result_number(ctx, std::floor(numeric_arg(argv[0])));
}

void fn_abs(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const sqlite3_int64 i = sqlite3_value_int64(argv[0]);
        if (i != INT64_MIN) { sqlite3_result_int64(ctx, i < 0 ? -i : i); return; }
    }
    sqlite3_result_double(ctx, std::fabs(numeric_arg(argv[0])));
}

void fn_val(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        result_number(ctx, jet_val(reinterpret_cast<const char*>(sqlite3_value_text(argv[0]))));
        return;
    }
    sqlite3_result_value(ctx, argv[0]);
}

void fn_cdbl(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) {
        sqlite3_result_error(ctx, "Invalid use of Null in CDbl", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const char* s = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        char* end = nullptr;
        const double d = std::strtod(s, &end);
        while (end && is_blank(*end)) ++end;
        if (end == s || (end && *end != '\0')) {
            sqlite3_result_error(ctx, "Type mismatch in CDbl", -1);
            return;
        }
        sqlite3_result_double(ctx, d);
        return;
    }
    sqlite3_result_double(ctx, numeric_arg(argv[0]));
}

void text_result(sqlite3_context* ctx, const std::string& s)
{
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fn_cstr(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_error(ctx, "Invalid use of Null in CStr", -1); return;
    case SQLITE_TEXT: sqlite3_result_value(ctx, argv[0]); return;
    case SQLITE_INTEGER: text_result(ctx, std::to_string(sqlite3_value_int64(argv[0]))); return;
    default: text_result(ctx, jet_cstr(sqlite3_value_double(argv[0])));
    }
}

void fn_str(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    text_result(ctx, jet_str(numeric_arg(argv[0])));
}

std::string text_arg(sqlite3_value* v)
{
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

// instr([start,] string1, string2 [, compare])
void fn_instr(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    int first = 0;
    long long start = 1;
    if (argc >= 3) {
        if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
        start = static_cast<long long>(numeric_arg(argv[0]));
        first = 1;
        if (start < 1) {
            sqlite3_result_error(ctx, "Invalid procedure call or argument in instr", -1);
            return;
        }
    }
    if (is_null(argv[first]) || is_null(argv[first + 1])) { sqlite3_result_null(ctx); return; }
    sqlite3_result_int64(ctx, jet_instr(start, text_arg(argv[first]), text_arg(argv[first + 1])));
}

// StDev: sample standard deviation (n - 1), Welford's update; NULL for fewer than two values.
struct StDevState {
    sqlite3_int64 n;
    double mean;
    double m2;
};

void stdev_step(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* s = static_cast<StDevState*>(sqlite3_aggregate_context(ctx, sizeof(StDevState)));
    if (!s || is_null(argv[0])) return;
    const double x = numeric_arg(argv[0]);
    ++s->n;
    const double d = x - s->mean;
    s->mean += d / static_cast<double>(s->n);
    s->m2 += d * (x - s->mean);
}

void stdev_final(sqlite3_context* ctx)
{
    auto* s = static_cast<StDevState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || s->n < 2) { sqlite3_result_null(ctx); return; }
    sqlite3_result_double(ctx, std::sqrt(s->m2 / static_cast<double>(s->n - 1)));
}

} // namespace

double jet_val(std::string_view text)
{
    std::string digits;
    std::size_t i = 0;
    auto skip = [&] { while (i < text.size() && is_blank(text[i])) ++i; };
    skip();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) digits += text[i++];
    // Val also reads &H (hex) and &O (octal) numbers.
    if (i + 1 < text.size() && text[i] == '&' && (to_lower(text[i + 1]) == 'h' || to_lower(text[i + 1]) == 'o')) {
        const int base = to_lower(text[i + 1]) == 'h' ? 16 : 8;
        i += 2;
        std::string num;
        for (; i < text.size(); ++i) {
            if (is_blank(text[i])) continue;
            if (!std::isxdigit(static_cast<unsigned char>(text[i]))) break;
            if (base == 8 && (text[i] < '0' || text[i] > '7')) break;
            num += text[i];
        }
        return num.empty() ? 0.0 : static_cast<double>(std::strtoll(num.c_str(), nullptr, base));
    }
    bool seen_point = false, seen_digit = false, seen_exp = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (is_blank(c)) continue;  // Val ignores blanks inside the number
        if (std::isdigit(static_cast<unsigned char>(c))) { digits += c; seen_digit = true; continue; }
        if (c == '.' && !seen_point && !seen_exp) { digits += c; seen_point = true; continue; }
        if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && seen_digit && !seen_exp) {
            // An exponent only counts when digits follow it.
            std::size_t j = i + 1;
            std::string exp = "e";
            if (j < text.size() && (text[j] == '+' || text[j] == '-')) exp += text[j++];
            if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
                digits += exp;
                seen_exp = true;
                i = j - 1;
                continue;
            }
        }
        break;
    }
    if (!seen_digit) return 0.0;
    return std::strtod(digits.c_str(), nullptr);
}

std::string jet_cstr(double v) { return base::format_number(v); }

std::string jet_str(double v)
{
    std::string s = base::format_number(v);
    return (v >= 0 || std::isnan(v)) ? " " + s : s;
}

long long jet_instr(long long start, std::string_view haystack, std::string_view needle)
{
    if (start < 1) start = 1;
    const auto from = static_cast<std::size_t>(start - 1);
    if (from > haystack.size()) return 0;
    if (needle.empty()) return start;
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && to_lower(haystack[i + k]) == to_lower(needle[k])) ++k;
        if (k == needle.size()) return static_cast<long long>(i) + 1;
    }
    return 0;
}

void register_jet_functions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "int", 1, flags, nullptr, fn_int, nullptr, nullptr);
    sqlite3_create_function(db, "abs", 1, flags, nullptr, fn_abs, nullptr, nullptr);
    sqlite3_create_function(db, "val", 1, flags, nullptr, fn_val, nullptr, nullptr);
    sqlite3_create_function(db, "cdbl", 1, flags, nullptr, fn_cdbl, nullptr, nullptr);
    sqlite3_create_function(db, "cstr", 1, flags, nullptr, fn_cstr, nullptr, nullptr);
    sqlite3_create_function(db, "str", 1, flags, nullptr, fn_str, nullptr, nullptr);
    // instr(s1, s2), instr(start, s1, s2) and instr(start, s1, s2, compare); the
    // two-argument form has SQLite's own order, so one function serves all three.
    for (int n = 2; n <= 4; ++n)
        sqlite3_create_function(db, "instr", n, flags, nullptr, fn_instr, nullptr, nullptr);
    sqlite3_create_function(db, "stdev", 1, flags, nullptr, nullptr, stdev_step, stdev_final);
    register_jet_text_functions(db);
    register_jet_more_functions(db);
}

} // namespace vt::db
