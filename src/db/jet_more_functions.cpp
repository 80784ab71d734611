// Functions of the users' dialect beyond the first set: arithmetic with the dialect's
// meaning (/, \, Mod, + of texts), rounding half to even, conversions, choices, texts
// and the aggregates First, Last, StDevP, Var and VarP.
#include "db/jet_functions.h"

#include "db/jet_compare.h"
#include "db/jet_date_functions.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vt::db {

namespace {

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

std::string text_of(sqlite3_value* v)
{
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return t ? std::string(t, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
}

void result_text(sqlite3_context* ctx, const std::string& s)
{
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// A text that is a number as a whole (blanks around allowed).
bool numeric_text(const std::string& s, double& out)
{
    const char* b = s.c_str();
    while (*b == ' ' || *b == '\t') ++b;
    if (!*b) return false;
    char* e = nullptr;
    out = std::strtod(b, &e);
    if (e == b) return false;
    while (*e == ' ' || *e == '\t') ++e;
    return *e == '\0' && std::isfinite(out);
}

// The number of an argument: numbers as they are, numeric texts read; false (error set)
// for any other text.
bool number_arg(sqlite3_context* ctx, sqlite3_value* v, double& out, const char* fn)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: out = static_cast<double>(sqlite3_value_int64(v)); return true;
    case SQLITE_FLOAT: out = sqlite3_value_double(v); return true;
    default:
        if (numeric_text(text_of(v), out)) return true;
        sqlite3_result_error(ctx, (std::string("Type mismatch in ") + fn + ": \"" + text_of(v) + "\" is no number").c_str(), -1);
        return false;
    }
}

void result_number(sqlite3_context* ctx, double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    else
        sqlite3_result_double(ctx, d);
}

// Half to even at `decimals` places; a value within a few units of the last place of a
// half counts as the half (2.5 -> 2, 0.125 at 2 places -> 0.12).
double round_even(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double x = v * scale;
    const double f = std::floor(x);
    const double diff = x - f;
    double r;
    if (std::fabs(diff - 0.5) <= 1e-9 * std::max(1.0, std::fabs(x))) r = std::fmod(f, 2.0) == 0.0 ? f : f + 1;
    else r = std::floor(x + 0.5);
    return r / scale;
}

void fn_round(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    double v;
    if (!number_arg(ctx, argv[0], v, "Round")) return;
    int decimals = 0;
    if (argc > 1 && !is_null(argv[1])) decimals = static_cast<int>(sqlite3_value_int64(argv[1]));
    if (decimals < 0 || decimals > 15) { sqlite3_result_error(ctx, "Invalid procedure call or argument in Round", -1); return; }
    const double r = round_even(v, decimals);
    if (decimals == 0) result_number(ctx, r);
    else sqlite3_result_double(ctx, r);
}

template <long long Lo, long long Hi>
void fn_cint(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const char* fn = Hi == 32767 ? "CInt" : "CLng";
    if (is_null(argv[0])) { sqlite3_result_error(ctx, (std::string("Invalid use of Null in ") + fn).c_str(), -1); return; }
    double v;
    if (!number_arg(ctx, argv[0], v, fn)) return;
    const double r = round_even(v, 0);
    if (r < static_cast<double>(Lo) || r > static_cast<double>(Hi)) {
        sqlite3_result_error(ctx, (std::string("Overflow in ") + fn).c_str(), -1);
        return;
    }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void fn_fix(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) { sqlite3_result_value(ctx, argv[0]); return; }
    double v;
    if (number_arg(ctx, argv[0], v, "Fix")) result_number(ctx, std::trunc(v));
}

void fn_sgn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    double v;
    if (number_arg(ctx, argv[0], v, "Sgn")) sqlite3_result_int(ctx, v > 0 ? 1 : v < 0 ? -1 : 0);
}

void fn_isnull(sqlite3_context* ctx, int, sqlite3_value** argv) { sqlite3_result_int(ctx, is_null(argv[0]) ? -1 : 0); }

void fn_isnumeric(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double d;
    const int t = sqlite3_value_type(argv[0]);
    const bool yes = t == SQLITE_INTEGER || t == SQLITE_FLOAT || (t == SQLITE_TEXT && numeric_text(text_of(argv[0]), d));
    sqlite3_result_int(ctx, yes ? -1 : 0);
}

bool truthy(sqlite3_value* v)
{
    if (is_null(v)) return false;
    return sqlite3_value_double(v) != 0.0;
}

