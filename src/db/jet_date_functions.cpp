#include "db/jet_date_functions.h"

#include "base/text.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

namespace vt::db {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date and back (Howard Hinnant's algorithms).
long long days_from_civil(long long y, long long m, long long d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(long long z, long long& y, long long& m, long long& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
}

const long long kSerialZero = days_from_civil(1899, 12, 30);

long long floor_div(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

int days_in_month(long long y, long long m)
{
    static const int n[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : n[m - 1];
}

struct Civil {
    long long y, m, d, h, mi, s;
};

Civil civil(const JetDate& j)
{
    Civil c{};
    civil_from_days(j.days, c.y, c.m, c.d);
    c.h = j.seconds / 3600;
    c.mi = j.seconds / 60 % 60;
    c.s = j.seconds % 60;
    return c;
}

// 1 = Sunday .. 7 = Saturday.
int weekday(long long days) { return static_cast<int>(((days % 7) + 7 + 4) % 7) + 1; }

JetDate add_months(const JetDate& j, long long months)
{
    Civil c = civil(j);
    const long long total = c.y * 12 + (c.m - 1) + months;
    const long long y = floor_div(total, 12), m = total - y * 12 + 1;
    const long long d = std::min<long long>(c.d, days_in_month(y, m));
    return {days_from_civil(y, m, d), j.seconds};
}

JetDate add_seconds(const JetDate& j, long long seconds)
{
    const long long total = j.days * 86400 + j.seconds + seconds;
    return {floor_div(total, 86400), total - floor_div(total, 86400) * 86400};
}

// Jet's rounding of a count: half to even.
long long whole(double v) { return static_cast<long long>(std::nearbyint(v)); }

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

std::string text_arg(sqlite3_value* v)
{
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return t ? std::string(t) : std::string();
}

std::optional<JetDate> date_arg(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double serial = sqlite3_value_double(v);
        if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6) return std::nullopt;
        const double day = std::floor(serial);
        long long sec = whole((serial - day) * 86400.0);
        return add_seconds({kSerialZero + static_cast<long long>(day), 0}, sec);
    }
    case SQLITE_TEXT: return parse_jet_date(text_arg(v));
    default: return std::nullopt;
    }
}

void result_text(sqlite3_context* ctx, const std::string& s)
{
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Reads the date argument at i; false (with the error or NULL set) when there is none.
bool need_date(sqlite3_context* ctx, sqlite3_value* v, JetDate& out, const char* fn)
{
    if (is_null(v)) {
        sqlite3_result_null(ctx);
        return false;
    }
    const auto d = date_arg(v);
    if (!d) {
        const std::string msg = std::string("Type mismatch in ") + fn + ": \"" + text_arg(v) + "\" is no date";
        sqlite3_result_error(ctx, msg.c_str(), -1);
        return false;
    }
    out = *d;
    return true;
}

JetDate now_local()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {days_from_civil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), tm.tm_hour * 3600LL + tm.tm_min * 60 + tm.tm_sec};
}

void fn_now(sqlite3_context* ctx, int, sqlite3_value**) { result_text(ctx, jet_date_text(now_local())); }
void fn_date(sqlite3_context* ctx, int, sqlite3_value**) { result_text(ctx, jet_date_text({now_local().days, 0})); }
void fn_time(sqlite3_context* ctx, int, sqlite3_value**)
{
    result_text(ctx, jet_date_text({kSerialZero, now_local().seconds}));
}

template <int Part>
void fn_part(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    static const char* names[] = {"Year", "Month", "Day", "Hour", "Minute", "Second", "Weekday"};
    JetDate d;
    if (!need_date(ctx, argv[0], d, names[Part])) return;
    const Civil c = civil(d);
    long long v = 0;
    switch (Part) {
    case 0: v = c.y; break;
    case 1: v = c.m; break;
    case 2: v = c.d; break;
    case 3: v = c.h; break;
    case 4: v = c.mi; break;
    case 5: v = c.s; break;
    default: {
        const long long first = argc > 1 && !is_null(argv[1]) ? sqlite3_value_int64(argv[1]) : 1;
        v = ((weekday(d.days) - (first < 1 || first > 7 ? 1 : first)) + 7) % 7 + 1;
    }
    }
    sqlite3_result_int64(ctx, v);
}

void fn_dateserial(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    for (int i = 0; i < 3; ++i)
        if (is_null(argv[i])) { sqlite3_result_null(ctx); return; }
    long long y = whole(sqlite3_value_double(argv[0]));
    const long long m = whole(sqlite3_value_double(argv[1]));
    const long long d = whole(sqlite3_value_double(argv[2]));
    if (y >= 0 && y < 30) y += 2000;
    else if (y >= 30 && y < 100) y += 1900;
    if (std::llabs(y) > 100000 || std::llabs(m) > 1200000 || std::llabs(d) > 40000000) {
        sqlite3_result_error(ctx, "Invalid procedure call or argument in DateSerial", -1);
        return;
    }
    const JetDate first = add_months({days_from_civil(y, 1, 1), 0}, m - 1);
    result_text(ctx, jet_date_text({first.days + d - 1, 0}));
}

std::string interval_arg(sqlite3_value* v) { return base::to_lower(base::trim(text_arg(v))); }

void fn_dateadd(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (is_null(argv[1])) { sqlite3_result_null(ctx); return; }
    JetDate d;
    if (!need_date(ctx, argv[2], d, "DateAdd")) return;
    const std::string iv = interval_arg(argv[0]);
    const double nv = sqlite3_value_double(argv[1]);
    if (!std::isfinite(nv) || std::fabs(nv) > 1e9) { sqlite3_result_error(ctx, "Overflow in DateAdd", -1); return; }
    const long long n = whole(nv);
    JetDate r;
    if (iv == "yyyy") r = add_months(d, 12 * n);
    else if (iv == "q") r = add_months(d, 3 * n);
    else if (iv == "m") r = add_months(d, n);
    else if (iv == "y" || iv == "d" || iv == "w") r = {d.days + n, d.seconds};
    else if (iv == "ww") r = {d.days + 7 * n, d.seconds};
    else if (iv == "h") r = add_seconds(d, 3600 * n);
    else if (iv == "n") r = add_seconds(d, 60 * n);
    else if (iv == "s") r = add_seconds(d, n);
    else { sqlite3_result_error(ctx, ("Invalid interval \"" + iv + "\" in DateAdd").c_str(), -1); return; }
    result_text(ctx, jet_date_text(r));
}

long long first_day_arg(int argc, sqlite3_value** argv, int at)
{
    if (argc <= at || is_null(argv[at])) return 1;
    const long long f = sqlite3_value_int64(argv[at]);
    return f < 1 || f > 7 ? 1 : f;
}

// The week (starting on `first`, 1 = Sunday) a day falls in, counted from any fixed week.
long long week_number(long long days, long long first)
{
    // 1970-01-01 was a Thursday (5); shift so that weeks begin on `first`.
    return floor_div(days + 4 - (first - 1), 7);
}

void fn_datediff(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    JetDate a, b;
    if (is_null(argv[1]) || is_null(argv[2])) { sqlite3_result_null(ctx); return; }
    if (!need_date(ctx, argv[1], a, "DateDiff") || !need_date(ctx, argv[2], b, "DateDiff")) return;
    const std::string iv = interval_arg(argv[0]);
    const Civil ca = civil(a), cb = civil(b);
    const long long sa = a.days * 86400 + a.seconds, sb = b.days * 86400 + b.seconds;
    long long v = 0;
    if (iv == "yyyy") v = cb.y - ca.y;
    else if (iv == "q") v = (cb.y * 4 + (cb.m - 1) / 3) - (ca.y * 4 + (ca.m - 1) / 3);
    else if (iv == "m") v = (cb.y * 12 + cb.m) - (ca.y * 12 + ca.m);
    else if (iv == "y" || iv == "d") v = b.days - a.days;
    else if (iv == "w") v = (b.days - a.days) / 7;
    else if (iv == "ww") v = week_number(b.days, first_day_arg(argc, argv, 3)) - week_number(a.days, first_day_arg(argc, argv, 3));
    else if (iv == "h") v = floor_div(sb, 3600) - floor_div(sa, 3600);
    else if (iv == "n") v = floor_div(sb, 60) - floor_div(sa, 60);
    else if (iv == "s") v = sb - sa;
    else { sqlite3_result_error(ctx, ("Invalid interval \"" + iv + "\" in DateDiff").c_str(), -1); return; }
    sqlite3_result_int64(ctx, v);
}

void fn_datepart(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    JetDate d;
    if (!need_date(ctx, argv[1], d, "DatePart")) return;
    const std::string iv = interval_arg(argv[0]);
    const Civil c = civil(d);
    const long long first = first_day_arg(argc, argv, 2);
    long long v = 0;
    if (iv == "yyyy") v = c.y;
    else if (iv == "q") v = (c.m - 1) / 3 + 1;
    else if (iv == "m") v = c.m;
    else if (iv == "y") v = d.days - days_from_civil(c.y, 1, 1) + 1;
    else if (iv == "d") v = c.d;
    else if (iv == "w") v = ((weekday(d.days) - first) + 7) % 7 + 1;
    else if (iv == "ww") v = week_number(d.days, first) - week_number(days_from_civil(c.y, 1, 1), first) + 1;
    else if (iv == "h") v = c.h;
    else if (iv == "n") v = c.mi;
    else if (iv == "s") v = c.s;
    else { sqlite3_result_error(ctx, ("Invalid interval \"" + iv + "\" in DatePart").c_str(), -1); return; }
    sqlite3_result_int64(ctx, v);
}

void fn_isdate(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    // IsDate looks at texts: a number is no date.
    const bool date = sqlite3_value_type(argv[0]) == SQLITE_TEXT && parse_jet_date(text_arg(argv[0])).has_value();
    sqlite3_result_int(ctx, date ? -1 : 0);
}

std::string two(long long v)
{
    char b[24];
    std::snprintf(b, sizeof b, "%02lld", v);
    return b;
}

} // namespace

