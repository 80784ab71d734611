#include "workbench/browser_common.h"
#include "workbench/experiment_plots.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/sql_quote.h"
#include "db/value.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vt::workbench {

std::optional<double> parse_user_number(const std::string& text)
{
    std::string s = base::trim(text);
    if (s.empty()) return std::nullopt;
    const auto comma = s.find(',');
    if (comma != std::string::npos) s[comma] = '.';
    // Only digits, one sign, one point and an exponent: strtod alone would also read
    // "nan", "inf" and hexadecimal numbers.
    if (s.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    return v;
}

double require_user_number(const std::string& text, const std::string& what)
{
    const auto v = parse_user_number(text);
    if (!v) throw BrowserInputError(what + ": '" + text + "' is not a number");
    return *v;
}

// Digits alone over the whole signed 64-bit range ("9223372036854775807"); other notations
// ("1e3") within +-9e15, where a double holds every whole number.
std::optional<long long> parse_user_integer(const std::string& text)
{
    // Digits alone are read as a whole number over the whole signed 64-bit range: a double
    // holds every whole number only up to 2^53.
    const std::string s = base::trim(text);
    const std::size_t digits = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (s.size() > digits && s.find_first_not_of("0123456789", digits) == std::string::npos) {
        long long v = 0;
        const char* first = s.data() + (s[0] == '+' ? 1 : 0);
        const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
        if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;  // beyond the range
        return v;
    }
    // "1e3", "12.0": exact only within +-9e15.
    const auto v = parse_user_number(text);
    if (!v || std::floor(*v) != *v || std::fabs(*v) > 9e15) return std::nullopt;
    return static_cast<long long>(*v);
}

long long require_user_integer(const std::string& text, const std::string& what)
{
    const auto v = parse_user_integer(text);
    if (!v) throw BrowserInputError(what + ": '" + text + "' is not a whole number");
    return *v;
}

std::string experiment_plots_condition(const ExperimentPlots& e, std::vector<db::Value>& params)
{
    params.emplace_back(e.code);
    // As text: a code column declared as a number holds 3 where the tree shows "3".
    const std::string code = "ifnull(cast(versuch_code as text), '')=?";
    if (!e.location) return code;
    params.emplace_back(*e.location);
    return code + " and ifnull(location, '')=?";
}

void ChangeReport::add(const std::string& table, int n)
{
    for (auto& r : rows)
        if (r.first == table) {
            r.second += n;
            return;
        }
    rows.emplace_back(table, n);
}

int ChangeReport::total() const
{
    int n = 0;
    for (const auto& r : rows) n += r.second;
    return n;
}

int ChangeReport::rowsOf(const std::string& table) const
{
    for (const auto& r : rows)
        if (r.first == table) return r.second;
    return 0;
}

std::vector<std::string> plot_keyed_tables(db::Connection& c)
{
    std::vector<std::string> tables;
    auto cur = c.query("select name from sqlite_master where type='table' and name not like 'sqlite%' order by name");
    for (; !cur.eof(); cur.next()) tables.push_back(cur.getString("name"));
    std::vector<std::string> keyed;
    for (const auto& t : tables) {
        const auto cols = c.columns(t);
        const bool hasKey = std::any_of(cols.begin(), cols.end(), [](const std::string& col) { return base::to_lower(col) == "fl_id"; });
        if (!hasKey) continue;
        if (base::to_lower(t) == "field_description")
            keyed.insert(keyed.begin(), t);
        else
            keyed.push_back(t);
    }
    return keyed;
}

namespace {

bool has_fl_id_index(db::Connection& c, const std::string& table)
{
    auto list = c.query("select name from pragma_index_list(?)", {table});
    for (; !list.eof(); list.next()) {
        auto first = c.query("select name from pragma_index_info(?) where seqno=0", {list.field(0).toString()});
        if (!first.eof() && base::to_lower(first.field(0).toString()) == "fl_id") return true;
    }
    return false;
}

} // namespace

int ensure_browser_indexes(db::Connection& c)
{
    int made = 0;
    for (const char* table : {"field_description", "cultivation", "measurements", "sim_result", "rux_nresult", "som_state"}) {
        if (!c.tableExists(table) || !c.columnExists(table, "fl_id") || has_fl_id_index(c, table)) continue;
        if (c.executeIgnoringErrors("create index if not exists " + db::quote_ident(std::string("vtb_") + table + "_fl") + " on " +
                                    db::quote_ident(table) + " (fl_id)"))
            ++made;
    }
    return made;
}

} // namespace vt::workbench