void fn_switch(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc % 2) { sqlite3_result_error(ctx, "Switch takes pairs of condition and value", -1); return; }
    for (int i = 0; i < argc; i += 2)
        if (truthy(argv[i])) { sqlite3_result_value(ctx, argv[i + 1]); return; }
    sqlite3_result_null(ctx);
}

void fn_choose(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    double v;
    if (!number_arg(ctx, argv[0], v, "Choose")) return;
    const double i = std::trunc(v);
    if (i < 1 || i > argc - 1) { sqlite3_result_null(ctx); return; }
    sqlite3_result_value(ctx, argv[static_cast<int>(i)]);
}

bool count_arg(sqlite3_context* ctx, sqlite3_value* v, long long& n, const char* fn)
{
    double d;
    if (!number_arg(ctx, v, d, fn)) return false;
    n = static_cast<long long>(round_even(d, 0));
    if (n < 0 || n > 1000000) {
        sqlite3_result_error(ctx, (std::string("Invalid procedure call or argument in ") + fn).c_str(), -1);
        return false;
    }
    return true;
}

void fn_space(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    long long n;
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    if (count_arg(ctx, argv[0], n, "Space")) result_text(ctx, std::string(static_cast<std::size_t>(n), ' '));
}

void fn_string(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    long long n;
    if (is_null(argv[0]) || is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    if (!count_arg(ctx, argv[0], n, "String")) return;
    std::string ch;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const std::string s = text_of(argv[1]);
        if (s.empty()) { sqlite3_result_error(ctx, "Invalid procedure call or argument in String", -1); return; }
        std::size_t len = 1;
        while (len < s.size() && (static_cast<unsigned char>(s[len]) & 0xC0) == 0x80) ++len;
        ch = s.substr(0, len);
    } else {
        const long long code = sqlite3_value_int64(argv[1]) % 256;
        const auto c = static_cast<unsigned char>(code < 0 ? code + 256 : code);
        if (c < 0x80) ch = std::string(1, static_cast<char>(c));
        else ch = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    std::string out;
    for (long long i = 0; i < n; ++i) out += ch;
    result_text(ctx, out);
}

// compare: 0 binary, 1 text (without case); omitted: text, as the dialect compares texts.
bool text_compare_arg(int argc, sqlite3_value** argv, int at)
{
    return !(argc > at && !is_null(argv[at]) && sqlite3_value_int64(argv[at]) == 0);
}

void fn_strcomp(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (is_null(argv[0]) || is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    const std::string a = text_of(argv[0]), b = text_of(argv[1]);
    const int c = text_compare_arg(argc, argv, 2) ? jet_text_compare(a, b) : a.compare(b);
    sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

std::string folded(const std::string& s, bool text)
{
    if (!text) return s;
    std::string out = s;
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

void fn_instrrev(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (is_null(argv[0]) || is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    const bool text = text_compare_arg(argc, argv, 3);
    const std::string s = folded(text_of(argv[0]), text), f = folded(text_of(argv[1]), text);
    long long start = argc > 2 && !is_null(argv[2]) ? sqlite3_value_int64(argv[2]) : -1;
    if (start == 0 || start < -1) { sqlite3_result_error(ctx, "Invalid procedure call or argument in InStrRev", -1); return; }
    if (start == -1 || start > static_cast<long long>(s.size())) start = static_cast<long long>(s.size());
    if (f.empty()) { sqlite3_result_int64(ctx, start); return; }
    if (static_cast<long long>(f.size()) > start) { sqlite3_result_int64(ctx, 0); return; }
    const auto pos = s.rfind(f, static_cast<std::size_t>(start) - f.size());
    sqlite3_result_int64(ctx, pos == std::string::npos ? 0 : static_cast<long long>(pos) + 1);
}

// Replace(text, find, with[, start[, count[, compare]]]): the text from `start` on with up
// to `count` (-1: every) occurrences replaced.
void fn_replace(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    for (int i = 0; i < 3; ++i)
        if (is_null(argv[i])) { sqlite3_result_null(ctx); return; }
    std::string s = text_of(argv[0]);
    const std::string find = text_of(argv[1]), with = text_of(argv[2]);
    long long start = argc > 3 ? sqlite3_value_int64(argv[3]) : 1;
    long long count = argc > 4 ? sqlite3_value_int64(argv[4]) : -1;
    if (start < 1 || count < -1) { sqlite3_result_error(ctx, "Invalid procedure call or argument in Replace", -1); return; }
    const bool text = text_compare_arg(argc, argv, 5);
    s = start - 1 >= static_cast<long long>(s.size()) ? std::string() : s.substr(static_cast<std::size_t>(start - 1));
    if (find.empty() || count == 0) { result_text(ctx, s); return; }
    const std::string hay = folded(s, text), needle = folded(find, text);
    std::string out;
    std::size_t at = 0;
    for (long long done = 0; count < 0 || done < count; ++done) {
        const auto p = hay.find(needle, at);
        if (p == std::string::npos) break;
        out += s.substr(at, p - at) + with;
        at = p + needle.size();
    }
    result_text(ctx, out + s.substr(at));
}

// / , \ and Mod.
void fn_div(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0]) || is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    double a, b;
    if (!number_arg(ctx, argv[0], a, "/") || !number_arg(ctx, argv[1], b, "/")) return;
    if (b == 0.0) { sqlite3_result_error(ctx, "Division by zero", -1); return; }
    sqlite3_result_double(ctx, a / b);
}

template <bool Modulo>
void fn_intdiv(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const char* fn = Modulo ? "Mod" : "\\";
    if (is_null(argv[0]) || is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    double a, b;
    if (!number_arg(ctx, argv[0], a, fn) || !number_arg(ctx, argv[1], b, fn)) return;
    a = round_even(a, 0);
    b = round_even(b, 0);
    if (b == 0.0) { sqlite3_result_error(ctx, "Division by zero", -1); return; }
    if (std::fabs(a) > 9.0e18 || std::fabs(b) > 9.0e18) { sqlite3_result_error(ctx, (std::string("Overflow in ") + fn).c_str(), -1); return; }
    const auto x = static_cast<long long>(a), y = static_cast<long long>(b);
    if (y == -1) { sqlite3_result_int64(ctx, Modulo ? 0 : -x); return; }
    sqlite3_result_int64(ctx, Modulo ? x % y : x / y);
}

// A text that is a date (and not a number): its date.
std::optional<JetDate> date_text(sqlite3_value* v)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT) return std::nullopt;
    double d;
    const std::string t = text_of(v);
    if (numeric_text(t, d)) return std::nullopt;
    return parse_jet_date(t);
}

JetDate plus_days(const JetDate& d, double days)
{
    const double total = static_cast<double>(d.days) * 86400.0 + static_cast<double>(d.seconds) + std::nearbyint(days * 86400.0);
    const double day = std::floor(total / 86400.0);
    return {static_cast<long long>(day), static_cast<long long>(total - day * 86400.0)};
}

// + and -: two texts are joined by +; a date and a number give a date, two dates their
// difference in days (-); numbers are added or subtracted; Null gives Null.
template <bool Minus>
void fn_add(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const char* fn = Minus ? "-" : "+";
    if (is_null(argv[0]) || is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    const auto da = date_text(argv[0]), db = date_text(argv[1]);
    if (!Minus && !da && !db && sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        result_text(ctx, text_of(argv[0]) + text_of(argv[1]));
        return;
    }
    if (da || db) {
        if (da && db) {
            if (!Minus) { sqlite3_result_error(ctx, "Type mismatch in +: two dates", -1); return; }
            const double days = static_cast<double>(da->days - db->days) + static_cast<double>(da->seconds - db->seconds) / 86400.0;
            result_number(ctx, days);
            return;
        }
        double n;
        if (da) {
            if (!number_arg(ctx, argv[1], n, fn)) return;
            result_text(ctx, jet_date_text(plus_days(*da, Minus ? -n : n)));
        } else {
            if (Minus) { sqlite3_result_error(ctx, "Type mismatch in -: a number minus a date", -1); return; }
            if (!number_arg(ctx, argv[0], n, fn)) return;
            result_text(ctx, jet_date_text(plus_days(*db, n)));
        }
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
        sqlite3_int64 r;
        const bool overflow = Minus ? __builtin_sub_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r)
                                    : __builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r);
        if (!overflow) {
            sqlite3_result_int64(ctx, r);
            return;
        }
    }
    double a, b;
    if (!number_arg(ctx, argv[0], a, fn) || !number_arg(ctx, argv[1], b, fn)) return;
    const double r = Minus ? a - b : a + b;
    const bool whole = sqlite3_value_type(argv[0]) != SQLITE_FLOAT && sqlite3_value_type(argv[1]) != SQLITE_FLOAT;
    if (whole) result_number(ctx, r);
    else sqlite3_result_double(ctx, r);
}

template <int Kind>  // 0 Sqr, 1 Log, 2 Exp
void fn_math(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    static const char* names[] = {"Sqr", "Log", "Exp"};
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    double v;
    if (!number_arg(ctx, argv[0], v, names[Kind])) return;
    if ((Kind == 0 && v < 0) || (Kind == 1 && v <= 0)) {
        sqlite3_result_error(ctx, (std::string("Invalid procedure call or argument in ") + names[Kind]).c_str(), -1);
        return;
    }
    sqlite3_result_double(ctx, Kind == 0 ? std::sqrt(v) : Kind == 1 ? std::log(v) : std::exp(v));
}

// First and Last: the value of the first and the last row of the group, Null included.
struct Kept {
    sqlite3_value* value;
    bool seen;
};

template <bool Last>
void keep_step(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* k = static_cast<Kept*>(sqlite3_aggregate_context(ctx, sizeof(Kept)));
    if (!k) return;
    if (k->seen && !Last) return;
    if (k->value) sqlite3_value_free(k->value);
    k->value = sqlite3_value_dup(argv[0]);
    k->seen = true;
}

void keep_final(sqlite3_context* ctx)
{
    auto* k = static_cast<Kept*>(sqlite3_aggregate_context(ctx, 0));
    if (!k || !k->value) { sqlite3_result_null(ctx); return; }
    sqlite3_result_value(ctx, k->value);
    sqlite3_value_free(k->value);
    k->value = nullptr;
}

struct Moments {
    sqlite3_int64 n;
    double mean, m2;
};

void moments_step(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* s = static_cast<Moments*>(sqlite3_aggregate_context(ctx, sizeof(Moments)));
    if (!s || is_null(argv[0])) return;
    const double x = sqlite3_value_double(argv[0]);
    ++s->n;
    const double d = x - s->mean;
    s->mean += d / static_cast<double>(s->n);
    s->m2 += d * (x - s->mean);
}

template <bool Population, bool Root>
void moments_final(sqlite3_context* ctx)
{
    auto* s = static_cast<Moments*>(sqlite3_aggregate_context(ctx, 0));
    const sqlite3_int64 need = Population ? 1 : 2;
    if (!s || s->n < need) { sqlite3_result_null(ctx); return; }
    const double var = s->m2 / static_cast<double>(Population ? s->n : s->n - 1);
    sqlite3_result_double(ctx, Root ? std::sqrt(var) : var);
}

} // namespace

