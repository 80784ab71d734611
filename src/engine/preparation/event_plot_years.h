#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vt::engine {

// The plot-years with management events, as the input check meets them in the stored order
// of the events (plot ids and years whole numbers), ascending and each once after finish().
class EventPlotYears {
public:
    // Called with the events in stored order.
    void add(long long plot, long long year)
    {
        if (!plotYears_.empty()) {
            const auto& last = plotYears_.back();
            if (plot == last.first && year == last.second) return;
            if (plot < last.first || (plot == last.first && year < last.second)) inStoredOrder_ = false;
        }
        plotYears_.emplace_back(plot, year);
        if (!inStoredOrder_ && plotYears_.size() >= compactAt_) compact();
    }
    // A later event has a lower row id than the one before it (a table read in another order).
    void outOfOrder() { inStoredOrder_ = false; }
    // Sorts the plot-years of events met out of order; called once all are added.
    void finish();
    // Whether the events lay in plot-year order by row id.
    bool inStoredOrder() const { return inStoredOrder_; }
    // The first year after `year` in which plot `plot` has an event; nothing when there is none.
    std::optional<long long> nextYear(long long plot, long long year) const;

private:
    void compact();

    std::vector<std::pair<long long, long long>> plotYears_;
    bool inStoredOrder_ = true;
    // Events out of order repeat plot-years far apart: the list is sorted and its repeats
    // dropped whenever it reaches this size, so that it stays near the count of plot-years.
    std::size_t compactAt_ = 1 << 16;
};

} // namespace vt::engine
