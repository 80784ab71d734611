#pragma once

namespace vt::engine {

struct PrepContext;

// The fresh organic matter additions of the selected plots: by-products and ploughed-up
// grassland (_koppel_prdkt), organic amendments (_org_dnger) and, together with the
// residues and roots of _cropping_dt, one row per substance and plot-year in opstab,
// indexed by flid_ix (FL_ID, year_). Needs build_carbon_input first.
void build_fom_additions(const PrepContext& p);

} // namespace vt::engine
