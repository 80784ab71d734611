#include "engine/preparation/input_validation.h"

#include "base/number_format.h"
#include "base/text.h"
#include "db/connection.h"
#include "db/scoped_functions.h"
#include "db/sql_quote.h"
#include "engine/preparation/plot_selection.h"
#include "engine/preparation/prep_context.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <map>
#include <optional>

namespace vt::engine {

namespace {

constexpr const char* kSelected = "(SELECT FL_ID FROM site_state WHERE status=1)";

// The rows of one table that the model reads, and what their values must be.
struct TableCheck {
    std::string table;
    std::vector<std::string> numeric;  // columns holding finite numbers (or nothing)
    std::string where;                 // the rows read, over the table as t
    // A cheaper filter of at least those rows, for the first pass that looks for any flaw
    // (a parameter table is read whole); empty: `where`.
    std::string firstPass;
    std::string who;                   // text naming the plot (and soil, item) of a row: SQL over t
    std::string year;                  // a column of years, or empty
    long long firstYear = 1;
    std::vector<std::string> required;  // numeric columns that must not be empty
    // The plausible ranges of columns; a value outside one skips the plots of the row's
    // key (`skipBy`: a plot, soil or climate station) instead of ending the run.
    std::vector<InputRange> ranges;
    SkipKey skipBy = SkipKey::None;
    bool textureSum = false;  // clay + silt + sand (those given) at most 100 %
};

// The key of a row whose plots a value out of its range skips: SQL over t.
const char* skip_key_sql(SkipKey k)
{
    switch (k) {
    case SkipKey::Plot: return "t.FL_ID";
    case SkipKey::Soil: return "t.soil_ID";
    case SkipKey::Station: return "t.climate_ID";
    default: return "NULL";
    }
}

const char* skip_key_name(SkipKey k)
{
    switch (k) {
    case SkipKey::Plot: return "plot";
    case SkipKey::Soil: return "soil";
    case SkipKey::Station: return "climate station";
    default: return "";
    }
}

std::string sql_number(double v) { return base::format_number(v); }

// The rows with a value out of its range (or a texture sum above 100): a condition over t
// that holds for at least those rows (a text counts as out of range; the row is looked at
// again value by value), "0" when there is none. Without `withRanges` only the texture sum.
std::string out_of_range_sql(const TableCheck& k, const std::vector<std::string>& present, bool withRanges)
{
    const auto has = [&](const std::string& col) {
        return std::find(present.begin(), present.end(), col) != present.end();
    };
    std::string sql;
    for (const InputRange& r : k.ranges) {
        if (!withRanges || !has(r.column)) continue;
        const std::string col = "t." + db::quote_ident(r.column);
        std::string test = "(" + col + " < " + sql_number(r.lo) + " OR " + col + " > " + sql_number(r.hi) + ")";
        if (r.missingMarker) test = "(" + test + " AND " + col + " NOT IN (-99, -99.99))";
        if (!r.macodes.empty()) {
            std::string codes;
            for (int m : r.macodes) codes += (codes.empty() ? "" : ", ") + std::to_string(m);
            test = "(t.Macode IN (" + codes + ") AND " + test + ")";
        }
        sql += (sql.empty() ? "" : " OR ") + test;
    }
    if (k.textureSum) {
        std::string sum;
        for (const char* col : {"clay", "silt", "sand"})
            if (has(col)) sum += std::string(sum.empty() ? "" : " + ") + "(CASE WHEN t." + col + " >= 0 THEN t." + col + " ELSE 0 END)";
        if (!sum.empty()) sql += (sql.empty() ? "" : " OR ") + ("(" + sum + " > " + sql_number(100 + kTextureSumSlack) + ")");
    }
    return sql.empty() ? "0" : "(" + sql + ")";
}

// A text that reads as a decimal number: [sign] digits [. digits] [exponent], blanks around.
std::optional<double> decimal_text(const std::string& raw)
{
    const std::string t = base::trim(raw);
    std::size_t i = 0, digits = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    return std::strtod(t.c_str(), nullptr);
}

std::string shown(const db::Value& v)
{
    if (v.isText()) {
        std::string t = v.toString();
        if (t.size() > 40) t = t.substr(0, 40) + "...";
        return "'" + t + "'";
    }
    if (v.isNumber()) return base::format_number(v.toDouble());
    return "a binary value";
}

// What is wrong with a value of a numeric column, or nothing.
std::optional<std::string> number_problem(const db::Value& v, bool required)
{
    if (v.isNull()) return required ? std::optional<std::string>("empty") : std::nullopt;
    if (v.isInteger()) return std::nullopt;
    std::optional<double> d;
    if (v.isReal()) d = v.toDouble();
    else if (v.isText()) d = decimal_text(v.toString());
    if (!d) return shown(v) + " is not a number";
    if (!std::isfinite(*d)) return shown(v) + " is not a finite number";
    return std::nullopt;
}

std::optional<std::string> year_problem(const db::Value& v, long long first)
{
    if (v.isNull()) return std::nullopt;
    if (auto p = number_problem(v, false)) return p;
    const double y = v.isText() ? *decimal_text(v.toString()) : v.toDouble();
    if (y < static_cast<double>(first) || y > 9999)
        return shown(v) + " is outside " + std::to_string(first) + "..9999";
    if (y != std::floor(y)) return shown(v) + " is not a whole year";
    return std::nullopt;
}

db::Value value_of(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return db::Value(static_cast<long long>(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return db::Value(sqlite3_value_double(v));
    case SQLITE_TEXT: return db::Value(std::string(reinterpret_cast<const char*>(sqlite3_value_text(v))));
    case SQLITE_NULL: return db::Value();
    default: return db::Value(std::string("\x01"));  // a blob: no number either
    }
}

// vt_input_flaw(firstYear, year, required, v1, ..., vn): 1 when the year (unless NULL) or
// one of the values has a problem, the first `required` values being no NULL either. One
// call per row: a pass over the management events of a region costs little more than
// reading them.
bool has_flaw(int n, sqlite3_value** v)
{
    bool flaw = false;
    if (n >= 3) {
        const long long first = sqlite3_value_int64(v[0]);
        const int required = sqlite3_value_int(v[2]);
        switch (sqlite3_value_type(v[1])) {
        case SQLITE_NULL: break;
        case SQLITE_INTEGER: {
            const long long y = sqlite3_value_int64(v[1]);
            flaw = y < first || y > 9999;
            break;
        }
        default: flaw = year_problem(value_of(v[1]), first).has_value();
        }
        for (int i = 3; i < n && !flaw; ++i) {
            switch (sqlite3_value_type(v[i])) {
            case SQLITE_INTEGER: break;
            case SQLITE_FLOAT: flaw = !std::isfinite(sqlite3_value_double(v[i])); break;
            case SQLITE_NULL: flaw = i - 3 < required; break;
            default: flaw = number_problem(value_of(v[i]), i - 3 < required).has_value();
            }
        }
    }
    return flaw;
}

void input_flaw(sqlite3_context* ctx, int n, sqlite3_value** v) { sqlite3_result_int(ctx, has_flaw(n, v) ? 1 : 0); }

// What the first pass over a table finds: whether a row has a flaw, the first and last
// year (as min() and max() order them: numbers before texts) and whether the rows, in the
// order of their row ids, lie in the order of their plot and year (whole numbers both).
struct FirstPass {
    bool flaw = false;
    // The ranges of the values v1..vn, tested here rather than by an SQL condition: the
    // values are at hand, and a pass over the events of a region costs no more for them.
    struct Range {
        std::size_t value;  // index of v1..vn
        double lo, hi;
        bool missingMarker;
        std::vector<int> macodes;  // none: every row
    };
    std::vector<Range> ranges;
    std::optional<std::size_t> macodeValue;  // index of Macode among v1..vn
    // The plot-years of the rows (whole numbers); none once a plot or year is not one.
    std::shared_ptr<EventPlotYears> plotYears;

    explicit FirstPass(bool ordered = false) : plotYears(ordered ? std::make_shared<EventPlotYears>() : nullptr) {}

    db::Value firstYear() const
    {
        if (anyNumber_) return number(minWhole_, minReal_, anyWhole_, anyReal_, true);
        return anyText_ ? db::Value(std::string("\x01")) : db::Value();
    }
    db::Value lastYear() const
    {
        if (anyText_) return db::Value(std::string("\x01"));  // which text does not matter: a flaw
        return anyNumber_ ? number(maxWhole_, maxReal_, anyWhole_, anyReal_, false) : db::Value();
    }

    // vt_input_pass(outside, rowid, plot, firstYear, year, required, v1, ..., vn): the row's
    // flaw as vt_input_flaw(firstYear, year, required, v1, ..., vn) gives it, a value out of
    // `ranges`, or `outside` (an SQL test, the texture sum) 1; rowid and plot are NULL where
    // the order does not matter.
    // Always 0: the pass lets no row through, and keeps what it finds here, which costs a
    // third less than aggregates over the rows.
    static void step(sqlite3_context* ctx, int n, sqlite3_value** v)
    {
        auto* f = static_cast<FirstPass*>(sqlite3_user_data(ctx));
        if (n >= 6) {
            if (!f->flaw)
                f->flaw = sqlite3_value_int(v[0]) == 1 || has_flaw(n - 3, v + 3) || f->out_of_range(n - 6, v + 6);
            f->year_seen(v[4]);
            if (f->plotYears) f->order_seen(v[1], v[2], v[4]);
        }
        sqlite3_result_int(ctx, 0);
    }

private:
    static std::optional<double> number_of(sqlite3_value* v)
    {
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
        case SQLITE_FLOAT: return sqlite3_value_double(v);
        case SQLITE_TEXT: return decimal_text(reinterpret_cast<const char*>(sqlite3_value_text(v)));
        default: return std::nullopt;
        }
    }

    bool out_of_range(int n, sqlite3_value** v) const
    {
        if (ranges.empty()) return false;
        std::optional<double> macode;
        if (macodeValue && static_cast<int>(*macodeValue) < n) macode = number_of(v[*macodeValue]);
        for (const Range& r : ranges) {
            if (static_cast<int>(r.value) >= n) continue;
            if (!r.macodes.empty() &&
                (!macode || std::find_if(r.macodes.begin(), r.macodes.end(), [&](int m) { return m == *macode; }) ==
                                r.macodes.end()))
                continue;
            const std::optional<double> d = number_of(v[r.value]);
            if (!d || (r.missingMarker && (*d == -99 || *d == -99.99))) continue;
            if (!(*d >= r.lo && *d <= r.hi)) return true;
        }
        return false;
    }

    void year_seen(sqlite3_value* y)
    {
        switch (sqlite3_value_type(y)) {
        case SQLITE_NULL: return;
        case SQLITE_INTEGER: {
            const sqlite3_int64 i = sqlite3_value_int64(y);
            if (!anyWhole_ || i < minWhole_) minWhole_ = i;
            if (!anyWhole_ || i > maxWhole_) maxWhole_ = i;
            anyWhole_ = anyNumber_ = true;
            return;
        }
        case SQLITE_FLOAT: {
            const double d = sqlite3_value_double(y);
            if (!anyReal_ || d < minReal_) minReal_ = d;
            if (!anyReal_ || d > maxReal_) maxReal_ = d;
            anyReal_ = anyNumber_ = true;
            return;
        }
        default: anyText_ = true;
        }
    }

    // The least (or greatest) of a whole and a real extreme, each where there is one.
    static db::Value number(sqlite3_int64 whole, double real, bool anyWhole, bool anyReal, bool least)
    {
        if (!anyReal) return db::Value(static_cast<long long>(whole));
        if (!anyWhole) return db::Value(real);
        const long double w = static_cast<long double>(whole), r = real;
        return (least ? r < w : r > w) ? db::Value(real) : db::Value(static_cast<long long>(whole));
    }

    void order_seen(sqlite3_value* rowidValue, sqlite3_value* plotValue, sqlite3_value* yearValue)
    {
        const bool whole = sqlite3_value_type(rowidValue) == SQLITE_INTEGER &&
                           sqlite3_value_type(plotValue) == SQLITE_INTEGER && sqlite3_value_type(yearValue) == SQLITE_INTEGER;
        if (!whole) {
            plotYears.reset();
            return;
        }
        const sqlite3_int64 r = sqlite3_value_int64(rowidValue);
        if (anyRow_ && r <= rowid_) plotYears->outOfOrder();
        plotYears->add(sqlite3_value_int64(plotValue), sqlite3_value_int64(yearValue));
        anyRow_ = true;
        rowid_ = r;
    }

    bool anyNumber_ = false, anyWhole_ = false, anyReal_ = false, anyText_ = false;
    sqlite3_int64 minWhole_ = 0, maxWhole_ = 0;
    double minReal_ = 0, maxReal_ = 0;
    bool anyRow_ = false;
    sqlite3_int64 rowid_ = 0;
};

// A value out of its range, or nothing. `macode` is the row's management code (NULL where
// the table has none).
std::optional<std::string> range_problem(const InputRange& r, const db::Value& v, const db::Value& macode)
{
    if (v.isNull() || (!v.isNumber() && !v.isText())) return std::nullopt;
    const std::optional<double> value = v.isText() ? decimal_text(v.toString()) : std::optional<double>(v.toDouble());
    if (!value) return std::nullopt;  // listed as no number
    if (!r.macodes.empty()) {
        if (!macode.isNumber()) return std::nullopt;
        const double m = macode.toDouble();
        if (std::find_if(r.macodes.begin(), r.macodes.end(), [m](int c) { return c == m; }) == r.macodes.end())
            return std::nullopt;
    }
    const double d = *value;
    if (r.missingMarker && (d == -99 || d == -99.99)) return std::nullopt;
    if (d >= r.lo && d <= r.hi) return std::nullopt;
    std::string text = shown(v) + " is outside " + sql_number(r.lo) + ".." + sql_number(r.hi) + " " + r.unit;
    if (!r.macodes.empty()) text += " for Macode " + base::format_number(macode.toDouble());
    return text + " (" + r.what + ")";
}

class Checker {
public:
    Checker(db::Connection& c, std::size_t limit) : c_(c), limit_(limit) {}

