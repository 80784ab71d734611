#include "engine/balance/balance_input.h"

#include "db/connection.h"
#include "db/sql_quote.h"
#include "engine/balance/row_capture.h"
#include "engine/balance/state_store.h"
#include "engine/preparation/stored_order.h"

#include <algorithm>
#include <limits>

namespace vt::engine {

namespace {

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
    // A year without a BAT (NULL, as the mixed value of an infinite one is too) is not read as
    // 0: the simulation skips the plot rather than let its carbon stand still.
    bat_->forEach(in.fl_id, [&in](const auto& s) {
        in.bat.emplace_back(static_cast<int>(column_integer(s, 2)),
                            is_null(s, 0) ? std::numeric_limits<double>::quiet_NaN() : column_number(s, 0));
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
    in.storedState = store_->load(first->year_0 - 1, stored_state_plot(preCond, in.fl_id), preCond, &problem);
    in.storedStateProblem = problem;
}

} // namespace vt::engine
