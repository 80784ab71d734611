#pragma once
#include "engine/types/run_config.h"

// Quantities derived from the rate constants of the soil carbon pools.

namespace vt::engine {

// Days of decomposable carbon per unit of reproduction at steady state:
// kappa = (ka + ks) / (ka * km). A reproduction flux r (kg C/ha per BAT-day) holds
// r * kappa kg C/ha of active plus stabilised carbon.
inline double kappa(const ModelConstants& k) { return (k.ka + k.ks) / (k.ka * k.km); }

// Share of the active pool in the decomposable carbon at steady state: fa = ka / (ka + ks).
inline double active_share(const ModelConstants& k) { return k.ka / (k.ka + k.ks); }

} // namespace vt::engine
