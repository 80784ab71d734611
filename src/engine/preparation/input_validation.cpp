#include "engine/preparation/input_validation.h"

#include "base/number_format.h"
#include "base/text.h"
#include "db/connection.h"
#include "db/sql_quote.h"
#include "engine/preparation/prep_context.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace vt::engine {

namespace {

constexpr const char* kSelected = "(SELECT FL_ID FROM site_state WHERE status=1)";

// The rows of one table that the model reads, and what their values must be.
struct TableCheck {
    std::string table;
    std::vector<std::string> numeric;  // columns holding finite numbers (or nothing)
    std::string where;                 // the rows read, over the table as t
    std::string who;                   // text naming the plot (and soil, item) of a row: SQL over t
    std::string year;                  // a column of years, or empty
    long long firstYear = 1;
    std::vector<std::string> required;  // numeric columns that must not be empty
    bool stoneFraction = false;         // skelett (percent) below 100
};

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

// The SQL test that lets a row through to the closer look above: a value stored as text or
// blob, or an infinity (SQLite stores NaN as NULL).
std::string suspicious(const std::string& col)
{
    return "(typeof(" + col + ") IN ('text','blob') OR (typeof(" + col + ") = 'real' AND abs(" + col +
           ") > 1.7976931348623157e308))";
}

class Checker {
public:
    Checker(db::Connection& c, std::size_t limit) : c_(c), limit_(limit) {}

    void check(const TableCheck& k);
    void checkSpans();

    std::vector<std::string> problems;
    bool more = false;

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
    std::vector<std::string> cols;
    for (const std::string& col : k.numeric)
        if (c_.columnExists(k.table, col)) cols.push_back(col);
    const bool withYear = !k.year.empty() && c_.columnExists(k.table, k.year);
    const bool withStones = k.stoneFraction && c_.columnExists(k.table, "skelett");
    if (cols.empty() && !withYear) return;

    std::string select, test;
    for (const std::string& col : cols) {
        const std::string q = "t." + db::quote_ident(col);
        select += ", " + q;
        test += (test.empty() ? "" : " OR ") + suspicious(q);
        if (std::find(k.required.begin(), k.required.end(), col) != k.required.end()) test += " OR " + q + " IS NULL";
    }
    if (withYear) {
        const std::string q = "t." + db::quote_ident(k.year);
        select += ", " + q;
        test += (test.empty() ? "" : " OR ") + suspicious(q) + " OR " + q + " < " + std::to_string(k.firstYear) +
                " OR " + q + " > 9999 OR " + q + " <> round(" + q + ")";
    }
    if (withStones) test += " OR t.skelett >= 100";
    const std::string from = " FROM " + db::quote_ident(k.table) + " AS t WHERE (" + k.where + ") AND (" + test + ")";
    const std::string limit = " LIMIT " + std::to_string(limit_ + 1);
    std::optional<db::Cursor> rows;
    try {
        rows.emplace(c_.query("SELECT t.rowid, " + k.who + select + from + limit));
    } catch (const db::DbError&) {
        // A table without row ids.
        rows.emplace(c_.query("SELECT NULL, " + k.who + select + from + limit));
    }
    for (; !rows->eof() && !full(); rows->next()) {
        std::string where = k.table;
        const db::Value who = rows->field(1);
        if (!who.isNull()) where += ", " + who.toString();
        if (!rows->field(0).isNull()) where += ", row " + rows->field(0).toString();
        int i = 2;
        for (const std::string& col : cols) {
            const db::Value v = rows->field(i++);
            const bool required = std::find(k.required.begin(), k.required.end(), col) != k.required.end();
            if (auto p = number_problem(v, required)) add(where, col, *p);
            else if (withStones && base::to_lower(col) == "skelett" && !v.isNull() && v.toDouble() >= 100)
                add(where, col, shown(v) + ": the stone content must lie below 100 % (stocks are divided by the fine soil)");
        }
        if (withYear)
            if (auto p = year_problem(rows->field(i), k.firstYear)) add(where, k.year, *p);
    }
}

void Checker::checkSpans()
{
    if (full() || !c_.tableExists("cultivation")) return;
    // One pass for the range of all years; the plots are looked at one by one only when it
    // is wider than a plot may be.
    const std::string years = " FROM cultivation WHERE FL_ID IN " + std::string(kSelected) +
                              " AND typeof([year]) IN ('integer','real')";
    auto range = c_.query("SELECT min([year]), max([year])" + years);
    if (range.eof() || range.field(0).isNull()) return;
    if (range.field(1).toDouble() - range.field(0).toDouble() + 1 <= static_cast<double>(kMaxPlotSpanYears)) return;
    for (auto plots = c_.query("SELECT FL_ID, min([year]), max([year])" + years + " GROUP BY FL_ID HAVING max([year]) - "
                               "min([year]) + 1 > " + std::to_string(kMaxPlotSpanYears) + " LIMIT " +
                               std::to_string(limit_ + 1));
         !plots.eof() && !full(); plots.next())
        problems.push_back("cultivation, plot " + plots.field(0).toString() + ", column year: the events span " +
                           base::format_number(plots.field(1).toDouble()) + " to " +
                           base::format_number(plots.field(2).toDouble()) + ", more than " +
                           std::to_string(kMaxPlotSpanYears) + " years");
}

} // namespace

