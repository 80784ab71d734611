#include "engine/balance/result_writer.h"

#include "db/connection.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"
#include "engine/balance/old_results.h"
#include "engine/balance/plot_rows_source.h"
#include "engine/balance/state_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace vt::engine {

namespace {

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

// An UPDATE that overwrites the rows with row ids ?2 to ?3 of `table` with those of a plot,
// in order, the plot bound as parameter 1: `columns` takes `values` of the function's rows.
// The rows are sought by row id, each with the plot's row of the same place.
std::string plot_update(const std::string& table, const std::string& columns, const std::string& values,
                        PlotRowKind kind)
{
    return "UPDATE " + table + " SET (" + columns + ") = (SELECT " + values + " FROM " + kPlotRowsFunction + "(" +
           std::to_string(static_cast<int>(kind)) + ", ?1) AS r WHERE r.rowid = " + table +
           ".rowid - ?2) WHERE rowid BETWEEN ?2 AND ?3";
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

ResultWriter::ResultWriter(db::Connection& c, bool withZbv, StateStore* store, OldResults* old)
    : c_(c),
      store_(store),
      old_(old),
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
    // In place only where an overwritten row ends as an inserted one would: a table of its
    // own columns and nothing else, whose row ids name its rows.
    if (perPlot_ && old_) {
        try {
            if (c.columns("rux_nresult").size() == static_cast<size_t>(kNresultColumns)) {
                std::string values;
                for (int i = 0; i < kNresultColumns; ++i) values += (i ? ", r.c" : "r.c") + std::to_string(i);
                nresultInPlace_.emplace(c.prepare(plot_update("rux_nresult", first_columns(c, "rux_nresult", kNresultColumns),
                                                              values, PlotRowKind::Nresult)));
            }
            if (c.columns("sim_result").size() == 5)
                simResultInPlace_.emplace(c.prepare(plot_update("sim_result", "fl_id, m_ix, year_, year_num, sim_value",
                                                                "r.c0, 7, r.c1, r.c2, r.c3", PlotRowKind::SimResult)));
        } catch (const db::DbError&) {
            // A table without row ids, say: rows are removed and inserted.
            nresultInPlace_.reset();
            simResultInPlace_.reset();
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

void ResultWriter::begin()
{
    if (batchOpen_) return;
    // The write lock at once: a deferred transaction that read first could not wait for
    // another program's lock when it comes to write.
    c_.execute("BEGIN IMMEDIATE");
    batchOpen_ = true;
}

void ResultWriter::removeRemainingOldResults()
{
    if (!old_) return;
    begin();
    old_->removeRest();
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
    const bool replaces = old_ && old_->holds(plot.fl_id);
    if (plot.years.empty() && !replaces) return;
    begin();
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
        writeRowsPerPlot(plot, replaces);
    else {
        if (replaces) old_->remove(plot.fl_id);
        writeRowsPerYear(plot);
    }
    run_once(release_);
    rows.open = false;
    pendingYears_ += static_cast<long long>(plot.years.size());
    if (pendingYears_ >= kYearsPerCommit) commit();
}

bool ResultWriter::overwrite(std::optional<db::Statement>& update, const char* table, const PlotOutput& plot,
                             long long rows)
{
    if (!update || rows == 0) return false;
    const auto run = old_->singleRun(table, plot.fl_id);
    if (!run || run->second - run->first + 1 != rows) return false;
    bind_plot(*update, plot);
    update->bind(2, run->first).bind(3, run->second);
    run_once(*update);
    old_->forget(table, plot.fl_id);
    return true;
}

void ResultWriter::writeRowsPerPlot(const PlotOutput& plot, bool replaces)
{
    const auto years = static_cast<long long>(plot.years.size());
    const bool simEveryYear =
        std::all_of(plot.years.begin(), plot.years.end(), [](const YearResult& y) { return y.sim_value.has_value(); });
    bool nresultDone = false, simDone = false;
    if (replaces) {
        nresultDone = overwrite(nresultInPlace_, "rux_nresult", plot, years);
        simDone = simEveryYear && overwrite(simResultInPlace_, "sim_result", plot, years);
        old_->remove(plot.fl_id);
    }
    if (plot.years.empty()) return;
    if (!nresultDone) {
        bind_plot(*nresult_, plot);
        run_once(*nresult_);
    }
    if (zbv_) {
        bind_plot(*zbv_, plot);
        run_once(*zbv_);
    }
    if (!simDone &&
        std::any_of(plot.years.begin(), plot.years.end(), [](const YearResult& y) { return y.sim_value.has_value(); })) {
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
            if (nresult_integer_column(i))
                nresult_->bind(i + 1, nresult_integer(y, i));
            else
                nresult_->bind(i + 1, y.nresult[static_cast<size_t>(i)]);
        }
        run_once(*nresult_);
        if (zbv_) {
            for (int i = 0; i < kZbvColumns; ++i) {
                if (zbv_integer_column(i))
                    zbv_->bind(i + 1, zbv_integer(y, i));
                else
                    zbv_->bind(i + 1, y.zbv[static_cast<size_t>(i)]);
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
