#pragma once
#include "db/statement.h"
#include "engine/balance_types.h"

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

// Appends the result rows of finished plots: rux_nresult and rux_zbv by position,
// sim_result, and the stored states. The statements are prepared once; each plot's rows
// are written in one transaction.
class ResultWriter {
public:
    // `withZbv`: rux_zbv could be opened; `store` may be null when no state is stored.
    ResultWriter(db::Connection& c, bool withZbv, StateStore* store);

    void writePlot(const PlotOutput& plot);

private:
    db::Connection& c_;
    db::Statement nresult_;
    std::optional<db::Statement> zbv_;
    db::Statement simResult_;
    StateStore* store_;
};

} // namespace vt::engine