void register_jet_more_functions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    auto fn = [&](const char* name, int n, void (*f)(sqlite3_context*, int, sqlite3_value**)) {
        sqlite3_create_function(db, name, n, flags, nullptr, f, nullptr, nullptr);
    };
    for (int n = 1; n <= 2; ++n) fn("jet_round", n, fn_round);
    fn("cint", 1, fn_cint<-32768, 32767>);
    fn("clng", 1, fn_cint<-2147483648LL, 2147483647LL>);
    fn("fix", 1, fn_fix);
    fn("sgn", 1, fn_sgn);
    fn("jet_isnull", 1, fn_isnull);  // "isnull" is a word of SQLite's own (x ISNULL)
    fn("isnumeric", 1, fn_isnumeric);
    fn("switch", -1, fn_switch);
    fn("choose", -1, fn_choose);
    fn("space", 1, fn_space);
    fn("string", 2, fn_string);
    for (int n = 2; n <= 3; ++n) fn("strcomp", n, fn_strcomp);
    for (int n = 2; n <= 4; ++n) fn("instrrev", n, fn_instrrev);
    for (int n = 3; n <= 6; ++n) fn("jet_replace", n, fn_replace);
    fn("jet_div", 2, fn_div);
    fn("jet_intdiv", 2, fn_intdiv<false>);
    fn("jet_mod", 2, fn_intdiv<true>);
    fn("jet_add", 2, fn_add<false>);
    fn("jet_sub", 2, fn_add<true>);
    fn("sqr", 1, fn_math<0>);
    fn("jet_log", 1, fn_math<1>);
    fn("jet_exp", 1, fn_math<2>);
    sqlite3_create_function(db, "jet_first", 1, SQLITE_UTF8, nullptr, nullptr, keep_step<false>, keep_final);
    sqlite3_create_function(db, "jet_last", 1, SQLITE_UTF8, nullptr, nullptr, keep_step<true>, keep_final);
    sqlite3_create_function(db, "stdevp", 1, flags, nullptr, nullptr, moments_step, moments_final<true, true>);
    sqlite3_create_function(db, "var", 1, flags, nullptr, nullptr, moments_step, moments_final<false, false>);
    sqlite3_create_function(db, "varp", 1, flags, nullptr, nullptr, moments_step, moments_final<true, false>);
    register_jet_compare(db);
    register_jet_date_functions(db);
}

} // namespace vt::db
