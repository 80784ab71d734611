#pragma once
#include <map>

namespace vt::engine {

struct PrepContext;

// What the soil check leaves for the annual balance, per plot: the decay constant of
// the long-term stable pool (the soil's DEG, or K_DEG when the soil gives none), the
// soil's LMBD (-99 when not given), kappa = (ka + ks) / (ka * km) and the formation
// coefficient hf of long-term stable carbon.
struct SoilPlotParameters {
    double kd = -99;
    double lb = -99;
    double kappa = 0;
    double hf = 0;
};
using SoilParameterMap = std::map<long long, SoilPlotParameters>;

// Completes and checks every row of tmp_soil_prop in one transaction: estimates the
// missing soil properties (silt from FAT or the texture class, water contents, pore
// volume, fine pore share, long-term stable carbon limits), computes the initial carbon
// of "RepIX" plots from their reproduction index and reads the stored state of "omstat"
// plots, and writes every derived value back without touching given ones (X_org yes).
// The plot's kd and hf are written into its row as well. An unknown soil classification
// scheme or a "RepIX" plot without a reproduction index ends the run (RunCancelled)
// naming the plot and year, with the table as it was.
SoilParameterMap check_soil_properties(const PrepContext& p);

} // namespace vt::engine
