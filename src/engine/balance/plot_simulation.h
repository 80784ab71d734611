#pragma once
#include "engine/balance/balance_types.h"

#include <functional>

namespace vt::engine {

// Simulates one plot: its cycles and years, the soil and fresh organic matter pools, the
// result rows of every year. A pure function of the plot's input and the run's options;
// `stopRequested` is polled after every year ("STOP RUN").
PlotOutput simulate_plot(const PlotInput& in, const BalanceOptions& options,
                         const std::function<bool()>& stopRequested = {});

// The most biologically active time a year can hold (days of a leap year): a BAT above it
// is refused, which also bounds the Euler steps of a plot-year (3,660 of 0.1 BAT-day).
inline constexpr double kMaxBatPerYear = 366;

inline constexpr const char* kCarbonBalanceError = "error in carbon balance";

} // namespace vt::engine
