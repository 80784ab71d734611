#include "engine/balance/result_writer.h"

#include "db/connection.h"
#include "db/fast_secure_delete.h"
#include "base/text.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"
#include "engine/balance/plot_rows_source.h"
#include "engine/balance/state_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace vt::engine {

namespace {

constexpr const char* kZbvColumnNames[] = {"fl_id", "year_", "c_min_total", "c_min_fom", "c_rep_flx",
                                           "c_fom", "c_fom_in", "C_som", "c_lts", "c_hws",
                                           "mkd_a", "mkd_s", "int_A_mic", "int_A_mes", "int_A_ttl"};

// The quoted names of the first `count` columns of the table.
std::string first_columns(db::Connection& c, const std::string& table, int count)
{
    const std::vector<std::string> cols = c.columns(table);
    if (static_cast<int>(cols.size()) < count)
        throw db::DbError("table " + table + " has " + std::to_string(cols.size()) + " columns, " +
                          std::to_string(count) + " expected");
    std::string names;
    for (int i = 0; i < count; ++i) names += (i ? ", " : "") + db::quote_ident(cols[static_cast<size_t>(i)]);
    return names;
}

// An INSERT that fills the first `count` columns of the table by position.
std::string positional_insert(db::Connection& c, const std::string& table, int count)
{
    std::string marks;
    for (int i = 0; i < count; ++i) marks += i ? ", ?" : "?";
    return "INSERT INTO " + table + " (" + first_columns(c, table, count) + ") VALUES (" + marks + ")";
}

// An INSERT of all of a plot's rows of one kind into the first `count` columns of the
// table, the plot bound as parameter 1.
std::string plot_insert(db::Connection& c, const std::string& table, int count, PlotRowKind kind)
{
    std::string values;
    for (int i = 0; i < count; ++i) values += (i ? ", c" : "c") + std::to_string(i);
    return "INSERT INTO " + table + " (" + first_columns(c, table, count) + ") SELECT " + values + " FROM " +
           kPlotRowsFunction + "(" + std::to_string(static_cast<int>(kind)) + ", ?1)";
}

// Runs a bound statement once; the rows an INSERT adds are not counted (Statement::execute would ask
// the library for the count twice per row).
void run_once(db::Statement& s)
{
    s.step();
    s.reset();
}

void run_ignoring_errors(db::Statement& s) noexcept
{
    try {
        run_once(s);
    } catch (const std::exception&) {
        // Undoing a failed plot: the failure that got here is the one to report.
    }
}

// Whether a plot's rows may be written by one statement per table: a trigger on any table
// could observe the order in which the rows of the three tables are interleaved.
bool plot_statements_usable(db::Connection& c)
{
    return c.query("SELECT 1 FROM sqlite_master WHERE type = 'trigger' LIMIT 1").eof() &&
           register_plot_rows(c.handle());
}

void bind_plot(db::Statement& s, const PlotOutput& plot)
{
    if (bind_plot_rows(s.handle(), 1, plot) != SQLITE_OK) throw db::DbError("cannot bind the rows of a plot");
}

} // namespace

