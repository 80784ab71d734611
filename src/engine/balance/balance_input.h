#pragma once
#include "db/statement.h"
#include "engine/balance/balance_options.h"
#include "engine/balance/balance_types.h"
#include "engine/balance/input_queries.h"

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
