#include "engine/preparation/event_plot_years.h"

#include <algorithm>

namespace vt::engine {

void EventPlotYears::compact()
{
    std::sort(plotYears_.begin(), plotYears_.end());
    plotYears_.erase(std::unique(plotYears_.begin(), plotYears_.end()), plotYears_.end());
    compactAt_ = std::max<std::size_t>(compactAt_, 2 * plotYears_.size());
}

void EventPlotYears::finish()
{
    if (inStoredOrder_) return;
    compact();
    plotYears_.shrink_to_fit();
}

std::optional<long long> EventPlotYears::nextYear(long long plot, long long year) const
{
    const auto next = std::upper_bound(plotYears_.begin(), plotYears_.end(), std::pair<long long, long long>{plot, year});
    if (next == plotYears_.end() || next->first != plot) return std::nullopt;
    return next->second;
}

} // namespace vt::engine
