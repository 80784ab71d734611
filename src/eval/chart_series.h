#pragma once
#include <array>
#include <vector>

namespace vt::eval {

struct ChartPoint {
    double x;  // calendar year
    double y;  // value
};

// The points of one dynamics chart as plain data: the page draws them as it likes.
struct DynamicsChart {
    enum Series { Simulated = 0, Observed = 1, Outliers = 2 };

    std::array<std::vector<ChartPoint>, 3> series;
    // Plotting bounds of everything added since the last reset.
    double lastYear = 0;      // year of the last pair added
    double firstYear = 9999;
    double lastYearSeen = 0;
    double smallest = 9999;   // smallest positive value
    double largest = 0;

    void clear() { *this = DynamicsChart{}; }
};

} // namespace vt::eval
