#pragma once

namespace vt::engine {

struct PrepContext;

// The index of cultivation on (FL_ID, year) that the time span, the irrigation pattern, the
// tillage level and the balance's initial-observation check seek on: a database without one
// (e.g. an import) gets ix_cultivation_fl, kept like the driver's fdix2, so that no run reads
// all of cultivation per plot and the index is built once rather than in every run.
void ensure_cultivation_year_index(const PrepContext& p);

// The recorded years of each selected plot: first and last year with a management event
// and their span `intl` (tmp_time_int: FL_ID, Maxvonyear, Minvonyear, intl), and one row
// per plot and year of that span (tmp_time_scen: fl_id, yr), appended in one transaction.
void build_time_span(const PrepContext& p);

} // namespace vt::engine
