#pragma once
#include "db/statement.h"
#include "engine/balance/balance_types.h"

#include <optional>

namespace vt::db {
class Connection;
}

namespace vt::engine {

class OldResults;
class StateStore;

// The columns rux_zbv must have; a table that lacks one is re-created after asking.
bool rux_zbv_complete(db::Connection& c);
// Creates rux_zbv in its current layout.
void create_rux_zbv(db::Connection& c);

// Appends the result rows of finished plots: rux_nresult and rux_zbv by position,
// sim_result, and the stored states. The statements are prepared once; a plot's rows of a
// table go in with one statement that reads them from the plot (plot_rows_source.h). A plot's rows stand
// or fall together; they are committed in batches of some ten thousand plot-years, since
// every commit waits for the disk (a regional run of 100,000 plot-years commits five times;
// the pages of a batch, some megabytes, stay within the run's page cache). Rows of finished
// plots are committed at the latest when the writer goes, however the run ends.
// With `old`, a plot's rows of earlier runs go in the transaction that writes its new ones
// (a plot without new rows, skipped for its input, loses them all the same).
class ResultWriter {
public:
    // `withZbv`: rux_zbv could be opened; `store` may be null when no state is stored;
    // `old` may be null when no earlier rows are to be replaced.
    ResultWriter(db::Connection& c, bool withZbv, StateStore* store, OldResults* old = nullptr);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    void writePlot(const PlotOutput& plot);
    // At the normal end of a run: removes the earlier rows of the selected plots that the
    // run wrote nothing for, with the last batch.
    void removeRemainingOldResults();
    // Commits the rows written so far.
    void commit();

    static constexpr long long kYearsPerCommit = 20000;

private:
    // One INSERT ... SELECT per table and plot, or, where a trigger could tell the
    // difference, one INSERT per table and year in the order nresult, zbv, sim_result.
    void writeRowsPerPlot(const PlotOutput& plot, bool replaces);
    // Overwrites the plot's `rows` old rows of `table` in place when they lie together and
    // are as many; false when they are not (or there is no such statement).
    bool overwrite(std::optional<db::Statement>& update, const char* table, const PlotOutput& plot, long long rows);
    void writeRowsPerYear(const PlotOutput& plot);
    void begin();

    db::Connection& c_;
    bool perPlot_ = false;
    std::optional<db::Statement> nresult_;
    std::optional<db::Statement> zbv_;
    std::optional<db::Statement> simResult_;
    // Overwrite a plot's old rows in place when they are as many as its new ones and lie
    // together (a run over the same years as the last): no rows deleted and inserted.
    std::optional<db::Statement> nresultInPlace_;
    std::optional<db::Statement> simResultInPlace_;
    StateStore* store_;
    OldResults* old_;
    db::Statement savepoint_, release_, rollback_;
    bool batchOpen_ = false;
    long long pendingYears_ = 0;
};

} // namespace vt::engine