std::optional<JetDate> parse_jet_date(std::string_view input)
{
    const std::string text = base::trim(std::string(input));
    long long y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    int used = 0;
    bool hasDate = false;
    const char* p = text.c_str();
    if (std::sscanf(p, "%4lld-%2lld-%2lld%n", &y, &m, &d, &used) == 3) {
        hasDate = true;
    } else if (std::sscanf(p, "%2lld/%2lld/%4lld%n", &m, &d, &y, &used) == 3) {
        hasDate = true;
        if (used > 0 && text.size() >= static_cast<std::size_t>(used) && y < 100 && text[static_cast<std::size_t>(used) - 3] == '/')
            y += y < 30 ? 2000 : 1900;
    }
    if (hasDate) {
        if (m < 1 || m > 12 || d < 1 || d > days_in_month(y, m)) return std::nullopt;
        p += used;
        if (*p == 'T' || *p == ' ') ++p;
        while (*p == ' ') ++p;
    } else {
        y = 1899, m = 12, d = 30;
    }
    if (*p) {
        int n = 0;
        used = 0;
        n = std::sscanf(p, "%2lld:%2lld%n:%2lld%n", &h, &mi, &used, &s, &used);
        if (n < 2) return std::nullopt;
        p += used;
        if (*p == '.') {  // fractions of a second are dropped
            ++p;
            while (*p >= '0' && *p <= '9') ++p;
        }
        while (*p == ' ') ++p;
        const std::string rest = base::to_lower(std::string(p));
        if (rest == "pm" && h < 12) h += 12;
        else if (rest == "am" && h == 12) h = 0;
        else if (!rest.empty() && rest != "am" && rest != "pm") return std::nullopt;
        if (h > 23 || mi > 59 || s > 59) return std::nullopt;
    } else if (!hasDate) {
        return std::nullopt;
    }
    return JetDate{days_from_civil(y, m, d), h * 3600 + mi * 60 + s};
}

