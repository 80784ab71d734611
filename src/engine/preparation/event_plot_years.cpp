#include "engine/preparation/event_plot_years.h"

#include <algorithm>

namespace vt::engine {

bool EventPlotYears::outOfOrder()
{
    plotYears_.clear();
    plotYears_.shrink_to_fit();
    return false;
}

std::optional<long long> EventPlotYears::nextYear(long long plot, long long year) const
{
    const auto next = std::upper_bound(plotYears_.begin(), plotYears_.end(), std::pair<long long, long long>{plot, year});
    if (next == plotYears_.end() || next->first != plot) return std::nullopt;
    return next->second;
}

} // namespace vt::engine
