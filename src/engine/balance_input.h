#pragma once
#include "db/statement.h"
#include "engine/balance_types.h"

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

// Reads the balance's input plot by plot: the plot's rows of the input query and, through
// statements prepared once, its BAT, fresh organic matter additions, non_bal and stored
// state.
class BalanceInputReader {
public:
    BalanceInputReader(db::Connection& c, const std::string& inputQuery, const BalanceOptions& options,
                       StateStore* store);
    ~BalanceInputReader();

    long long totalRows() const { return totalRows_; }
    long long rowsRead() const { return rowsRead_; }
    // The next plot's input; empty when the input query is exhausted. A plot that starts
    // from a stored state comes with awaitsStoredState set, for readStoredState once the
    // plots before it are written.
    std::optional<PlotInput> next();
    // Reads the stored state a plot starts from and clears awaitsStoredState.
    void readStoredState(PlotInput& in);

private:
    BalanceRow readRow() const;
    void readBat(PlotInput& in);
    void readAdditions(PlotInput& in);

    db::Connection& c_;
    BalanceOptions options_;
    StateStore* store_;
    std::unique_ptr<db::Cursor> input_;
    long long totalRows_ = 0;
    long long rowsRead_ = 0;
    std::set<long long> plotList_;
    std::optional<db::Statement> bat_;
    std::optional<db::Statement> opstab_;
    std::map<long long, double> nonBal_;
    int opsPop_ = -1;
};

} // namespace vt::engine
