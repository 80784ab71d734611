#pragma once
#include <algorithm>
#include <cctype>
#include <string>

// The text helpers of every layer: trimming, letter case and comparisons without regard
// to case, for switches, settings, stored names and script lines.

namespace vt::base {

inline constexpr const char* kWhitespace = " \t\r\n";

// Without the leading and trailing characters of `blanks` (blanks, tabs and line ends
// unless told otherwise; " " for the padding of Jet's fixed-width text columns).
inline std::string trim(const std::string& s, const char* blanks = kWhitespace)
{
    const auto b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

inline char to_lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
inline char to_upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

inline std::string to_lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return to_lower(c); });
    return s;
}

inline std::string to_upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return to_upper(c); });
    return s;
}

// Whether two texts are equal without regard to the case of ASCII letters.
inline bool iequals(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return to_lower(x) == to_lower(y); });
}

// Whether `s` begins with `prefix`, letter case counting.
inline bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace vt::base
