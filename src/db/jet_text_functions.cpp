#include "db/jet_text_functions.h"

#include "db/jet_date_functions.h"
#include "db/jet_functions.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vt::db {

namespace {

// The text of a value as Jet turns it into text: numbers without a trailing ".0".
std::string text_of(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return jet_cstr(sqlite3_value_double(v));
    default: {
        const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return t ? std::string(t, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
    }
    }
}

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

void result_text(sqlite3_context* ctx, const std::string& s)
{
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Characters, not bytes: a UTF-8 text counted by its code points.
std::vector<std::size_t> char_starts(const std::string& s)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
    return starts;
}

std::string substring(const std::string& s, long long from, long long count)
{
    const auto starts = char_starts(s);
    const auto n = static_cast<long long>(starts.size());
    if (from < 0) from = 0;
    if (from >= n || count <= 0) return {};
    const long long to = count >= n - from ? n : from + count;
    const std::size_t b = starts[static_cast<std::size_t>(from)];
    const std::size_t e = to >= n ? s.size() : starts[static_cast<std::size_t>(to)];
    return s.substr(b, e - b);
}

long long length_arg(sqlite3_context* ctx, sqlite3_value* v, const char* fn)
{
    const long long n = sqlite3_value_int64(v);
    if (n < 0 || is_null(v)) {
        const std::string msg = std::string("Invalid procedure call or argument in ") + fn;
        sqlite3_result_error(ctx, msg.c_str(), -1);
        return -1;
    }
    return n;
}

void fn_concat(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    std::string out;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        if (is_null(argv[i])) continue;
        any = true;
        out += text_of(argv[i]);
    }
    if (!any) sqlite3_result_null(ctx);
    else result_text(ctx, out);
}

void fn_nz(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (!is_null(argv[0])) sqlite3_result_value(ctx, argv[0]);
    else if (argc > 1) sqlite3_result_value(ctx, argv[1]);
    else result_text(ctx, "");  // in a query Nz without a default gives a zero-length text
}

void fn_left(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    const long long n = length_arg(ctx, argv[1], "Left");
    if (n >= 0) result_text(ctx, substring(text_of(argv[0]), 0, n));
}

void fn_right(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    const long long n = length_arg(ctx, argv[1], "Right");
    if (n < 0) return;
    const std::string s = text_of(argv[0]);
    const auto len = static_cast<long long>(char_starts(s).size());
    result_text(ctx, substring(s, std::max(0LL, len - n), n));
}

void fn_mid(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    const long long start = sqlite3_value_int64(argv[1]);
    if (start < 1) { sqlite3_result_error(ctx, "Invalid procedure call or argument in Mid", -1); return; }
    long long count = 1LL << 40;
    if (argc > 2) {
        count = length_arg(ctx, argv[2], "Mid");
        if (count < 0) return;
    }
    result_text(ctx, substring(text_of(argv[0]), start - 1, count));
}

void fn_len(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(char_starts(text_of(argv[0])).size()));
}

void fn_format(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (is_null(argv[0])) { sqlite3_result_null(ctx); return; }
    const int type = sqlite3_value_type(argv[0]);
    const bool numeric = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    const std::string fmt = argc > 1 ? text_of(argv[1]) : std::string();
    result_text(ctx, jet_format(text_of(argv[0]), numeric, numeric ? sqlite3_value_double(argv[0]) : 0.0, fmt));
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string group_thousands(const std::string& digits)
{
    std::string out;
    const auto n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[i];
        if ((n - i - 1) % 3 == 0 && i + 1 < n) out += ',';
    }
    return out;
}

std::string format_fixed(double v, int decimals, bool thousands, int minInteger)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v));
    std::string s = buf;
    const auto point = s.find('.');
    std::string integer = s.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : s.substr(point);
    if (minInteger == 0 && integer == "0") integer.clear();
    if (thousands) integer = group_thousands(integer);
    const bool negative = v < 0 && std::stod(s) != 0.0;
    return (negative ? "-" : "") + integer + fraction;
}

std::string format_number(double v, const std::string& fmt)
{
    const std::string f = lower(fmt);
    if (f == "fixed") return format_fixed(v, 2, false, 1);
    if (f == "standard") return format_fixed(v, 2, true, 1);
    if (f == "percent") return format_fixed(v * 100, 2, false, 1) + "%";
    if (f == "general number" || f.empty()) return jet_cstr(v);
    // A pattern of 0 and # digits with an optional point and thousands commas.
    bool percent = false;
    std::string pattern = fmt;
    if (!pattern.empty() && pattern.back() == '%') {
        percent = true;
        pattern.pop_back();
    }
    if (pattern.empty() || pattern.find_first_not_of("0#.,") != std::string::npos) return jet_cstr(v);
    const auto point = pattern.find('.');
    const std::string intPart = pattern.substr(0, point);
    const std::string fracPart = point == std::string::npos ? std::string() : pattern.substr(point + 1);
    if (fracPart.find_first_not_of("0#") != std::string::npos) return jet_cstr(v);
    const bool thousands = intPart.find(',') != std::string::npos;
    const int minInteger = static_cast<int>(std::count(intPart.begin(), intPart.end(), '0'));
    const int required = static_cast<int>(std::count(fracPart.begin(), fracPart.end(), '0'));
    const int decimals = static_cast<int>(fracPart.size());
    std::string s = format_fixed(percent ? v * 100 : v, decimals, thousands, minInteger);
    // Optional "#" decimals drop trailing zeros down to the required ones.
    if (decimals > required) {
        const auto p = s.find('.');
        std::size_t keep = s.size();
        while (keep > p + 1 + static_cast<std::size_t>(required) && s[keep - 1] == '0') --keep;
        s.erase(keep);
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (point != std::string::npos && decimals == 0 && !s.empty() && s.back() != '.') s += '.';
    return percent ? s + "%" : s;
}

} // namespace

std::string jet_format(std::string_view value, bool numeric, double number, std::string_view format)
{
    const std::string fmt(format);
    if (numeric) return format_number(number, fmt);
    const std::string v(value);
    if (fmt.empty()) return v;
    if (const auto date = parse_jet_date(v)) return format_jet_date(*date, fmt);
    return v;
}

void register_jet_text_functions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "jet_concat", -1, flags, nullptr, fn_concat, nullptr, nullptr);
    for (int n = 1; n <= 2; ++n) sqlite3_create_function(db, "nz", n, flags, nullptr, fn_nz, nullptr, nullptr);
    sqlite3_create_function(db, "jet_left", 2, flags, nullptr, fn_left, nullptr, nullptr);
    sqlite3_create_function(db, "jet_right", 2, flags, nullptr, fn_right, nullptr, nullptr);
    for (int n = 2; n <= 3; ++n) sqlite3_create_function(db, "jet_mid", n, flags, nullptr, fn_mid, nullptr, nullptr);
    sqlite3_create_function(db, "jet_len", 1, flags, nullptr, fn_len, nullptr, nullptr);
    for (int n = 1; n <= 2; ++n)
        sqlite3_create_function(db, "jet_format", n, flags, nullptr, fn_format, nullptr, nullptr);
}

} // namespace vt::db
