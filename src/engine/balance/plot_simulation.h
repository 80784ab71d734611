#pragma once
#include "engine/balance/balance_types.h"

#include <functional>

namespace vt::engine {

// Simulates one plot: its cycles and years, the soil and fresh organic matter pools, the
// result rows of every year. A pure function of the plot's input and the run's options;
// `stopRequested` is polled after every year ("STOP RUN").
PlotOutput simulate_plot(const PlotInput& in, const BalanceOptions& options,
                         const std::function<bool()>& stopRequested = {});

inline constexpr const char* kCarbonBalanceError = "error in carbon balance";

} // namespace vt::engine