std::vector<std::string> input_problems(db::Connection& c, bool withClimate, std::size_t limit, bool& more)
{
    const std::string sel = kSelected;
    const std::string usedItems = "(SELECT Item_IX FROM cultivation WHERE FL_ID IN " + sel + ")";
    const std::string plot = "'plot ' || t.FL_ID";
    std::vector<TableCheck> checks = {
        {"field_description", {"climate_ID", "soil_ID", "repix"}, "t.FL_ID IN " + sel, plot, "", 1, {}, false},
        {"cultivation",
         {"FL_ID_alt", "Macode", "Item_IX", "Quantity", "part"},
         "t.FL_ID IN " + sel,
         plot,
         "year",
         1,
         {},
         false},
        {"measurements",
         {"year_number", "meas_value"},
         "t.FL_ID IN " + sel + " AND t.M_IX IN (0, 7)",
         plot,
         "year",
         1,
         {},
         false},
        {"soilproperties",
         {"clay", "silt", "sand", "FAT", "PWP", "FC", "PV", "PD", "BD", "skelett", "cif", "fchw", "fbio", "max_lts",
          "deg", "lmbd"},
         "t.soil_ID IN (SELECT soil_ID FROM field_description WHERE FL_ID IN " + sel + ")",
         "'plot ' || (SELECT min(FL_ID) FROM field_description WHERE FL_ID IN " + sel +
             " AND soil_ID = t.soil_ID) || ', soil ' || t.soil_ID",
         "",
         1,
         {},
         true},
        {"gldpflan",
         {"HI", "N_Gehalt", "CEWR", "FEWR", "ewr_ix", "kop_ix", "grd_ix"},
         "t.ITEM_IX IN " + usedItems,
         "'item ' || t.ITEM_IX",
         "",
         1,
         {},
         false},
        {"gldopspa",
         {"K", "ETA", "CNR", "CNR_alt", "TS_GEHALT", "C_GEH_TS", "mkd"},
         "t.item_ix IN " + usedItems + " OR t.item_ix IN (SELECT ewr_ix FROM gldpflan WHERE ITEM_IX IN " + usedItems +
             " UNION SELECT kop_ix FROM gldpflan WHERE ITEM_IX IN " + usedItems +
             " UNION SELECT grd_ix FROM gldpflan WHERE ITEM_IX IN " + usedItems + ")",
         "'item ' || t.item_ix",
         "",
         1,
         {},
         false},
        {"gldaparm",
         {"K_STAB", "K_AOS", "K_AKT", "K_DEG", "CNR_OBS", "H_PWP", "H_FC"},
         "t.item_ix = 1",
         "NULL",
         "",
         1,
         {},
         false},
    };
    if (withClimate)
        checks.push_back({"climate_data",
                          {"temperature", "precipitation"},
                          "t.climate_ID IN (SELECT climate_ID FROM field_description WHERE FL_ID IN " + sel + ")",
                          "'plot ' || (SELECT min(FL_ID) FROM field_description WHERE FL_ID IN " + sel +
                              " AND climate_ID = t.climate_ID) || ', climate station ' || t.climate_ID",
                          "year",
                          0,
                          {"temperature", "precipitation"},
                          false});
    Checker checker(c, limit);
    for (const TableCheck& k : checks) checker.check(k);
    checker.checkSpans();
    more = checker.more;
    return checker.problems;
}

void validate_run_input(const PrepContext& p, bool withClimate)
{
    bool more = false;
    const std::vector<std::string> problems = input_problems(p.db, withClimate, kListedInputProblems, more);
    if (problems.empty()) return;
    std::string text = "the input of the selected plots cannot be used:";
    for (const std::string& line : problems) text += "\n  " + line;
    if (more) text += "\n  ... and more (the first " + std::to_string(problems.size()) + " are shown)";
    throw RunCancelled("input", text);
}

} // namespace vt::engine