std::string jet_date_text(const JetDate& j)
{
    const Civil c = civil(j);
    char buf[64];
    if (j.days == kSerialZero && j.seconds != 0)
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", c.h, c.mi, c.s);
    else if (j.seconds == 0)
        std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", c.y, c.m, c.d);
    else
        std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", c.y, c.m, c.d, c.h, c.mi, c.s);
    return buf;
}

std::string format_jet_date(const JetDate& j, std::string_view format)
{
    static const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
    static const char* days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    std::string f(format);
    const std::string named = base::to_lower(f);
    if (named == "general date" || named.empty()) return jet_date_text(j);
    if (named == "long date") f = "dddd, mmmm d, yyyy";
    else if (named == "medium date") f = "dd-mmm-yy";
    else if (named == "short date") f = "m/d/yyyy";
    else if (named == "long time") f = "h:nn:ss AM/PM";
    else if (named == "medium time") f = "hh:nn AM/PM";
    else if (named == "short time") f = "hh:nn";
    const Civil c = civil(j);
    const std::string low = base::to_lower(f);
    const bool twelve = low.find("am/pm") != std::string::npos;
    const long long hour = twelve ? (c.h % 12 == 0 ? 12 : c.h % 12) : c.h;
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < f.size();) {
        auto at = [&](const char* t) { return low.compare(i, std::char_traits<char>::length(t), t) == 0; };
        if (at("yyyy")) { out += std::to_string(c.y); i += 4; }
        else if (at("yy")) { out += two(c.y % 100); i += 2; }
        else if (at("q")) { out += std::to_string((c.m - 1) / 3 + 1); i += 1; }
        else if (at("mmmm")) { out += months[c.m - 1]; i += 4; }
        else if (at("mmm")) { out += std::string(months[c.m - 1]).substr(0, 3); i += 3; }
        else if (at("mm")) { out += two(afterHour ? c.mi : c.m); i += 2; }
        else if (at("m")) { out += std::to_string(afterHour ? c.mi : c.m); i += 1; }
        else if (at("dddd")) { out += days[weekday(j.days) - 1]; i += 4; }
        else if (at("ddd")) { out += std::string(days[weekday(j.days) - 1]).substr(0, 3); i += 3; }
        else if (at("dd")) { out += two(c.d); i += 2; }
        else if (at("d")) { out += std::to_string(c.d); i += 1; }
        else if (at("hh")) { out += two(hour); i += 2; afterHour = true; continue; }
        else if (at("h")) { out += std::to_string(hour); i += 1; afterHour = true; continue; }
        else if (at("nn")) { out += two(c.mi); i += 2; }
        else if (at("n")) { out += std::to_string(c.mi); i += 1; }
        else if (at("ss")) { out += two(c.s); i += 2; }
        else if (at("s")) { out += std::to_string(c.s); i += 1; }
        else if (at("am/pm")) { out += c.h < 12 ? "AM" : "PM"; i += 5; }
        else if (f[i] == '\\' && i + 1 < f.size()) { out += f[i + 1]; i += 2; }
        else { out += f[i++]; continue; }
        afterHour = false;
    }
    return out;
}

