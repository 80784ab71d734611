#include "import/mdb_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vt::access::mdb {

namespace {

// Days since 1970-01-01 to a proleptic Gregorian civil date (Howard Hinnant's algorithm).
void civil_from_days(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

constexpr long long kEpochToUnix = 25569;    // 1899-12-30 .. 1970-01-01
constexpr double kFirstDay = -657434.0;      // 0100-01-01
constexpr double kPastLastDay = 2958466.0;   // 10000-01-01

void append_utf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

namespace {

__extension__ typedef unsigned __int128 uint128;  // a Jet 4 decimal holds a 128-bit magnitude

// Digits of an unsigned value with `scale` of them after the point, trailing zeros of the
// fraction removed.
std::string scaled_digits(uint128 u, int scale)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
        u /= 10;
    } while (u != 0);
    if (scale <= 0) return digits;
    if (static_cast<int>(digits.size()) <= scale) digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - static_cast<std::size_t>(scale));
    std::string frac = digits.substr(digits.size() - static_cast<std::size_t>(scale));
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    return frac.empty() ? whole : whole + "." + frac;
}

} // namespace

std::optional<std::string> access_date_iso(double days)
{
    if (!std::isfinite(days) || days < kFirstDay || days >= kPastLastDay) return std::nullopt;
    const double whole = std::trunc(days);
    long long day = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    long long y;
    unsigned m, d;
    civil_from_days(day - kEpochToUnix, y, m, d);
    if (y > 9999) return std::nullopt;
    char buf[64];
    if (seconds == 0) {
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", y, m, d);
    } else {
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                      (seconds / 60) % 60, seconds % 60);
    }
    return std::string(buf);
}

std::string currency_decimal(std::int64_t v)
{
    const bool negative = v < 0;
    const std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    return (negative ? "-" : "") + scaled_digits(u, 4);
}

std::string decimal_text(const unsigned char* p, int scale)
{
    uint128 u = 0;
    for (int word = 0; word < 4; ++word)
        u = (u << 32) | static_cast<std::uint32_t>(read_le_int(p + 1 + 4 * word, 4));
    const std::string digits = scaled_digits(u, scale < 0 ? 0 : scale > 38 ? 38 : scale);
    return (p[0] & 0x80) && u != 0 ? "-" + digits : digits;
}

double single_to_double(float v)
{
    if (!std::isfinite(v)) return static_cast<double>(v);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    double d = static_cast<double>(v);
    std::from_chars(buf, res.ptr, d);
    return d;
}

std::string guid_text(const unsigned char* b)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                  b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return buf;
}

std::string jet4_text_utf8(const unsigned char* p, std::size_t n)
{
    // Expand the compressed form first: single bytes stand for code units 0x00nn, and a
    // zero byte switches between single bytes and full code units.
    std::u16string units;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool compressed = true;
        std::size_t i = 2;
        while (i < n) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(p[i]);
                ++i;
            } else if (i + 1 < n) {
                units.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < n; i += 2) units.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
    }

    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        append_utf8(out, cp);
    }
    return out;
}

std::int64_t read_le_int(const unsigned char* p, int bytes)
{
    std::uint64_t u = 0;
    for (int i = bytes - 1; i >= 0; --i) u = (u << 8) | p[i];
    if (bytes < 8 && (u >> (bytes * 8 - 1)) & 1) u |= ~std::uint64_t{0} << (bytes * 8);  // sign-extend
    return static_cast<std::int64_t>(u);
}

double read_le_double(const unsigned char* p)
{
    const std::uint64_t u = static_cast<std::uint64_t>(read_le_int(p, 8));
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

float read_le_float(const unsigned char* p)
{
    const std::uint32_t u = static_cast<std::uint32_t>(read_le_int(p, 4));
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

} // namespace vt::access::mdb
