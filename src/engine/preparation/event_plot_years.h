#pragma once
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vt::engine {

// The plot-years with management events, ascending, as the input check meets them when the
// events are stored in plot-year order (plot ids and years whole numbers).
class EventPlotYears {
public:
    // Called with the events in stored order; false when they are out of plot-year order
    // (the years are then dropped, and the caller stops).
    bool add(long long plot, long long year)
    {
        if (!plotYears_.empty()) {
            const auto& last = plotYears_.back();
            if (plot == last.first && year == last.second) return true;
            if (plot < last.first || (plot == last.first && year < last.second)) return outOfOrder();
        }
        plotYears_.emplace_back(plot, year);
        return true;
    }
    // The first year after `year` in which plot `plot` has an event; nothing when there is none.
    std::optional<long long> nextYear(long long plot, long long year) const;

private:
    bool outOfOrder();

    std::vector<std::pair<long long, long long>> plotYears_;
};

} // namespace vt::engine