namespace {

// Whether a plot number is a selected plot (site_state.status=1), looked up with the value
// as it is stored.
class SelectedPlots {
public:
    explicit SelectedPlots(db::Connection& c)
        : c_(c), lookup_(c.prepare("SELECT 1 FROM site_state WHERE site_state.status=1 AND site_state.FL_ID = ?"))
    {
    }
    bool contains(sqlite3_value* plot)
    {
        if (sqlite3_bind_value(lookup_.handle(), 1, plot) != SQLITE_OK) throw db::DbError(c_.lastErrorMessage());
        const bool selected = lookup_.step();
        lookup_.reset();
        return selected;
    }

private:
    db::Connection& c_;
    db::Statement lookup_;
};

// One pass over the plot numbers that `rows` gives (the rows of a plot follow each other, so
// a plot is looked up once per run of its rows).
bool scan_holds_other_plots(db::Statement& rows, SelectedPlots& selected)
{
    bool first = true, isSelected = false;
    sqlite3_int64 last = 0;
    while (rows.step()) {
        // One locked call for the value: an unprotected value of the statement's own row, read
        // as an integer without conversion (only this thread steps the statement).
        sqlite3_value* plot = sqlite3_column_value(rows.handle(), 0);
        const bool integer = sqlite3_value_type(plot) == SQLITE_INTEGER;
        if (first || !integer || sqlite3_value_int64(plot) != last) {
            isSelected = selected.contains(plot);
            first = !integer;
            if (integer) last = sqlite3_value_int64(plot);
        }
        if (!isSelected) return true;
    }
    return false;
}

// The name of an index of `table` whose first column is fl_id in the column's own order,
// covering every row; empty when there is none.
std::optional<std::string> plot_index(db::Connection& c, const std::string& table)
{
    for (auto idx = c.query("SELECT name, partial FROM pragma_index_list(?)", {table}); !idx.eof(); idx.next()) {
        if (idx.field(1).toInt() != 0) continue;
        const std::string name = idx.field(0).toString();
        auto col = c.query("SELECT name, coll FROM pragma_index_xinfo(?) WHERE seqno = 0", {name});
        if (col.eof() || col.field(0).isNull()) continue;
        const std::string column = col.field(0).toString(), coll = col.field(1).toString();
        if (base::iequals(column, "fl_id") && base::iequals(coll, "binary")) return name;
    }
    return std::nullopt;
}

// Whether `table` holds a row whose fl_id is no selected plot. With an index on fl_id the
// distinct plot numbers come from the index; otherwise the rows of a plot, which follow each
// other, are skipped inside the library, one statement per run of a plot's rows; where
// neither works (a table without rowid, runs of a row or two), every row is read.
bool holds_other_plots(db::Connection& c, const std::string& table)
{
    SelectedPlots selected(c);
    const std::string t = db::quote_ident(table);
    if (const auto index = plot_index(c, table)) {
        db::Statement plots =
            c.prepare("SELECT DISTINCT fl_id FROM " + t + " INDEXED BY " + db::quote_ident(*index) + " ORDER BY fl_id");
        return scan_holds_other_plots(plots, selected);
    }
    const std::vector<std::string> cols = c.columns(table);
    const bool rowidShadowed = std::any_of(cols.begin(), cols.end(), [](const std::string& name) {
        const std::string n = base::to_lower(name);
        return n == "rowid" || n == "_rowid_" || n == "oid";
    });
    std::optional<db::Statement> firstRow, nextRun;
    if (!rowidShadowed) {
        try {
            firstRow.emplace(c.prepare("SELECT rowid, fl_id FROM " + t + " ORDER BY rowid LIMIT 1"));
            nextRun.emplace(c.prepare("SELECT rowid, fl_id FROM " + t + " WHERE rowid > ?1 AND fl_id IS NOT ?2 LIMIT 1"));
        } catch (const db::DbError&) {
            // A table without rowid.
            nextRun.reset();
        }
    }
    if (!nextRun) {
        db::Statement rows = c.prepare("SELECT fl_id FROM " + t);
        return scan_holds_other_plots(rows, selected);
    }
    // The first row, then the first row after it with another plot number, and so on.
    db::Statement* at = &*firstRow;
    sqlite3_int64 first = 0, rowid = 0;
    for (long long runs = 0;; ++runs) {
        if (!at->step()) return false;
        rowid = sqlite3_column_int64(at->handle(), 0);
        if (runs == 0) first = rowid;
        sqlite3_value* plot = sqlite3_value_dup(sqlite3_column_value(at->handle(), 1));
        if (!plot) throw db::DbError("out of memory");
        at->reset();
        const bool isSelected = selected.contains(plot);
        const int rc = sqlite3_bind_value(nextRun->handle(), 2, plot);
        sqlite3_value_free(plot);
        if (!isSelected) return true;
        if (rc != SQLITE_OK) throw db::DbError(c.lastErrorMessage());
        nextRun->bind(1, static_cast<long long>(rowid));
        at = &*nextRun;
        // Runs of a row or two cost a statement each: the rest is read row by row.
        if (runs >= 256 && (rowid - first) / runs < 4) break;
    }
    nextRun->reset();
    db::Statement rest = c.prepare("SELECT fl_id FROM " + t + " WHERE rowid > ?1");
    rest.bind(1, static_cast<long long>(rowid));
    return scan_holds_other_plots(rest, selected);
}

} // namespace

void remove_old_results(db::Connection& c)
{
    // The rows of this run take the freed pages over right away: they are only released.
    const db::FastSecureDelete freedPagesReleased(c);
    // Both tables are cleared in one transaction: one commit instead of one per statement.
    db::Savepoint removal(c, "old_results");
    for (const char* table : {"sim_result", "rux_nresult"}) {
        if (!c.tableExists(table)) continue;
        const std::string t = table;
        // When every row belongs to a selected plot (a run over the whole region) the table
        // is emptied at once instead of row by row.
        c.execute("DELETE FROM " + t +
                  (holds_other_plots(c, t) ? " WHERE fl_id IN (SELECT FL_ID FROM site_state WHERE status=1)" : ""));
    }
    removal.release();
}

bool rux_zbv_complete(db::Connection& c)
{
    if (!c.tableExists("rux_zbv")) return true;  // created below, nothing to lose
    for (const char* col : kZbvColumnNames)
        if (!c.columnExists("rux_zbv", col)) return false;
    return true;
}

void create_rux_zbv(db::Connection& c)
{
    c.execute(" create table rux_zbv (fl_id int, year_ int,c_min_total double,c_min_fom double,c_rep_flx double,"
              "c_fom double,c_fom_in double,c_som double,c_lts double,c_hws double, mkd_a double, mkd_s double,"
              "int_A_mic double,int_A_mes double,int_A_ttl double) ");
}

