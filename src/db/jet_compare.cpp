#include "db/jet_compare.h"

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

namespace vt::db {

namespace {

// UTF-8 to code points; a byte that starts no valid sequence stands for itself.
std::vector<char32_t> code_points(std::string_view s)
{
    std::vector<char32_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
        if (extra && i + static_cast<std::size_t>(extra) >= s.size()) { extra = 0; cp = c; }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok) { extra = 0; cp = c; }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

char32_t fold(char32_t c)
{
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if (c >= 0x100 && c <= 0x137) return c | 1;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177) return c | 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// The base letter of a folded Latin-1 letter ("ä" -> "a"); 0 when it has none.
char32_t base_letter(char32_t c)
{
    if (c < 0xE0 || c > 0xFF) return 0;
    static const char* bases = "aaaaaaaceeeeiiiidnooooo/ouuuuyty";
    const char b = bases[c - 0xE0];
    return b == '/' ? 0 : static_cast<char32_t>(b);
}

// Primary key: folded letters with accents taken off (ß and æ spelt out); secondary key:
// the folded letters themselves.
void keys(std::string_view s, std::u32string& primary, std::u32string& secondary)
{
    for (char32_t c : code_points(s)) {
        const char32_t f = fold(c);
        secondary.push_back(f);
        if (f == 0xDF) primary += U"ss";
        else if (f == 0xE6) primary += U"ae";
        else if (const char32_t b = base_letter(f)) primary.push_back(b);
        else primary.push_back(f);
    }
}

struct Matcher {
    const std::vector<char32_t>& text;
    const std::vector<char32_t>& pattern;
    bool ansi;

    // One pattern element at p: its length in the pattern and whether it accepts c.
    bool element(std::size_t p, char32_t c, std::size_t& len) const
    {
        const char32_t e = pattern[p];
        len = 1;
        if (ansi) return e == '_' || fold(e) == fold(c);
        if (e == '?') return true;
        if (e == '#') return c >= '0' && c <= '9';
        if (e != '[') return fold(e) == fold(c);
        std::size_t q = p + 1;
        bool negate = false;
        if (q < pattern.size() && pattern[q] == '!') { negate = true; ++q; }
        bool hit = false;
        bool first = true;
        const char32_t fc = fold(c);
        const char32_t bc = base_letter(fc) ? base_letter(fc) : fc;
        for (;; first = false) {
            if (q >= pattern.size()) throw std::invalid_argument("Invalid pattern string (an unclosed \"[\")");
            if (pattern[q] == ']' && !first) break;
            const char32_t lo = fold(pattern[q]);
            if (q + 2 < pattern.size() && pattern[q + 1] == '-' && pattern[q + 2] != ']') {
                const char32_t hi = fold(pattern[q + 2]);
                if ((fc >= lo && fc <= hi) || (bc >= lo && bc <= hi)) hit = true;
                q += 3;
            } else {
                if (lo == fc) hit = true;
                ++q;
            }
        }
        len = q + 1 - p;
        return hit != negate;
    }

    bool is_star(std::size_t p) const { return pattern[p] == (ansi ? U'%' : U'*'); }

    // Greedy matching with one remembered star: linear in practice, at worst text x pattern.
    bool run() const
    {
        std::size_t t = 0, p = 0;
        std::size_t starP = SIZE_MAX, starT = 0;
        while (t < text.size()) {
            std::size_t len = 1;
            if (p < pattern.size() && is_star(p)) {
                starP = ++p;
                starT = t;
                continue;
            }
            if (p < pattern.size() && element(p, text[t], len)) {
                p += len;
                ++t;
                continue;
            }
            if (starP == SIZE_MAX) return false;
            p = starP;
            t = ++starT;
        }
        while (p < pattern.size() && is_star(p)) ++p;
        if (p < pattern.size() && !ansi) {
            // An unclosed "[" left unread is still an error.
            for (std::size_t q = p; q < pattern.size(); ++q)
                if (pattern[q] == '[') {
                    std::size_t len = 0;
                    element(q, U'a', len);
                }
        }
        return p == pattern.size();
    }
};

int collate(void*, int na, const void* a, int nb, const void* b)
{
    return jet_text_compare(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)),
                            std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
}

std::string_view text_arg(sqlite3_value* v)
{
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return t ? std::string_view(t, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

template <bool Ansi>
void fn_like(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    try {
        const bool hit = Ansi ? jet_alike(text_arg(argv[0]), text_arg(argv[1])) : jet_like(text_arg(argv[0]), text_arg(argv[1]));
        sqlite3_result_int(ctx, hit ? -1 : 0);  // the dialect's True
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

} // namespace

int jet_text_compare(std::string_view a, std::string_view b)
{
    std::u32string pa, sa, pb, sb;
    keys(a, pa, sa);
    keys(b, pb, sb);
    if (const int c = pa.compare(pb)) return c;
    return sa.compare(sb);
}

bool jet_like(std::string_view text, std::string_view pattern)
{
    const auto t = code_points(text), p = code_points(pattern);
    return Matcher{t, p, false}.run();
}

bool jet_alike(std::string_view text, std::string_view pattern)
{
    const auto t = code_points(text), p = code_points(pattern);
    return Matcher{t, p, true}.run();
}

void register_jet_compare(sqlite3* db)
{
    sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, nullptr, collate, nullptr);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "jet_like", 2, flags, nullptr, fn_like<false>, nullptr, nullptr);
    sqlite3_create_function(db, "jet_alike", 2, flags, nullptr, fn_like<true>, nullptr, nullptr);
}

} // namespace vt::db