    void check(const TableCheck& k);
    void checkSpans();

    std::vector<std::string> problems;
    bool more = false;
    // The first and last year of the rows of the first pass over cultivation.
    db::Value firstYear, lastYear;
    // The plot-years of the events when their plots and years are whole numbers.
    std::shared_ptr<const EventPlotYears> eventPlotYears;
    // Keys (plot, soil, station) whose plots are skipped, with the first reason of each.
    std::map<std::pair<SkipKey, std::string>, std::string> skips;

private:
    bool full()
    {
        if (problems.size() < limit_) return false;
        more = true;
        return true;
    }
    void add(const std::string& where, const std::string& column, const std::string& what)
    {
        if (!full()) problems.push_back(where + ", column " + column + ": " + what);
    }

    db::Connection& c_;
    std::size_t limit_;
};

void Checker::check(const TableCheck& k)
{
    if (full() || !c_.tableExists(k.table)) return;
    std::vector<std::string> cols, required;
    for (const std::string& col : k.numeric) {
        if (!c_.columnExists(k.table, col)) continue;
        const bool needed = std::find(k.required.begin(), k.required.end(), col) != k.required.end();
        (needed ? required : cols).push_back(col);
    }
    cols.insert(cols.begin(), required.begin(), required.end());
    const bool withYear = !k.year.empty() && c_.columnExists(k.table, k.year);
    if (cols.empty() && !withYear) return;
    const std::string outOfRange = k.skipBy == SkipKey::None ? "0" : out_of_range_sql(k, cols, true);
    const bool withRanges = outOfRange != "0";
    // The first pass tests the ranges itself; only the sum of the texture is SQL there.
    const std::string textureSum = withRanges ? out_of_range_sql(k, cols, false) : "0";
    const bool withMacode = withRanges && c_.columnExists(k.table, "Macode");

    std::string select, values;
    for (const std::string& col : cols) {
        select += ", t." + db::quote_ident(col);
        values += ", t." + db::quote_ident(col);
    }
    const std::string year = withYear ? "t." + db::quote_ident(k.year) : "NULL";
    std::string test = "vt_input_flaw(" + std::to_string(k.firstYear) + ", " + year + ", " +
                       std::to_string(required.size()) + values + ")";
    if (withRanges) test += " OR " + outOfRange;
    const std::string table = " FROM " + db::quote_ident(k.table) + " AS t WHERE (";
    const std::string firstPass = k.firstPass.empty() ? k.where : k.firstPass;
    // One pass that tells whether any row has a flaw (a value out of its range included)
    // and, for the events, the range of their years and whether they lie in plot order; the
    // rows with a flaw are sought only when there are some.
    const bool events = k.table == "cultivation";
    const auto firstPassOver = [&](bool ordered) {
        const std::string order = ordered ? "t.rowid, t.FL_ID" : "NULL, NULL";
        FirstPass pass(ordered);
        if (withRanges) {
            for (std::size_t c = 0; c < cols.size(); ++c) {
                if (base::to_lower(cols[c]) == "macode") pass.macodeValue = c;
                for (const InputRange& r : k.ranges)
                    if (base::to_lower(r.column) == base::to_lower(cols[c]))
                        pass.ranges.push_back({c, r.lo, r.hi, r.missingMarker, r.macodes});
            }
        }
        db::ScopedFunctions functions(c_.handle(), &pass);
        functions.define("vt_input_pass", -1, &FirstPass::step);
        // CASE keeps the rows to those of the pass (a subquery in a plain AND may be tested last).
        const std::string call = "vt_input_pass(" + textureSum + ", " + order + ", " + std::to_string(k.firstYear) +
                                 ", " + year + ", " + std::to_string(required.size()) + values + ")";
        c_.execute("SELECT count(*)" + table + "1) AND " +
                   (firstPass == "1" ? call : "CASE WHEN (" + firstPass + ") THEN " + call + " END"));
        return pass;
    };
    FirstPass pass;
    if (events) {
        try {
            pass = firstPassOver(true);
        } catch (const db::DbError&) {
            // A table without row ids (or plots): in no order that a scan could follow.
            pass = firstPassOver(false);
        }
        firstYear = pass.firstYear();
        lastYear = pass.lastYear();
        if (pass.plotYears) pass.plotYears->finish();
        eventPlotYears = pass.plotYears;
    } else {
        pass = firstPassOver(false);
    }
    if (!pass.flaw) return;

    // Every row out of range is read (each skips its plots); the rows that end the run are
    // listed up to the limit.
    const std::string from = table + k.where + ") AND (" + test + ")";
    const std::string limit = withRanges ? "" : " LIMIT " + std::to_string(limit_ + 1);
    select += std::string(", ") + skip_key_sql(k.skipBy);
    select += withMacode ? ", t.Macode" : ", NULL";
    if (withYear) select += ", " + year;
    std::optional<db::Cursor> rows;
    try {
        rows.emplace(c_.query("SELECT t.rowid, " + k.who + select + from + limit));
    } catch (const db::DbError&) {
        // A table without row ids.
        rows.emplace(c_.query("SELECT NULL, " + k.who + select + from + limit));
    }
    const std::size_t keyField = 2 + cols.size();
    for (; !rows->eof() && (withRanges || !full()); rows->next()) {
        std::string where = k.table;
        const db::Value who = rows->field(1);
        if (!who.isNull()) where += ", " + who.toString();
        if (!rows->field(0).isNull()) where += ", row " + rows->field(0).toString();
        const db::Value key = rows->field(static_cast<int>(keyField));
        const db::Value macode = rows->field(static_cast<int>(keyField + 1));
        // A value out of range skips every plot of its key: the reason names the key.
        std::string keyWhere = k.table + ", " + skip_key_name(k.skipBy) + " " + key.toString();
        if (!rows->field(0).isNull()) keyWhere += ", row " + rows->field(0).toString();
        double textureSum = 0;
        bool fatal = false;
        std::optional<std::string> outside;
        for (std::size_t c = 0; c < cols.size(); ++c) {
            const std::string& col = cols[c];
            const db::Value v = rows->field(static_cast<int>(2 + c));
            if (auto p = number_problem(v, c < required.size())) {
                add(where, col, *p);
                fatal = true;
                continue;
            }
            if (!withRanges) continue;
            for (const InputRange& r : k.ranges)
                if (!outside && base::to_lower(r.column) == base::to_lower(col))
                    if (auto p = range_problem(r, v, macode)) outside = keyWhere + ", column " + col + ": " + *p;
            const std::string lower = base::to_lower(col);
            if (k.textureSum && (lower == "clay" || lower == "silt" || lower == "sand") && v.isNumber() && v.toDouble() >= 0)
                textureSum += v.toDouble();
        }
        if (withYear)
            if (auto p = year_problem(rows->field(static_cast<int>(keyField + 2)), k.firstYear)) {
                add(where, k.year, *p);
                fatal = true;
            }
        if (!outside && k.textureSum && textureSum > 100 + kTextureSumSlack)
            outside = keyWhere + ", columns clay, silt, sand: their sum " + base::format_number(textureSum) +
                      " % is above 100 %";
        if (!fatal && outside && !key.isNull()) skips.emplace(std::make_pair(k.skipBy, key.toString()), *outside);
    }
}

void Checker::checkSpans()
{
    if (full() || !c_.tableExists("cultivation")) return;
    // The plots are looked at one by one only when the years of all are wider apart than
    // those of a plot may be. (A year that is no number is listed already.)
    if (!firstYear.isNumber() || !lastYear.isNumber()) return;
    if (lastYear.toDouble() - firstYear.toDouble() + 1 <= static_cast<double>(kMaxPlotSpanYears)) return;
    for (auto plots = c_.query("SELECT FL_ID, min([year]), max([year]) FROM cultivation WHERE FL_ID IN " +
                               std::string(kSelected) +
                               " AND typeof([year]) IN ('integer','real') GROUP BY FL_ID HAVING max([year]) - "
                               "min([year]) + 1 > " + std::to_string(kMaxPlotSpanYears) + " LIMIT " +
                               std::to_string(limit_ + 1));
         !plots.eof() && !full(); plots.next())
        problems.push_back("cultivation, plot " + plots.field(0).toString() + ", column year: the events span " +
                           base::format_number(plots.field(1).toDouble()) + " to " +
                           base::format_number(plots.field(2).toDouble()) + ", more than " +
                           std::to_string(kMaxPlotSpanYears) + " years");
}

} // namespace

const std::vector<InputRange>& input_ranges(const std::string& table)
{
    // Why these bounds: the manual's table of plausible input gives the sources.
    static const std::vector<InputRange> cultivation = {
        {"Quantity", 0, 2000, "dt/ha", {0, 2, 9}, false, "yield of a crop"},
        {"Quantity", 0, 5000, "dt/ha", {3}, false, "fresh matter of an organic amendment"},
        {"Quantity", 0, 1000, "kg N/ha", {4}, false, "mineral nitrogen"},
        {"Quantity", 0, 3000, "mm", {7}, false, "irrigation"},
        {"part", 0, 100, "%", {}, false, "share of the plot"},
    };
    static const std::vector<InputRange> soils = {
        {"clay", 0, 100, "%", {}, true, "clay content"},
        {"silt", 0, 100, "%", {}, true, "silt content"},
        {"sand", 0, 100, "%", {}, true, "sand content"},
        {"FAT", 0, 100, "%", {}, true, "fine fraction"},
        {"skelett", 0, 90, "%", {}, false, "stone content; the stocks are divided by the fine soil"},
        {"BD", 0.05, 2.65, "g/cm3", {}, true, "bulk density"},
        {"PD", 1, 2.9, "g/cm3", {}, true, "particle density"},
        {"PV", 0, 100, "% by volume", {}, true, "pore volume"},
        {"FC", 0, 100, "% by volume", {}, true, "water content at field capacity"},
        {"PWP", 0, 100, "% by volume", {}, true, "water content at wilting point"},
    };
    static const std::vector<InputRange> climate = {
        {"temperature", -30, 40, "degC", {}, false, "mean air temperature of the year"},
        // Below 0 degC the BAT regression gives no biologically active time; the tables of
        // the BAT would end the whole run at such a year.
        {"temperature", 0, 40, "degC", {}, false,
         "mean air temperature of the year; the BAT regression starts at 0 degC"},
        {"precipitation", 0, 12000, "mm", {}, false, "precipitation of the year"},
    };
    static const std::vector<InputRange> none;
    if (table == "cultivation") return cultivation;
    if (table == "soilproperties") return soils;
    if (table == "climate_data") return climate;
    return none;
}

namespace {

// Selected plots without a climate station, or whose station has no rows in climate_data.
void plots_without_climate(db::Connection& c, std::map<long long, std::string>& reasons)
{
    if (!c.tableExists("field_description") || !c.columnExists("field_description", "climate_ID")) return;
    const bool anyClimate = c.tableExists("climate_data") && c.columnExists("climate_data", "climate_ID");
    const std::string noRows =
        anyClimate ? " OR t.climate_ID NOT IN (SELECT climate_ID FROM climate_data WHERE climate_ID IS NOT NULL)" : " OR 1";
    for (auto cur = c.query("SELECT t.FL_ID, t.climate_ID, t.rowid FROM field_description AS t WHERE t.FL_ID IN " +
                            std::string(kSelected) + " AND (t.climate_ID IS NULL" + noRows + ")");
         !cur.eof(); cur.next()) {
        if (!cur.field(0).isInteger()) continue;
        const db::Value station = cur.field(1);
        const std::string where = "field_description, plot " + cur.field(0).toString() + ", row " +
                                  cur.field(2).toString() + ", column climate_ID: ";
        reasons.emplace(cur.field(0).toInt(), where + (station.isNull() ? std::string("empty (no climate station)")
                                                                        : "climate station " + station.toString() +
                                                                              " has no rows in climate_data"));
    }
}

// The selected plots of the skipped keys, each with the first reason that reaches it.
void plots_of_skips(db::Connection& c, const std::map<std::pair<SkipKey, std::string>, std::string>& skips,
                    std::map<long long, std::string>& reasons)
{
    if (skips.empty() || !c.tableExists("field_description")) return;
    const bool soils = c.columnExists("field_description", "soil_ID");
    const bool stations = c.columnExists("field_description", "climate_ID");
    for (auto cur = c.query(std::string("SELECT FL_ID, ") + (soils ? "soil_ID" : "NULL") + ", " +
                            (stations ? "climate_ID" : "NULL") + " FROM field_description WHERE FL_ID IN " + kSelected);
         !cur.eof(); cur.next()) {
        if (!cur.field(0).isInteger()) continue;
        const long long plot = cur.field(0).toInt();
        for (const auto& [kind, field] : {std::pair{SkipKey::Plot, 0}, std::pair{SkipKey::Soil, 1},
                                          std::pair{SkipKey::Station, 2}}) {
            const db::Value key = cur.field(field);
            if (key.isNull()) continue;
            const auto it = skips.find({kind, key.toString()});
            if (it != skips.end()) {
                reasons.emplace(plot, it->second);
                break;
            }
        }
    }
}

} // namespace

std::vector<std::string> input_problems(db::Connection& c, bool withClimate, std::size_t limit, bool& more,
                                        std::shared_ptr<const EventPlotYears>* eventPlotYears,
                                        std::vector<SkippedPlot>* skipped)
{
    const std::string sel = kSelected;
    const std::string usedItems = "(SELECT Item_IX FROM cultivation WHERE FL_ID IN " + sel + ")";
    const std::string plot = "'plot ' || t.FL_ID";
    // The rows of the selected plots: a range test where the plots are a range.
    const std::string ofSelectedPlot = selected_plot_condition(c, "t.FL_ID");
    std::vector<TableCheck> checks = {
        {"field_description", {"climate_ID", "soil_ID", "repix"}, ofSelectedPlot, "", plot, "", 1, {}, {},
         SkipKey::None, false},
        {"cultivation",
         {"FL_ID_alt", "Macode", "Item_IX", "Quantity", "part"},
         ofSelectedPlot,
         "1",
         plot,
         "year",
         1,
         {},
         input_ranges("cultivation"),
         SkipKey::Plot,
         false},
        {"measurements",
         {"year_number", "meas_value"},
         ofSelectedPlot + " AND t.M_IX IN (0, 7)",
         "",
         plot,
         "year",
         1,
         {},
         {},
         SkipKey::None,
         false},
        {"soilproperties",
         {"clay", "silt", "sand", "FAT", "PWP", "FC", "PV", "PD", "BD", "skelett", "cif", "fchw", "fbio", "max_lts",
          "deg", "lmbd"},
         "t.soil_ID IN (SELECT soil_ID FROM field_description WHERE FL_ID IN " + sel + ")",
         "",
         "'plot ' || (SELECT min(FL_ID) FROM field_description WHERE FL_ID IN " + sel +
             " AND soil_ID = t.soil_ID) || ', soil ' || t.soil_ID",
         "",
         1,
         {},
         input_ranges("soilproperties"),
         SkipKey::Soil,
         true},
        {"gldpflan",
         {"HI", "N_Gehalt", "CEWR", "FEWR", "ewr_ix", "kop_ix", "grd_ix"},
         "t.ITEM_IX IN " + usedItems,
         "1",
         "'item ' || t.ITEM_IX",
         "",
         1,
         {},
         {},
         SkipKey::None,
         false},
        {"gldopspa",
         {"K", "ETA", "CNR", "CNR_alt", "TS_GEHALT", "C_GEH_TS", "mkd"},
         "t.item_ix IN " + usedItems + " OR t.item_ix IN (SELECT ewr_ix FROM gldpflan WHERE ITEM_IX IN " + usedItems +
             " UNION SELECT kop_ix FROM gldpflan WHERE ITEM_IX IN " + usedItems +
             " UNION SELECT grd_ix FROM gldpflan WHERE ITEM_IX IN " + usedItems + ")",
         "1",
         "'item ' || t.item_ix",
         "",
         1,
         {},
         {},
         SkipKey::None,
         false},
        {"gldaparm",
         {"K_STAB", "K_AOS", "K_AKT", "K_DEG", "CNR_OBS", "H_PWP", "H_FC"},
         "t.item_ix = 1",
         "",
         "NULL",
         "",
         1,
         {},
         {},
         SkipKey::None,
         false},
    };
    if (withClimate)
        checks.push_back({"climate_data",
                          {"temperature", "precipitation"},
                          "t.climate_ID IN (SELECT climate_ID FROM field_description WHERE FL_ID IN " + sel + ")",
                          "",
                          "'plot ' || (SELECT min(FL_ID) FROM field_description WHERE FL_ID IN " + sel +
                              " AND climate_ID = t.climate_ID) || ', climate station ' || t.climate_ID",
                          "year",
                          0,
                          {"temperature", "precipitation"},
                          input_ranges("climate_data"),
                          SkipKey::Station,
                          false});
    db::ScopedFunctions functions(c.handle(), nullptr);
    functions.define("vt_input_flaw", -1, &input_flaw);
    Checker checker(c, limit);
    for (const TableCheck& k : checks) checker.check(k);
    checker.checkSpans();
    more = checker.more;
    if (eventPlotYears) *eventPlotYears = checker.eventPlotYears;
    if (skipped && checker.problems.empty()) {
        std::map<long long, std::string> reasons;
        if (withClimate) plots_without_climate(c, reasons);
        plots_of_skips(c, checker.skips, reasons);
        for (auto& [fl, reason] : reasons) skipped->push_back({fl, std::move(reason)});
    }
    return checker.problems;
}

RunInputFacts validate_run_input(const PrepContext& p, bool withClimate)
{
    bool more = false;
    RunInputFacts facts;
    const std::vector<std::string> problems =
        input_problems(p.db, withClimate, kListedInputProblems, more, &facts.eventPlotYears, &facts.skipped);
    if (problems.empty()) return facts;
    std::string text = "the input of the selected plots cannot be used:";
    for (const std::string& line : problems) text += "\n  " + line;
    if (more) text += "\n  ... and more (the first " + std::to_string(problems.size()) + " are shown)";
    throw RunCancelled("input", text);
}

} // namespace vt::engine
