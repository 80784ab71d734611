#pragma once

namespace vt::engine {

struct PrepContext;

// The indexes of the experiment tables that the run's statements seek on, created where a
// database lacks them (databases imported from Access or written by other tools carry only
// their primary keys) and kept, as the driver keeps fdix2: ix_cultivation_fl on cultivation
// (FL_ID, year), ix_site_state_fl on site_state (FL_ID), ix_measurements_fl on measurements
// (FL_ID, M_IX) and ix_soilproperties_id on soilproperties (soil_ID). An index is left out
// where one with the same leading columns exists under any name. Without them the planner
// walks the plot selection first and the preparation falls back from its ordered walks to
// joined statements, and the time span and pattern seeks read all of cultivation.
void ensure_run_indexes(const PrepContext& p);

// ix_cultivation_fl alone (the time span and the irrigation pattern seek on it).
void ensure_cultivation_year_index(const PrepContext& p);

} // namespace vt::engine