ResultWriter::ResultWriter(db::Connection& c, bool withZbv, StateStore* store)
    : c_(c),
      store_(store),
      // The savepoint of a plot's rows, prepared once rather than parsed for every plot.
      savepoint_(c.prepare("SAVEPOINT plot_rows")),
      release_(c.prepare("RELEASE plot_rows")),
      rollback_(c.prepare("ROLLBACK TO plot_rows"))
{
    perPlot_ = plot_statements_usable(c);
    if (perPlot_) {
        try {
            nresult_.emplace(c.prepare(plot_insert(c, "rux_nresult", kNresultColumns, PlotRowKind::Nresult)));
            if (withZbv) zbv_.emplace(c.prepare(plot_insert(c, "rux_zbv", kZbvColumns, PlotRowKind::Zbv)));
            simResult_.emplace(c.prepare("INSERT INTO sim_result (fl_id, m_ix, year_, year_num, sim_value) SELECT c0, "
                                         "7, c1, c2, c3 FROM " + std::string(kPlotRowsFunction) + "(" +
                                         std::to_string(static_cast<int>(PlotRowKind::SimResult)) + ", ?1)"));
        } catch (const db::DbError&) {
            // A table of the database under the function's name, say: row by row, which
            // reports a missing table or column in its own words.
            perPlot_ = false;
            nresult_.reset();
            zbv_.reset();
        }
    }
    if (!perPlot_) {
        nresult_.emplace(c.prepare(positional_insert(c, "rux_nresult", kNresultColumns)));
        if (withZbv) zbv_.emplace(c.prepare(positional_insert(c, "rux_zbv", kZbvColumns)));
        simResult_.emplace(
            c.prepare("INSERT INTO sim_result (fl_id, m_ix, year_, year_num, sim_value) VALUES (?, 7, ?, ?, ?)"));
    }
}

ResultWriter::~ResultWriter()
{
    if (batchOpen_) c_.executeIgnoringErrors("COMMIT");
}

void ResultWriter::commit()
{
    if (!batchOpen_) return;
    batchOpen_ = false;
    pendingYears_ = 0;
    c_.execute("COMMIT");
}

void ResultWriter::writePlot(const PlotOutput& plot)
{
    if (plot.years.empty()) return;
    if (!batchOpen_) {
        c_.execute("BEGIN");
        batchOpen_ = true;
    }
    run_once(savepoint_);
    // Unless released below, the plot's rows written so far are undone.
    struct PlotRows {
        db::Statement& rollback;
        db::Statement& release;
        bool open = true;
        ~PlotRows()
        {
            if (!open) return;
            run_ignoring_errors(rollback);
            run_ignoring_errors(release);
        }
    } rows{rollback_, release_};
    if (perPlot_)
        writeRowsPerPlot(plot);
    else
        writeRowsPerYear(plot);
    run_once(release_);
    rows.open = false;
    pendingYears_ += static_cast<long long>(plot.years.size());
    if (pendingYears_ >= kYearsPerCommit) commit();
}

void ResultWriter::writeRowsPerPlot(const PlotOutput& plot)
{
    bind_plot(*nresult_, plot);
    run_once(*nresult_);
    if (zbv_) {
        bind_plot(*zbv_, plot);
        run_once(*zbv_);
    }
    if (std::any_of(plot.years.begin(), plot.years.end(), [](const YearResult& y) { return y.sim_value.has_value(); })) {
        bind_plot(*simResult_, plot);
        run_once(*simResult_);
    }
    if (store_)
        for (const YearResult& y : plot.years)
            if (y.stateToStore) store_->store(y.fl_id, y.z_jahr, *y.stateToStore);
}

void ResultWriter::writeRowsPerYear(const PlotOutput& plot)
{
    for (const YearResult& y : plot.years) {
        for (int i = 0; i < kNresultColumns; ++i) {
            const double v = y.nresult[static_cast<size_t>(i)];
            if (nresult_integer_column(i))
                nresult_->bind(i + 1, static_cast<long long>(v));
            else
                nresult_->bind(i + 1, v);
        }
        run_once(*nresult_);
        if (zbv_) {
            for (int i = 0; i < kZbvColumns; ++i) {
                const double v = y.zbv[static_cast<size_t>(i)];
                if (zbv_integer_column(i))
                    zbv_->bind(i + 1, static_cast<long long>(v));
                else
                    zbv_->bind(i + 1, v);
            }
            run_once(*zbv_);
        }
        if (y.sim_value) {
            simResult_->bind(1, y.fl_id).bind(2, y.z_jahr).bind(3, y.year_num).bind(4, *y.sim_value);
            run_once(*simResult_);
        }
        if (y.stateToStore && store_) store_->store(y.fl_id, y.z_jahr, *y.stateToStore);
    }
}

} // namespace vt::engine
