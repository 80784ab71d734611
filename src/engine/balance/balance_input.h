#pragma once
#include "db/statement.h"
#include "engine/balance/balance_types.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace vt::db {
class Connection;
class Cursor;
} // namespace vt::db

namespace vt::engine {

class StateStore;

// The select of the humus balance result: one row per selected plot and year of
// hubi_c_bilanz with the plot's soil; `into` adds the INTO clause that builds huba_fin_res.
std::string humus_balance_select(bool into);

// The carbon model's input query: one row per selected plot and year, ordered by plot and
// year; the sensitivity variant scales BAT, BD and Crep by rux_var_fac row 1.
std::string carbon_input_query(bool sensitivity);

// The initial-observation check: plots whose initial observation lies before their first
// crop or amendment year.
std::string initial_observation_check_query();
// A plot that the initial-observation check would list, if there is one: the same test
// made once per selected plot, with the plot's first crop or amendment year looked up
// through the index on cultivation (FL_ID, year).
std::string initial_observation_conflict_query();

// The position of a result column of a prepared statement, by name without regard to
// case; -1 when it has none.
int statement_column(const db::Statement& s, const std::string& name);

// The initial condition of a plot (`pre_cond`): the trimmed i_con of its first row for the
// carbon model, "obsval" for any other method.
std::string initial_condition(const BalanceOptions& options, const BalanceRow& row);
// Whether an initial condition names a stored state (anything but "obsval", "null" and
// "RepIX": "omstat" the plot's own, a plot number that plot's).
bool starts_from_stored_state(const std::string& preCond);

// The plot list of the simulator: selected plots with their climate station and soil.
std::string plot_list_query();

// Reads the balance's input plot by plot: the plot's rows of the input query and its BAT,
// fresh organic matter additions, non_bal and stored state. The carbon model's own query is
// read as ordered streams of its tables merged plot by plot, when its working tables allow
// (see MergedRows in the source); the BAT and the additions come from one ordered stream
// each instead of one statement per plot.
class BalanceInputReader {
public:
    BalanceInputReader(db::Connection& c, const std::string& inputQuery, const BalanceOptions& options,
                       StateStore* store);
    ~BalanceInputReader();

    // The number of rows of the input query, counted when first asked for (counting runs
    // the whole query once more).
    long long totalRows();
    long long rowsRead() const { return rowsRead_; }
    // The next plot's input; empty when the input query is exhausted. A plot that starts
    // from a stored state comes with awaitsStoredState set, for readStoredState once the
    // plots before it are written.
    std::optional<PlotInput> next();
    // Reads the stored state a plot starts from and clears awaitsStoredState.
    void readStoredState(PlotInput& in);

    // The input rows of the current plot-year, whichever way they are read.
    class Rows;
    // The rows of one plot after another from a statement ordered by plot number.
    class PlotStream;

private:
    void readBat(PlotInput& in);
    void readAdditions(PlotInput& in);

    db::Connection& c_;
    std::string inputQuery_;
    BalanceOptions options_;
    StateStore* store_;
    std::unique_ptr<Rows> rows_;
    std::optional<long long> totalRows_;
    long long rowsRead_ = 0;
    std::unique_ptr<PlotStream> plotList_;
    std::unique_ptr<PlotStream> bat_;
    std::unique_ptr<PlotStream> opstab_;
    struct AdditionColumns {
        int year = -1, cops = -1, part = -1, k = -1, eta = -1, cnr = -1, cnrAlt = -1, item = -1, mkd = -1, pop = -1;
    } ops_;
    std::map<long long, double> nonBal_;
};

} // namespace vt::engine
