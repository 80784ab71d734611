#pragma once
#include "engine/balance/balance_types.h"

#include <string>

namespace vt::engine {

// The initial condition of a plot (`pre_cond`): the trimmed i_con of its first row for the
// carbon model, "obsval" for any other method.
std::string initial_condition(const BalanceOptions& options, const BalanceRow& row);
// Whether an initial condition names a stored state (anything but "obsval", "null" and
// "RepIX": "omstat" the plot's own, a plot number that plot's).
bool starts_from_stored_state(const std::string& preCond);
// The plot whose stored state an initial condition names: a plot number names that plot's
// state, any other text the plot's own.
long long stored_state_plot(const std::string& preCond, long long fl_id);

} // namespace vt::engine
