#include "engine/balance/balance_input.h"

#include "db/connection.h"
#include "db/sql_quote.h"
#include "engine/balance/state_store.h"
#include "engine/balance/stored_order.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

namespace vt::engine {

MethodKind method_kind(const std::string& methode)
{
    if (methode == "RUX") return MethodKind::Rux;
    if (methode.rfind("HUBA", 0) == 0 || methode == "NULL") return MethodKind::HumusBalance;
    return MethodKind::Other;
}

BalanceOptions BalanceOptions::from(const RunConfig& cfg)
{
    BalanceOptions o;
    o.methode = cfg.methode.empty() ? "RUX" : cfg.methode;
    o.method = method_kind(o.methode);
    o.modus = cfg.modus;
    o.accumulationOnly = cfg.rux_icon == "null";
    // Outside the normal mode the dynamic options are off for the whole run.
    o.dyn_bd = cfg.dyn_bd && cfg.modus == "RUX";
    o.dyn_lts = cfg.dyn_lts && cfg.modus == "RUX";
    o.hassink = cfg.hassink == 1;
    o.scenario_ctrl = cfg.scenario_ctrl;
    o.z_cnt = cfg.z_cnt;
    o.z_anf = cfg.z_anf;
    o.stepwise = cfg.stepwise;
    o.k = cfg.k;
    return o;
}

std::string humus_balance_select(bool into)
{
    return std::string(" SELECT site_state.FL_ID, hubi_c_bilanz.year_ AS year_0, hubi_c_bilanz.Corg, "
                       "hubi_c_bilanz.hb_crop, hubi_c_bilanz.hb_ORAM, "
                       " tmp_soil_prop.BD,tmp_soil_prop.skelett, 999 AS cif ") +
           (into ? " into huba_fin_res " : "") +
           " FROM (tmp_soil_prop INNER JOIN site_state ON tmp_soil_prop.FL_ID = site_state.FL_ID) "
           "INNER JOIN hubi_c_bilanz ON site_state.FL_ID = hubi_c_bilanz.FL_ID "
           " WHERE (((site_state.status)=1)) ORDER BY site_state.FL_ID, hubi_c_bilanz.year_ ";
}

std::string carbon_input_query(bool sensitivity)
{
    std::string sql =
        "SELECT field_description.FL_ID, field_description.i_con, field_description.comment, "
        "field_description.notill, tmp_soil_prop.fchw, tmp_soil_prop.fbio, ";
    // The balance reads fbio and max_lts in both variants.
    if (!sensitivity) sql += "tmp_soil_prop.deg, tmp_soil_prop.lmbd, ";
    sql += "tmp_soil_prop.max_lts, tmp_soil_prop.cif, tmp_soil_prop.corg, tmp_soil_prop.norg, "
           "tmp_soil_prop.PWP, ";
    sql += sensitivity ? "tmp_soil_prop.BD*rux_var_fac.F_BD AS BD, " : "tmp_soil_prop.BD, ";
    sql += "tmp_soil_prop.skelett, tmp_soil_prop.PD, tmp_soil_prop.FC, tmp_soil_prop.fat, tmp_soil_prop.clay, "
           "tmp_soil_prop.silt, ";
    if (sensitivity)
        sql += "tmp_bat.BAT*rux_var_fac.F_BAT AS BAT, Crep_year.year_0, Crep_year.Crep*rux_var_fac.F_CREP AS Crep, ";
    else
        sql += "tmp_bat.BAT AS TillBAT, (tmp_bat.BAT*(100-tmp_bat.t_level)+tmp_BAT.BATnotill*tmp_bat.t_level)/100 AS BAT, "
               "tmp_bat.ltem, Crep_year.year_0, Crep_year.Crep, ";
    sql += "3250 AS cl "
           "FROM (((Crep_year INNER JOIN field_description ON Crep_year.FL_ID = field_description.FL_ID) "
           "INNER JOIN site_state ON site_state.FL_ID = field_description.FL_ID) "
           "INNER JOIN tmp_soil_prop ON (tmp_soil_prop.FL_ID = field_description.FL_ID) "
           "AND (tmp_soil_prop.soil_ID = field_description.soil_ID)) "
           "INNER JOIN tmp_bat ON (tmp_bat.FL_ID = Crep_year.FL_ID) AND (tmp_bat.year_0 = Crep_year.year_0) ";
    if (sensitivity) sql += "CROSS JOIN rux_var_fac ";
    sql += "WHERE site_state.status=1 ";
    if (sensitivity) sql += "AND rux_var_fac.ID=1 ";
    sql += "ORDER BY field_description.FL_ID, Crep_year.year_0";
    return sql;
}

std::string initial_observation_check_query()
{
    return "  SELECT Min(cultivation.year) AS Minvonyear, measurements.year, cultivation.FL_ID, "
           "field_description.Herkunft, field_description.Location, field_description.site_description "
           " FROM ((cultivation INNER JOIN measurements ON cultivation.FL_ID = measurements.FL_ID) "
           "INNER JOIN field_description ON cultivation.FL_ID = field_description.FL_ID) "
           "INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID  "
           " WHERE (((measurements.year_number)=0) AND ((cultivation.Macode) In (2,3,9)) AND ((site_state.status)=1)) "
           " GROUP BY measurements.year, cultivation.FL_ID, field_description.Herkunft, field_description.Location, "
           "field_description.site_description "
           " HAVING (((Min(cultivation.year))>[measurements].[year])) ";
}

std::string initial_observation_conflict_query()
{
    // Driven by the selected plots: the first event year of a plot is the first entry of the
    // index on (FL_ID, year) whose event counts, instead of a walk over every event.
    return "SELECT site_state.FL_ID FROM (site_state INNER JOIN field_description"
           " ON field_description.FL_ID = site_state.FL_ID)"
           " INNER JOIN measurements ON measurements.FL_ID = site_state.FL_ID"
           " WHERE site_state.status=1 AND measurements.year_number=0 AND measurements.[year] <"
           " (SELECT cultivation.[year] FROM cultivation WHERE cultivation.FL_ID = site_state.FL_ID"
           " AND cultivation.[year] IS NOT NULL AND cultivation.Macode IN (2,3,9)"
           " ORDER BY cultivation.[year] LIMIT 1) LIMIT 1";
}

std::string plot_list_query()
{
    return "SELECT field_description.FL_ID,field_description.i_con, field_description.site_description, "
           "field_description.Location, climate_station.station, soilproperties.profile "
           "FROM ((field_description INNER JOIN climate_station ON field_description.climate_ID = "
           "climate_station.climate_ID) INNER JOIN soilproperties ON field_description.soil_ID = "
           "soilproperties.soil_ID) INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID "
           "WHERE (((site_state.status)=1))";
}

int statement_column(const db::Statement& s, const std::string& name)
{
    for (int i = 0; i < s.columnCount(); ++i) {
        const std::string n = s.columnName(i);
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

namespace {

std::string trimmed(std::string s)
{
    const auto notSpace = [](unsigned char ch) { return !std::isspace(ch); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

// The stored state an initial condition names: a plot number names that plot's state, any
// other text the plot's own.
long long state_plot(const std::string& icon, long long fl_id)
{
    char* end = nullptr;
    const long long n = std::strtoll(icon.c_str(), &end, 10);
    return (end != icon.c_str() && *end == '\0') ? n : fl_id;
}

} // namespace

std::string initial_condition(const BalanceOptions& o, const BalanceRow& row)
{
    return o.method == MethodKind::Rux ? trimmed(row.i_con) : "obsval";
}

bool starts_from_stored_state(const std::string& preCond)
{
    return preCond != "obsval" && preCond != "null" && preCond != "RepIX";
}

namespace {

// Column `col` of the current row, with one call into the library (each sqlite3_column_*
// call takes the connection's lock). The value is unprotected, but it lives in the
// statement's own row, which only the thread that steps the statement changes; it is read
// here as a number without conversion, and text goes through the locked Statement calls.
sqlite3_value* column_value(const db::Statement& s, int col) { return sqlite3_column_value(s.handle(), col); }

// Statement::columnDouble and columnInt with one call into the library for a number.
double column_number(const db::Statement& s, int col)
{
    sqlite3_value* v = column_value(s, col);
    return sqlite3_value_type(v) == SQLITE_TEXT ? s.columnDouble(col) : sqlite3_value_double(v);
}
long long column_integer(const db::Statement& s, int col)
{
    sqlite3_value* v = column_value(s, col);
    return sqlite3_value_type(v) == SQLITE_INTEGER ? sqlite3_value_int64(v) : s.columnInt(col);
}

// Where the plot number (or year) in column `col` of the current row stands against `id` in
// the order of an index or an ORDER BY: NULL first, numbers by value, text and blobs last.
// 0 exactly when "column = id" holds for a column of integer affinity.
int compare_key(const db::Statement& s, int col, long long id)
{
    sqlite3_value* v = column_value(s, col);
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return -1;
    case SQLITE_INTEGER: {
        const sqlite3_int64 n = sqlite3_value_int64(v);
        return n < id ? -1 : (n > id ? 1 : 0);
    }
    case SQLITE_FLOAT: {
        const double x = sqlite3_value_double(v), d = static_cast<double>(id);
        return x < d ? -1 : (x > d ? 1 : 0);
    }
    default: return 1;
    }
}

bool is_integer(const db::Statement& s, int col) { return sqlite3_value_type(column_value(s, col)) == SQLITE_INTEGER; }

// A value of a row as a function of the connection received it: the number the library
// makes of it, and the text of a text or blob.
struct CapturedValue {
    int type = SQLITE_NULL;
    sqlite3_int64 integer = 0;
    double number = 0;
    std::string text;
};

// The rows of a scan in groups of rows with the same plot number, collected inside the library
// by veltrano_group_rows(capture, v0, v1, ...): it keeps every row's values and lets through
// the first row of each group, so that a step of the statement returns once per plot instead
// of once per row, and no value is read through a locked call.
struct RowCapture {
    int columns = 0;
    int keyColumn = 0;
    std::vector<CapturedValue> values;  // the rows, `columns` values each
    bool any = false;
    bool lastInteger = false;
    sqlite3_int64 lastKey = 0;

    std::size_t rows() const { return columns ? values.size() / static_cast<std::size_t>(columns) : 0; }
};

constexpr const char* kGroupRows = "veltrano_group_rows";
constexpr const char* kCapturePointer = "veltrano_row_capture";

void group_rows_function(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    auto* cap = static_cast<RowCapture*>(argc > 0 ? sqlite3_value_pointer(argv[0], kCapturePointer) : nullptr);
    if (!cap || argc - 1 != cap->columns) {
        sqlite3_result_error(ctx, "veltrano_group_rows: no capture", -1);
        return;
    }
    for (int i = 1; i < argc; ++i) {
        CapturedValue v;
        v.type = sqlite3_value_type(argv[i]);
        if (v.type != SQLITE_NULL) v.number = sqlite3_value_double(argv[i]);
        if (v.type == SQLITE_INTEGER) v.integer = sqlite3_value_int64(argv[i]);
        if (v.type == SQLITE_TEXT)
            v.text.assign(reinterpret_cast<const char*>(sqlite3_value_text(argv[i])),
                          static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
        if (v.type == SQLITE_BLOB && sqlite3_value_bytes(argv[i]) > 0)
            v.text.assign(static_cast<const char*>(sqlite3_value_blob(argv[i])),
                          static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
        cap->values.push_back(std::move(v));
    }
    // A key that is no integer makes a group of its own.
    sqlite3_value* key = argv[1 + cap->keyColumn];
    const bool integer = sqlite3_value_type(key) == SQLITE_INTEGER;
    const bool same = cap->any && integer && cap->lastInteger && sqlite3_value_int64(key) == cap->lastKey;
    cap->any = true;
    cap->lastInteger = integer;
    cap->lastKey = integer ? sqlite3_value_int64(key) : 0;
    sqlite3_result_int(ctx, same ? 0 : 1);
}

// A row of a RowCapture.
struct RowView {
    const RowCapture* capture;
    std::size_t row;
    const CapturedValue& at(int col) const
    {
        return capture->values[row * static_cast<std::size_t>(capture->columns) + static_cast<std::size_t>(col)];
    }
};

// The RowView forms of the reads above, with the conversions those make.
double column_number(const RowView& r, int col)
{
    const CapturedValue& v = r.at(col);
    return v.type == SQLITE_TEXT ? db::Value(v.text).toDouble() : v.number;
}
long long column_integer(const RowView& r, int col)
{
    const CapturedValue& v = r.at(col);
    switch (v.type) {
    case SQLITE_INTEGER: return v.integer;
    case SQLITE_FLOAT: return db::Value(v.number).toInt();
    case SQLITE_NULL: return db::Value().toInt();
    default: return db::Value(v.text).toInt();
    }
}
int compare_key(const RowView& r, int col, long long id)
{
    const CapturedValue& v = r.at(col);
    switch (v.type) {
    case SQLITE_NULL: return -1;
    case SQLITE_INTEGER: return v.integer < id ? -1 : (v.integer > id ? 1 : 0);
    case SQLITE_FLOAT: {
        const double d = static_cast<double>(id);
        return v.number < d ? -1 : (v.number > d ? 1 : 0);
    }
    default: return 1;
    }
}

// A run read in groups of one plot number: the group is the first `size` captured rows.
struct CaptureGroup {
    CaptureGroup(db::Statement s, int columns, int keyColumn) : rows(std::move(s))
    {
        capture.columns = columns;
        capture.keyColumn = keyColumn;
        if (sqlite3_bind_pointer(rows.handle(), 3, &capture, kCapturePointer, nullptr) != SQLITE_OK)
            throw db::DbError("cannot bind a row capture");
    }
    CaptureGroup(const CaptureGroup&) = delete;
    CaptureGroup& operator=(const CaptureGroup&) = delete;
    db::Statement rows;
    RowCapture capture;
    std::size_t size = 0;
    bool more = false, done = false;

    // Moves on to the next group; false at the end of the run.
    bool next()
    {
        const auto width = static_cast<std::ptrdiff_t>(capture.columns);
        capture.values.erase(capture.values.begin(), capture.values.begin() + static_cast<std::ptrdiff_t>(size) * width);
        while (!done) {
            if (!rows.step()) {
                done = true;
                break;
            }
            // The row let through starts a group: the rows before it complete one.
            if (capture.rows() > 1) {
                size = capture.rows() - 1;
                return true;
            }
        }
        size = capture.rows();
        return size > 0;
    }
};

// Statements over the runs of `table` that `starts` gives (rowid ranges bound as ?1 and ?2),
// each calling veltrano_group_rows(?3, `columns`...) on its rows in rowid order.
std::vector<db::Statement> grouped_runs(db::Connection& c, const std::string& table,
                                        const std::vector<std::string>& columns, const std::vector<long long>& starts)
{
    if (!prepares(c.handle(), std::string("SELECT ") + kGroupRows + "(NULL)") &&
        sqlite3_create_function_v2(c.handle(), kGroupRows, -1, SQLITE_UTF8, nullptr, group_rows_function, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw db::DbError("cannot register " + std::string(kGroupRows));
    std::string args;
    for (const std::string& col : columns) args += ", " + col;
    const std::string sql = "SELECT 1 FROM " + table + " WHERE rowid >= ?1 AND rowid <= ?2 AND " + kGroupRows + "(?3" +
                            args + ") ORDER BY rowid";
    std::vector<db::Statement> runs;
    long long from = std::numeric_limits<long long>::min();
    for (std::size_t i = 0; i <= starts.size(); ++i) {
        const long long to = i < starts.size() ? starts[i] - 1 : std::numeric_limits<long long>::max();
        db::Statement s = c.prepare(sql);
        s.bind(1, from).bind(2, to);
        runs.push_back(std::move(s));
        if (i < starts.size()) from = starts[i];
    }
    return runs;
}

// The keys (FL_ID, year_0) of all rows of `table`, as one grouped run.
db::Statement whole_table_grouped(db::Connection& c, const std::string& table)
{
    return std::move(grouped_runs(c, table, {"FL_ID", "year_0"}, {}).front());
}

// Keys (column 0 and 1) of rows read one after another: from a statement, or from one run of a
// table collected a plot at a time inside the library (a CaptureGroup).
class KeyRows {
public:
    explicit KeyRows(db::Statement s) : stmt_(std::move(s)) {}
    explicit KeyRows(db::Statement grouped, int columns)
        : group_(std::make_unique<CaptureGroup>(std::move(grouped), columns, 0))
    {
    }
    // Moves on to the next row (the first one when called first); false at the end.
    bool step()
    {
        if (!group_) return stmt_->step();
        if (started_ && ++row_ < group_->size) return true;
        started_ = true;
        row_ = 0;
        return group_->next();
    }
    long long integer(int col) const
    {
        return group_ ? column_integer(RowView{&group_->capture, row_}, col) : column_integer(*stmt_, col);
    }
    int compareKey(int col, long long id) const
    {
        return group_ ? compare_key(RowView{&group_->capture, row_}, col, id) : compare_key(*stmt_, col, id);
    }

private:
    std::optional<db::Statement> stmt_;
    std::unique_ptr<CaptureGroup> group_;
    std::size_t row_ = 0;
    bool started_ = false;
};

// A number of the input, or `fallback` when it is NULL or the query lacks the column.
double number_or(const db::Value& v, double fallback) { return v.isNull() ? fallback : v.toDouble(); }

// Positions of the input query's columns; -1 for a column the query lacks.
struct InputColumns {
    int fl_id = -1, i_con = -1, year_0 = -1, corg = -1, norg = -1, bd = -1, skelett = -1, max_lts = -1, cif = -1;
    int pd = -1, fc = -1, fchw = -1, fbio = -1, clay = -1, silt = -1, deg = -1, hb_crop = -1, hb_oram = -1;

    template <class Find> static InputColumns of(Find find)
    {
        InputColumns k;
        k.fl_id = find("FL_ID");
        k.i_con = find("i_con");
        k.year_0 = find("year_0");
        k.corg = find("corg");
        k.norg = find("norg");
        k.bd = find("BD");
        k.skelett = find("skelett");
        k.max_lts = find("max_lts");
        k.cif = find("cif");
        k.pd = find("PD");
        k.fc = find("FC");
        k.fchw = find("fchw");
        k.fbio = find("fbio");
        k.clay = find("clay");
        k.silt = find("silt");
        k.deg = find("deg");
        k.hb_crop = find("hb_crop");
        k.hb_oram = find("hb_oram");
        return k;
    }

    // The row's values; `field(i)` gives column i of the current row.
    template <class Field> BalanceRow read(Field field) const
    {
        const auto number = [&field](int i, double fallback) { return i < 0 ? fallback : number_or(field(i), fallback); };
        BalanceRow r;
        r.fl_id = field(fl_id).toInt();
        if (i_con >= 0) r.i_con = field(i_con).toString();
        if (year_0 >= 0) r.year_0 = static_cast<int>(field(year_0).toInt());
        r.corg = number(corg, -99);
        r.norg = number(norg, -99);
        r.bd = number(bd, -99);
        r.skelett = number(skelett, 0);
        r.max_lts = number(max_lts, -99);
        r.cif = number(cif, -99);
        r.pd = number(pd, -99);
        r.fc = number(fc, -99);
        r.fchw = number(fchw, 0);
        r.fbio = number(fbio, 0);
        r.clay = number(clay, -99);
        r.silt = number(silt, -99);
        r.deg = number(deg, -99);
        r.hb_crop = number(hb_crop, 0);
        r.hb_oram = number(hb_oram, 0);
        return r;
    }
};

// The selected plots with the soil columns the balance reads, one row per plot when the
// working tables are sound, in plot order.
const char* const kSelectedPlotsFrom =
    " FROM ((field_description INNER JOIN site_state ON site_state.FL_ID = field_description.FL_ID)"
    " INNER JOIN tmp_soil_prop ON (tmp_soil_prop.FL_ID = field_description.FL_ID)"
    " AND (tmp_soil_prop.soil_ID = field_description.soil_ID))"
    " WHERE site_state.status=1 ORDER BY field_description.FL_ID";

} // namespace

class BalanceInputReader::Rows {
public:
    virtual ~Rows() = default;
    virtual bool eof() const = 0;
    virtual long long plot() const = 0;
    virtual BalanceRow row() const = 0;
    virtual void next() = 0;
};

namespace {

// The input query itself, row by row.
class QueryRows final : public BalanceInputReader::Rows {
public:
    QueryRows(db::Connection& c, const std::string& sql) : cursor_(c.query(sql))
    {
        columns_ = InputColumns::of([this](const char* name) { return cursor_.fieldIndex(name); });
        if (columns_.fl_id < 0 || columns_.year_0 < 0) throw db::DbError("the balance's input has no FL_ID or year_0");
    }
    bool eof() const override { return cursor_.eof(); }
    long long plot() const override { return cursor_.field(columns_.fl_id).toInt(); }
    BalanceRow row() const override
    {
        return columns_.read([this](int i) { return cursor_.field(i); });
    }
    void next() override { cursor_.next(); }

private:
    db::Cursor cursor_;
    InputColumns columns_;
};

// The carbon model's input query (carbon_input_query(false)) read as three streams merged in
// plot and year order: the selected plots with their soil, crep_year in stored order and the
// keys of tmp_bat in the order of their index. The query itself builds an automatic index
// over crep_year, sorts every plot's years and looks up four tables per row; the streams are
// read once each. They give the query's rows in the query's order when crep_year is stored
// in strictly ascending integer (FL_ID, year_0) order, as the preparation builds it, and
// every selected plot has one row of field_description and tmp_soil_prop: `usable` tells.
// The balance reads nothing of tmp_bat from the input rows, so tmp_bat only decides which
// years exist (one row per matching tmp_bat row, as the join gives).
class MergedRows final : public BalanceInputReader::Rows {
public:
    static bool usable(db::Connection& c)
    {
        // One pass inside the library over crep_year's keys.
        if (!run_starts(c, "crep_year", "FL_ID", "year_0", true, 1)) return false;
        db::Statement plots = c.prepare(std::string("SELECT field_description.FL_ID") + kSelectedPlotsFrom);
        bool any = false;
        long long plot = 0;
        while (plots.step()) {
            if (!is_integer(plots, 0)) continue;  // joins no crep_year row
            const long long p = column_integer(plots, 0);
            if (any && p == plot) return false;
            plot = p;
            any = true;
        }
        return true;
    }

    // `batInOrder`: tmp_bat is stored in (FL_ID, year_0) order (run_starts), so that its keys
    // are read in rowid order.
    MergedRows(db::Connection& c, bool batInOrder)
        : plots_(c.prepare("SELECT field_description.FL_ID, field_description.i_con, tmp_soil_prop.corg,"
                           " tmp_soil_prop.norg, tmp_soil_prop.BD, tmp_soil_prop.skelett, tmp_soil_prop.max_lts,"
                           " tmp_soil_prop.cif, tmp_soil_prop.PD, tmp_soil_prop.FC, tmp_soil_prop.fchw,"
                           " tmp_soil_prop.fbio, tmp_soil_prop.clay, tmp_soil_prop.silt, tmp_soil_prop.deg" +
                           std::string(kSelectedPlotsFrom))),
          crep_(whole_table_grouped(c, "crep_year"), 2),
          batKeys_(batInOrder ? KeyRows(whole_table_grouped(c, "tmp_bat"), 2)
                              : KeyRows(c.prepare("SELECT FL_ID, year_0 FROM tmp_bat ORDER BY FL_ID, year_0"))),
          batInOrder_(batInOrder)
    {
        columns_ = InputColumns::of([this](const char* name) { return statement_column(plots_, name); });
        stepPlot();
        crepMore_ = crep_.step();
        batMore_ = batKeys_.step();
        settle();
    }
    bool batInOrder() const { return batInOrder_; }
    bool eof() const override { return eof_; }
    long long plot() const override { return plot_.fl_id; }
    BalanceRow row() const override
    {
        BalanceRow r = plot_;
        r.year_0 = static_cast<int>(crep_.integer(1));
        return r;
    }
    void next() override
    {
        if (eof_) return;
        // A second tmp_bat row of the same year repeats the year, as the join does.
        batMore_ = batKeys_.step();
        settle();
    }

private:
    void stepPlot()
    {
        while ((plotMore_ = plots_.step()) && !is_integer(plots_, 0)) {
        }
        if (plotMore_) plot_ = columns_.read([this](int i) { return plots_.column(i); });
    }
    // Moves the streams on to the next row of the query, or to its end.
    void settle()
    {
        for (;;) {
            if (!plotMore_ || !crepMore_ || !batMore_) {
                eof_ = true;
                return;
            }
            const long long plot = crep_.integer(0), year = crep_.integer(1);
            if (plot_.fl_id < plot) {
                stepPlot();
                continue;
            }
            if (plot_.fl_id > plot) {
                crepMore_ = crep_.step();
                continue;
            }
            int bat = batKeys_.compareKey(0, plot);
            if (bat == 0) bat = batKeys_.compareKey(1, year);
            if (bat < 0) {
                batMore_ = batKeys_.step();
                continue;
            }
            if (bat > 0) {
                crepMore_ = crep_.step();
                continue;
            }
            eof_ = false;
            return;
        }
    }

    db::Statement plots_;
    // crep_year is stored in strictly ascending order (usable): read in rowid order.
    KeyRows crep_, batKeys_;
    bool batInOrder_;
    InputColumns columns_;
    BalanceRow plot_;
    bool plotMore_ = false, crepMore_ = false, batMore_ = false, eof_ = true;
};

} // namespace

// The rows of one plot after another from statements ordered by plot number (key column
// `keyColumn`), for plots asked for in ascending order: one walk instead of one statement per
// plot. With several statements (segments of a table, each in plot order) a plot's rows come
// segment after segment. A plot asked for out of order is read by its own statement, which
// has the same columns.
class BalanceInputReader::PlotStream {
public:
    PlotStream(db::Connection& c, const std::string& ordered, const std::string& perPlot, int keyColumn)
        : one_(c.prepare(perPlot)), key_(keyColumn)
    {
        all_.emplace(c.prepare(ordered));
    }
    // Grouped runs: statements that call veltrano_group_rows(?3, `columns`...) on the rows of
    // a run, with the run's rowid range bound as ?1 and ?2.
    PlotStream(std::vector<db::Statement> runs, int columns, db::Statement perPlot, int keyColumn)
        : one_(std::move(perPlot)), key_(keyColumn)
    {
        for (db::Statement& s : runs) {
            groups_.push_back(std::make_unique<CaptureGroup>(std::move(s), columns, keyColumn));
        }
    }
    // The statement for a plot asked for out of order; its columns are those of the stream.
    const db::Statement& statement() const { return one_; }

    template <class Row> void forEach(long long id, Row&& row)
    {
        if (asked_ && id <= last_) {
            one_.bind(1, id);
            while (one_.step()) row(one_);
            one_.reset();
            return;
        }
        if (all_) {
            if (!asked_) more_ = all_->step();
            for (; more_; more_ = all_->step()) {
                const int key = compare_key(*all_, key_, id);
                if (key > 0) break;
                if (key == 0) row(*all_);
            }
        }
        for (auto& g : groups_) {
            if (!asked_) g->more = g->next();
            for (; g->more; g->more = g->next()) {
                const int key = compare_key(RowView{&g->capture, 0}, key_, id);
                if (key > 0) break;
                if (key == 0)
                    for (std::size_t r = 0; r < g->size; ++r) row(RowView{&g->capture, r});
            }
        }
        asked_ = true;
        last_ = id;
    }

private:
    std::optional<db::Statement> all_;
    std::vector<std::unique_ptr<CaptureGroup>> groups_;
    db::Statement one_;
    int key_;
    bool asked_ = false, more_ = false;
    long long last_ = 0;
};

namespace {

// Runs of a table in plot order that the additions are read from, one statement each; a few
// as the preparation appends the table from several sources.
constexpr int kMaxAdditionRuns = 8;

} // namespace

BalanceInputReader::BalanceInputReader(db::Connection& c, const std::string& inputQuery, const BalanceOptions& options,
                                       StateStore* store)
    : c_(c), inputQuery_(inputQuery), options_(options), store_(store)
{
    // Stored in (FL_ID, year_0) order, as the preparation builds it, tmp_bat is read in
    // rowid order, a plot at a time, instead of through its index with a seek per row.
    std::optional<std::vector<long long>> batRuns;
    if (options_.method == MethodKind::Rux) batRuns = run_starts(c, "tmp_bat", "FL_ID", "year_0", false, 1);
    if (options_.method == MethodKind::Rux && inputQuery == carbon_input_query(false)) {
        // Prepared only, so that a query that cannot run fails here as it would when read.
        c.prepare(inputQuery);
        if (MergedRows::usable(c)) rows_ = std::make_unique<MergedRows>(c, batRuns.has_value());
    }
    if (!rows_) rows_ = std::make_unique<QueryRows>(c, inputQuery);
    if (options_.method == MethodKind::Rux) {
        plotList_ = std::make_unique<PlotStream>(c, plot_list_query() + " ORDER BY field_description.FL_ID",
                                                 plot_list_query() + " AND field_description.FL_ID = ?", 0);
        const std::string bat = " SELECT (BAT*(100-t_level)+BATnotill*t_level)/100 as bat_, FL_ID, year_0 as yr"
                                "  FROM tmp_bat ";
        const std::string batPerPlot = bat + "where fl_id= ? order by year_0 ";
        bat_ = batRuns ? std::make_unique<PlotStream>(
                             grouped_runs(c, "tmp_bat", {"(BAT*(100-t_level)+BATnotill*t_level)/100", "FL_ID", "year_0"},
                                          *batRuns),
                             3, c.prepare(batPerPlot), 1)
                       : std::make_unique<PlotStream>(c, bat + "ORDER BY FL_ID, year_0, rowid", batPerPlot, 1);
        // Within a plot year the rows come in rowid order, as the per-plot statement reads them
        // through the index on (FL_ID, year_): from the index, or from the runs of the table in
        // plot order one after another (the rows of a run precede those of the next).
        const std::string opsPerPlot = " select * from opstab where fl_id= ?";
        db::Statement perPlot = c.prepare(opsPerPlot);
        ops_.year = statement_column(perPlot, "year_");
        ops_.cops = statement_column(perPlot, "cops");
        ops_.part = statement_column(perPlot, "part");
        ops_.k = statement_column(perPlot, "k");
        ops_.eta = statement_column(perPlot, "eta");
        ops_.cnr = statement_column(perPlot, "cnr");
        ops_.cnrAlt = statement_column(perPlot, "cnr_alt");
        ops_.item = statement_column(perPlot, "item_ix");
        ops_.mkd = statement_column(perPlot, "mkd");
        ops_.pop = statement_column(perPlot, "pop");
        const auto opsRuns = run_starts(c, "opstab", "FL_ID", "", false, kMaxAdditionRuns);
        if (opsRuns) {
            // The columns the additions read, in the places of `select *`; NULL for the rest.
            const int used[] = {0, ops_.year, ops_.cops, ops_.part, ops_.k, ops_.eta, ops_.cnr, ops_.cnrAlt,
                                ops_.item, ops_.mkd, ops_.pop};
            std::vector<std::string> columns;
            for (int i = 0; i < perPlot.columnCount(); ++i)
                columns.push_back(std::find(std::begin(used), std::end(used), i) != std::end(used)
                                      ? db::quote_ident(perPlot.columnName(i))
                                      : "NULL");
            const int width = perPlot.columnCount();
            opstab_ = std::make_unique<PlotStream>(grouped_runs(c, "opstab", columns, *opsRuns), width,
                                                   std::move(perPlot), 0);
        } else {
            opstab_ = std::make_unique<PlotStream>(c, "select * from opstab ORDER BY FL_ID, year_, rowid", opsPerPlot, 0);
        }
    }
    // The first relative deviation from steady state of every plot, read once: the
    // observations have no index on the plot.
    for (auto cur = c.query("select fl_id, meas_value from measurements where m_ix=-1"); !cur.eof(); cur.next())
        nonBal_.emplace(cur.getInt("fl_id"), cur.getDouble("meas_value"));
}

BalanceInputReader::~BalanceInputReader() = default;

long long BalanceInputReader::totalRows()
{
    if (!totalRows_) {
        if (const auto* merged = dynamic_cast<MergedRows*>(rows_.get())) {
            // Counted by a second walk of the streams: the query itself would be run once more.
            long long n = 0;
            for (MergedRows all(c_, merged->batInOrder()); !all.eof(); all.next()) ++n;
            totalRows_ = n;
        } else {
            totalRows_ = c_.scalar("SELECT COUNT(*) FROM (" + inputQuery_ + ")").toInt();
        }
    }
    return *totalRows_;
}

std::optional<PlotInput> BalanceInputReader::next()
{
    if (rows_->eof()) return std::nullopt;
    PlotInput in;
    in.fl_id = rows_->plot();
    while (!rows_->eof() && rows_->plot() == in.fl_id) {
        in.rows.push_back(rows_->row());
        ++rowsRead_;
        rows_->next();
    }
    in.lastPlot = rows_->eof();
    in.inPlotList = options_.method != MethodKind::Rux;
    if (plotList_) plotList_->forEach(in.fl_id, [&in](const auto&) { in.inPlotList = true; });

    if (const auto it = nonBal_.find(in.fl_id); it != nonBal_.end()) in.non_bal = it->second;

    if (options_.method == MethodKind::Rux) {
        readBat(in);
        readAdditions(in);
        in.awaitsStoredState =
            store_ && !in.rows.empty() && starts_from_stored_state(initial_condition(options_, in.rows.front()));
    }
    return in;
}

void BalanceInputReader::readBat(PlotInput& in)
{
    bat_->forEach(in.fl_id, [&in](const auto& s) {
        in.bat.emplace_back(static_cast<int>(column_integer(s, 2)), column_number(s, 0));
    });
}

void BalanceInputReader::readAdditions(PlotInput& in)
{
    const AdditionColumns& k = ops_;
    // The rows of a year follow each other: the year's list is looked up once per year.
    std::vector<FomAddition>* list = nullptr;
    int listYear = 0;
    opstab_->forEach(in.fl_id, [&in, &k, &list, &listYear](const auto& s) {
        const auto num = [&s](int i) { return i < 0 ? 0.0 : column_number(s, i); };
        FomAddition a;
        a.cops = num(k.cops);
        a.part = num(k.part);
        a.k = num(k.k);
        a.eta = num(k.eta);
        a.cnr = num(k.cnr);
        a.cnr_alt = num(k.cnrAlt);
        a.pop = num(k.pop);
        a.item_ix = k.item < 0 ? 0 : column_integer(s, k.item);
        a.mkd = k.mkd < 0 ? 0 : static_cast<int>(column_integer(s, k.mkd));
        const int year = static_cast<int>(column_integer(s, k.year));
        if (!list || year != listYear) {
            list = &in.additions[year];
            listYear = year;
        }
        list->push_back(a);
    });
}

void BalanceInputReader::readStoredState(PlotInput& in)
{
    if (!in.awaitsStoredState) return;
    in.awaitsStoredState = false;
    if (in.rows.empty() || !store_) return;
    const std::string preCond = initial_condition(options_, in.rows.front());
    if (!starts_from_stored_state(preCond)) return;
    // The state of the year before the plot's first year; a plot whose leading rows lack
    // an initial value starts later, at its first row with one.
    auto first = std::find_if(in.rows.begin(), in.rows.end(), [](const BalanceRow& r) { return r.corg >= 0; });
    if (first == in.rows.end()) first = in.rows.begin();
    std::string problem;
    in.storedState = store_->load(first->year_0 - 1, state_plot(preCond, in.fl_id), preCond, &problem);
    in.storedStateProblem = problem;
}

} // namespace vt::engine
