#pragma once

namespace vt::engine {

struct PrepContext;

// The tillage and irrigation pattern of the selected plots' scenario years:
// tmp_tirgint (FL_ID, year, notill, part, iramnt, irarea), the validity of irrigation
// and tillage events up to the next year with any event (tmp_tirg_pattern: FL_ID, Macode,
// quantity, yr, yr_mx, part) and its last year per plot (tmp_last_tillage: fl_id, max_yr).
// Needs build_time_span first.
void build_tillage_irrigation(const PrepContext& p);

} // namespace vt::engine
