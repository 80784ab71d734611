#pragma once
#include "engine/types/run_hooks.h"

#include <optional>
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// Year and fertiliser limits of the summaries over all plots.
struct NBalanceLimits {
    double yearFrom = 0, yearTo = 3000;
    double fertFrom = 0, fertTo = 3000;
};

struct NBalanceOptions {
    // One plot, or every plot with results when absent ("*").
    std::optional<long long> plot;
    // Used only for all plots; a single plot is summarised over every year.
    NBalanceLimits limits;
    // Observed nitrogen uptake (M_IX 20) replaces the computed one in its years.
    bool observedUptake = false;
    // Folder of the diagnostic files "testsql.sql" and "testnbilorgdb.sql".
    std::string diagnosticsFolder = ".";
};

// The field nitrogen budget: rebuilds tmp_ndeposit, rux_n_bilanz (inputs and outputs per
// plot and year, repeated management cycles included), the work tables nbil_* and the
// summaries rux_nsaldo, nmin_saldo and NT_saldo. Progress runs through the stages 0 to
// 17. Throws db::DbError when a statement fails; the tables built so far stay. hooks.stop,
// checked after every stage, cancels the budget and leaves every table as it was before;
// the result is then false.
bool nitrogen_balance(db::Connection& c, const NBalanceOptions& options, const engine::RunHooks& hooks = {});

} // namespace vt::eval
