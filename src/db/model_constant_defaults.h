#pragma once

// The default model constants: the row "NORM" (item_ix 1) that a new database's gldaparm
// receives, and the values a run uses where gldaparm gives none.

namespace vt::db::model_defaults {

inline constexpr double kStab = 0.0009;     // K_STAB: stabilisation, active -> stabilised, per BAT-day
inline constexpr double kAos = 0.00556;     // K_AOS: mineralisation of active organic matter, per BAT-day
inline constexpr double kAkt = 0.00032;     // K_AKT: activation, stabilised -> active, per BAT-day
inline constexpr double kDeg = 0.01258;     // K_DEG: decay of the long-term stable pool (Hassink option)
inline constexpr double cnrObs = 8.5;       // CNR_OBS: C/N ratio of soil organic matter
inline constexpr double hPwp = 15848.931924611135;  // H_PWP: 10^4.2 hPa, wilting point
inline constexpr double hFc = 63.09573444801933;    // H_FC: 10^1.8 hPa, field capacity

} // namespace vt::db::model_defaults
