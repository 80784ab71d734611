#pragma once

namespace vt::engine {

struct PrepContext;

// The yearly carbon input of the selected plots: the model quantities of amendments and
// harvested crops (cultivation.Sim_Quantity), the carbon sources per plot-year
// (crep_h1), their yearly sum with the initial observed carbon and nitrogen (crep_year)
// and the harvest residues and roots of every crop event (_cropping_dt).
void build_carbon_input(const PrepContext& p);

// The area share (percent) of a management event: cultivation.part in a regional
// database, FL_ID_alt in any other; the whole plot when not above 0.
const char* event_share_sql(bool regional);

} // namespace vt::engine
