#pragma once
#include "db/statement.h"
#include "engine/balance/balance_types.h"

#include <optional>

namespace vt::db {
class Connection;
}

namespace vt::engine {

class StateStore;

// The columns rux_zbv must have; a table that lacks one is re-created after asking.
bool rux_zbv_complete(db::Connection& c);
// Creates rux_zbv in its current layout.
void create_rux_zbv(db::Connection& c);

// Removes the old results of the selected plots (site_state.status=1) from sim_result and
// rux_nresult, in one transaction. A table that holds rows of selected plots only is emptied
// at once.
void remove_old_results(db::Connection& c);

// Appends the result rows of finished plots: rux_nresult and rux_zbv by position,
// sim_result, and the stored states. The statements are prepared once; a plot's rows of a
// table go in with one statement that reads them from the plot (plot_rows_source.h). A plot's rows stand
// or fall together; they are committed in batches of some ten thousand plot-years, since
// every commit waits for the disk (a regional run of 100,000 plot-years commits five times;
// the pages of a batch, some megabytes, stay within the run's page cache). Rows of finished
// plots are committed at the latest when the writer goes, however the run ends.
class ResultWriter {
public:
    // `withZbv`: rux_zbv could be opened; `store` may be null when no state is stored.
    ResultWriter(db::Connection& c, bool withZbv, StateStore* store);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    void writePlot(const PlotOutput& plot);
    // Commits the rows written so far.
    void commit();

    static constexpr long long kYearsPerCommit = 20000;

private:
    // One INSERT ... SELECT per table and plot, or, where a trigger could tell the
    // difference, one INSERT per table and year in the order nresult, zbv, sim_result.
    void writeRowsPerPlot(const PlotOutput& plot);
    void writeRowsPerYear(const PlotOutput& plot);

    db::Connection& c_;
    bool perPlot_ = false;
    std::optional<db::Statement> nresult_;
    std::optional<db::Statement> zbv_;
    std::optional<db::Statement> simResult_;
    StateStore* store_;
    db::Statement savepoint_, release_, rollback_;
    bool batchOpen_ = false;
    long long pendingYears_ = 0;
};

} // namespace vt::engine
