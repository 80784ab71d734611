#pragma once

namespace vt::engine {

struct PrepContext;

// The index of cultivation on (FL_ID, year) that the time span and the irrigation pattern
// seek on, for as long as this object lives. A database without it (e.g. an import) gets it
// for that time only, so that the run leaves the schema as it found it; without it every
// seek would read all of cultivation.
class CultivationYearIndex {
public:
    explicit CultivationYearIndex(const PrepContext& p);
    ~CultivationYearIndex();
    CultivationYearIndex(const CultivationYearIndex&) = delete;
    CultivationYearIndex& operator=(const CultivationYearIndex&) = delete;

private:
    const PrepContext& p_;
    bool created_;
};

// The recorded years of each selected plot: first and last year with a management event
// and their span `intl` (tmp_time_int: FL_ID, Maxvonyear, Minvonyear, intl), and one row
// per plot and year of that span (tmp_time_scen: fl_id, yr), appended in one transaction.
void build_time_span(const PrepContext& p);

} // namespace vt::engine
