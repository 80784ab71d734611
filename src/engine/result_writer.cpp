#include "engine/result_writer.h"

#include "db/connection.h"
#include "db/fast_secure_delete.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"
#include "engine/state_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

namespace vt::engine {

namespace {

constexpr const char* kZbvColumnNames[] = {"fl_id", "year_", "c_min_total", "c_min_fom", "c_rep_flx",
                                           "c_fom", "c_fom_in", "C_som", "c_lts", "c_hws",
                                           "mkd_a", "mkd_s", "int_A_mic", "int_A_mes", "int_A_ttl"};

// An INSERT that fills the first `count` columns of the table by position.
std::string positional_insert(db::Connection& c, const std::string& table, int count)
{
    const std::vector<std::string> cols = c.columns(table);
    if (static_cast<int>(cols.size()) < count)
        throw db::DbError("table " + table + " has " + std::to_string(cols.size()) + " columns, " +
                          std::to_string(count) + " expected");
    std::string names, marks;
    for (int i = 0; i < count; ++i) {
        names += (i ? ", " : "") + db::quote_ident(cols[static_cast<size_t>(i)]);
        marks += i ? ", ?" : "?";
    }
    return "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
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

bool is_integer_column(int position) { return position <= 2 || position == 23 || position == 24; }

} // namespace

namespace {

// Whether `table` holds a row whose fl_id is no selected plot: one pass over the plot numbers
// (the rows of a plot follow each other, so a plot is looked up once per run of its rows)
// instead of a correlated lookup for every row.
bool holds_other_plots(db::Connection& c, const std::string& table)
{
    db::Statement rows = c.prepare("SELECT fl_id FROM " + table);
    db::Statement isSelected = c.prepare("SELECT 1 FROM site_state WHERE site_state.status=1 AND site_state.FL_ID = ?");
    bool first = true, selected = false;
    sqlite3_int64 last = 0;
    while (rows.step()) {
        // One locked call for the value: an unprotected value of the statement's own row, read
        // as an integer without conversion (only this thread steps the statement).
        sqlite3_value* plot = sqlite3_column_value(rows.handle(), 0);
        const bool integer = sqlite3_value_type(plot) == SQLITE_INTEGER;
        if (first || !integer || sqlite3_value_int64(plot) != last) {
            if (sqlite3_bind_value(isSelected.handle(), 1, plot) != SQLITE_OK)
                throw db::DbError(c.lastErrorMessage());
            selected = isSelected.step();
            isSelected.reset();
            first = !integer;
            if (integer) last = sqlite3_value_int64(plot);
        }
        if (!selected) return true;
    }
    return false;
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
      nresult_(c.prepare(positional_insert(c, "rux_nresult", kNresultColumns))),
      simResult_(c.prepare("INSERT INTO sim_result (fl_id, m_ix, year_, year_num, sim_value) VALUES (?, 7, ?, ?, ?)")),
      store_(store),
      // The savepoint of a plot's rows, prepared once rather than parsed for every plot.
      savepoint_(c.prepare("SAVEPOINT plot_rows")),
      release_(c.prepare("RELEASE plot_rows")),
      rollback_(c.prepare("ROLLBACK TO plot_rows"))
{
    if (withZbv) zbv_.emplace(c.prepare(positional_insert(c, "rux_zbv", kZbvColumns)));
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
    for (const YearResult& y : plot.years) {
        for (int i = 0; i < kNresultColumns; ++i) {
            const double v = y.nresult[static_cast<size_t>(i)];
            if (is_integer_column(i))
                nresult_.bind(i + 1, static_cast<long long>(v));
            else
                nresult_.bind(i + 1, v);
        }
        run_once(nresult_);
        if (zbv_) {
            for (int i = 0; i < kZbvColumns; ++i) {
                const double v = y.zbv[static_cast<size_t>(i)];
                if (i <= 1)
                    zbv_->bind(i + 1, static_cast<long long>(v));
                else
                    zbv_->bind(i + 1, v);
            }
            run_once(*zbv_);
        }
        if (y.sim_value) {
            simResult_.bind(1, y.fl_id).bind(2, y.z_jahr).bind(3, y.year_num).bind(4, *y.sim_value);
            run_once(simResult_);
        }
        if (y.stateToStore && store_) store_->store(y.fl_id, y.z_jahr, *y.stateToStore);
    }
    run_once(release_);
    rows.open = false;
    pendingYears_ += static_cast<long long>(plot.years.size());
    if (pendingYears_ >= kYearsPerCommit) commit();
}

} // namespace vt::engine
