#include "engine/balance_input.h"

#include "db/connection.h"
#include "engine/state_store.h"
#include "engine/stored_order.h"

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

    explicit MergedRows(db::Connection& c)
        : plots_(c.prepare("SELECT field_description.FL_ID, field_description.i_con, tmp_soil_prop.corg,"
                           " tmp_soil_prop.norg, tmp_soil_prop.BD, tmp_soil_prop.skelett, tmp_soil_prop.max_lts,"
                           " tmp_soil_prop.cif, tmp_soil_prop.PD, tmp_soil_prop.FC, tmp_soil_prop.fchw,"
                           " tmp_soil_prop.fbio, tmp_soil_prop.clay, tmp_soil_prop.silt, tmp_soil_prop.deg" +
                           std::string(kSelectedPlotsFrom))),
          crep_(c.prepare("SELECT FL_ID, year_0 FROM crep_year")),
          batKeys_(c.prepare("SELECT FL_ID, year_0 FROM tmp_bat ORDER BY FL_ID, year_0"))
    {
        columns_ = InputColumns::of([this](const char* name) { return statement_column(plots_, name); });
        stepPlot();
        crepMore_ = crep_.step();
        batMore_ = batKeys_.step();
        settle();
    }
    bool eof() const override { return eof_; }
    long long plot() const override { return plot_.fl_id; }
    BalanceRow row() const override
    {
        BalanceRow r = plot_;
        r.year_0 = static_cast<int>(column_integer(crep_, 1));
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
            const long long plot = column_integer(crep_, 0), year = column_integer(crep_, 1);
            if (plot_.fl_id < plot) {
                stepPlot();
                continue;
            }
            if (plot_.fl_id > plot) {
                crepMore_ = crep_.step();
                continue;
            }
            int bat = compare_key(batKeys_, 0, plot);
            if (bat == 0) bat = compare_key(batKeys_, 1, year);
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

    db::Statement plots_, crep_, batKeys_;
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
        segments_.push_back({c.prepare(ordered)});
    }
    PlotStream(std::vector<db::Statement> segments, db::Statement perPlot, int keyColumn)
        : one_(std::move(perPlot)), key_(keyColumn)
    {
        for (db::Statement& s : segments) segments_.push_back({std::move(s)});
    }
    const db::Statement& statement() const { return segments_.front().rows; }

    template <class Row> void forEach(long long id, Row&& row)
    {
        if (asked_ && id <= last_) {
            one_.bind(1, id);
            while (one_.step()) row(one_);
            one_.reset();
            return;
        }
        for (Segment& g : segments_) {
            if (!asked_) g.more = g.rows.step();
            for (; g.more; g.more = g.rows.step()) {
                const int key = compare_key(g.rows, key_, id);
                if (key > 0) break;
                if (key == 0) row(g.rows);
            }
        }
        asked_ = true;
        last_ = id;
    }

private:
    struct Segment {
        db::Statement rows;
        bool more = false;
    };
    std::vector<Segment> segments_;
    db::Statement one_;
    int key_;
    bool asked_ = false;
    long long last_ = 0;
};

namespace {

// `select` (which ends in a FROM clause of `table`) over the rows of each run of `starts`
// in rowid order.
std::vector<db::Statement> run_segments(db::Connection& c, const std::string& select,
                                        const std::vector<long long>& starts)
{
    std::vector<db::Statement> segments;
    long long from = std::numeric_limits<long long>::min();
    for (std::size_t i = 0; i <= starts.size(); ++i) {
        const long long to = i < starts.size() ? starts[i] - 1 : std::numeric_limits<long long>::max();
        db::Statement s = c.prepare(select + " WHERE rowid >= ?1 AND rowid <= ?2 ORDER BY rowid");
        s.bind(1, from).bind(2, to);
        segments.push_back(std::move(s));
        if (i < starts.size()) from = starts[i];
    }
    return segments;
}

// Runs of a table in plot order that the additions are read from, one statement each; a few
// as the preparation appends the table from several sources.
constexpr int kMaxAdditionRuns = 8;

} // namespace

