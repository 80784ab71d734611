#pragma once

namespace vt::engine {

struct PrepContext;

// The recorded years of each selected plot: first and last year with a management event
// and their span `intl` (tmp_time_int: FL_ID, Maxvonyear, Minvonyear, intl), and one row
// per plot and year of that span (tmp_time_scen: fl_id, yr), appended in one transaction.
void build_time_span(const PrepContext& p);

} // namespace vt::engine