void register_jet_date_functions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "jet_now", 0, SQLITE_UTF8, nullptr, fn_now, nullptr, nullptr);
    sqlite3_create_function(db, "jet_date", 0, SQLITE_UTF8, nullptr, fn_date, nullptr, nullptr);
    sqlite3_create_function(db, "jet_time", 0, SQLITE_UTF8, nullptr, fn_time, nullptr, nullptr);
    sqlite3_create_function(db, "year", 1, flags, nullptr, fn_part<0>, nullptr, nullptr);
    sqlite3_create_function(db, "month", 1, flags, nullptr, fn_part<1>, nullptr, nullptr);
    sqlite3_create_function(db, "day", 1, flags, nullptr, fn_part<2>, nullptr, nullptr);
    sqlite3_create_function(db, "hour", 1, flags, nullptr, fn_part<3>, nullptr, nullptr);
    sqlite3_create_function(db, "minute", 1, flags, nullptr, fn_part<4>, nullptr, nullptr);
    sqlite3_create_function(db, "second", 1, flags, nullptr, fn_part<5>, nullptr, nullptr);
    for (int n = 1; n <= 2; ++n) sqlite3_create_function(db, "weekday", n, flags, nullptr, fn_part<6>, nullptr, nullptr);
    sqlite3_create_function(db, "dateserial", 3, flags, nullptr, fn_dateserial, nullptr, nullptr);
    sqlite3_create_function(db, "dateadd", 3, flags, nullptr, fn_dateadd, nullptr, nullptr);
    for (int n = 3; n <= 5; ++n) sqlite3_create_function(db, "datediff", n, flags, nullptr, fn_datediff, nullptr, nullptr);
    for (int n = 2; n <= 4; ++n) sqlite3_create_function(db, "datepart", n, flags, nullptr, fn_datepart, nullptr, nullptr);
    sqlite3_create_function(db, "isdate", 1, flags, nullptr, fn_isdate, nullptr, nullptr);
}

} // namespace vt::db