BalanceInputReader::BalanceInputReader(db::Connection& c, const std::string& inputQuery, const BalanceOptions& options,
                                       StateStore* store)
    : c_(c), inputQuery_(inputQuery), options_(options), store_(store)
{
    if (options_.method == MethodKind::Rux && inputQuery == carbon_input_query(false)) {
        // Prepared only, so that a query that cannot run fails here as it would when read.
        c.prepare(inputQuery);
        if (MergedRows::usable(c)) rows_ = std::make_unique<MergedRows>(c);
    }
    if (!rows_) rows_ = std::make_unique<QueryRows>(c, inputQuery);
    if (options_.method == MethodKind::Rux) {
        plotList_ = std::make_unique<PlotStream>(c, plot_list_query() + " ORDER BY field_description.FL_ID",
                                                 plot_list_query() + " AND field_description.FL_ID = ?", 0);
        const std::string bat = " SELECT (BAT*(100-t_level)+BATnotill*t_level)/100 as bat_, FL_ID, year_0 as yr"
                                "  FROM tmp_bat ";
        // Stored in (FL_ID, year_0) order, as the preparation builds it, tmp_bat is read in
        // rowid order instead of through its index with a seek per row.
        const auto batRuns = run_starts(c, "tmp_bat", "FL_ID", "year_0", false, 1);
        bat_ = batRuns ? std::make_unique<PlotStream>(run_segments(c, bat, *batRuns),
                                                      c.prepare(bat + "where fl_id= ? order by year_0 "), 1)
                       : std::make_unique<PlotStream>(c, bat + "ORDER BY FL_ID, year_0, rowid",
                                                      bat + "where fl_id= ? order by year_0 ", 1);
        // Within a plot year the rows come in rowid order, as the per-plot statement reads them
        // through the index on (FL_ID, year_): from the index, or from the runs of the table in
        // plot order one after another (the rows of a run precede those of the next).
        const auto opsRuns = run_starts(c, "opstab", "FL_ID", "", false, kMaxAdditionRuns);
        opstab_ = opsRuns ? std::make_unique<PlotStream>(run_segments(c, "select * from opstab", *opsRuns),
                                                         c.prepare(" select * from opstab where fl_id= ?"), 0)
                          : std::make_unique<PlotStream>(c, "select * from opstab ORDER BY FL_ID, year_, rowid",
                                                         " select * from opstab where fl_id= ?", 0);
        const db::Statement& s = opstab_->statement();
        ops_.year = statement_column(s, "year_");
        ops_.cops = statement_column(s, "cops");
        ops_.part = statement_column(s, "part");
        ops_.k = statement_column(s, "k");
        ops_.eta = statement_column(s, "eta");
        ops_.cnr = statement_column(s, "cnr");
        ops_.cnrAlt = statement_column(s, "cnr_alt");
        ops_.item = statement_column(s, "item_ix");
        ops_.mkd = statement_column(s, "mkd");
        ops_.pop = statement_column(s, "pop");
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
        if (dynamic_cast<MergedRows*>(rows_.get())) {
            // Counted by a second walk of the streams: the query itself would be run once more.
            long long n = 0;
            for (MergedRows all(c_); !all.eof(); all.next()) ++n;
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
    if (plotList_) plotList_->forEach(in.fl_id, [&in](const db::Statement&) { in.inPlotList = true; });

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
    bat_->forEach(in.fl_id, [&in](const db::Statement& s) {
        in.bat.emplace_back(static_cast<int>(column_integer(s, 2)), column_number(s, 0));
    });
}

void BalanceInputReader::readAdditions(PlotInput& in)
{
    const AdditionColumns& k = ops_;
    // The rows of a year follow each other: the year's list is looked up once per year.
    std::vector<FomAddition>* list = nullptr;
    int listYear = 0;
    opstab_->forEach(in.fl_id, [&in, &k, &list, &listYear](const db::Statement& s) {
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
