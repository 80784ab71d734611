#pragma once
#include "eval/chart_series.h"
#include "eval/fit_statistics.h"

#include <functional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// Number text for the statistics list: the user's number format.
using NumberFormat = std::function<std::string(long double)>;
// The shortest form of the value rounded to 12 significant digits, with a decimal point
// (base::format_statistic).
std::string display_number(long double v);

// Adds one pair of observed and simulated values to the sums (year for the trend of the
// differences).
void add_pair(PairSums& sums, double year, double observed, double simulated);

// One property's model evaluation: accumulates pairs of observed and simulated values
// of a plot, draws them into the three chart series, and reports or stores the
// goodness-of-fit statistics. One accumulator per property lives as long as the
// browser; reset() starts the next plot.
class StatsAccumulator {
public:
    // `table` is the statistics table that store() writes ("rux_stat_corg", ...).
    explicit StatsAccumulator(std::string table, NumberFormat format = display_number);

    const std::string& table() const { return table_; }
    long long plot() const { return plot_; }
    const PairSums& sums() const { return sums_; }
    const std::vector<std::string>& lines() const { return lines_; }
    const DynamicsChart& chart() const { return chart_; }

    // Empties the sums, the text list and the chart series and records the plot.
    void reset(long long plot);
    // One pair of a year: counted when `counted` and not an outlier, s > 0 and o != 0;
    // drawn into the series as the pair allows.
    void add(double year, bool counted, bool notOutlier, double simulated, double observed);
    // The statistics of the pairs so far; nullopt for fewer than two.
    std::optional<FitStatistics> statistics() const { return fit_statistics(sums_); }
    // Appends the report lines to the text list (nothing for fewer than two pairs).
    void report();
    // Writes the statistics into the plot's row of the statistics table (nothing for
    // fewer than two pairs). Throws db::DbError when the update fails.
    void store(db::Connection& c) const;
    // The update statement store() runs; empty for fewer than two pairs. SB, NU and LC
    // are written only when `withDecomposition`.
    std::string storeStatement(bool withDecomposition) const;

private:
    std::string table_;
    NumberFormat format_;
    long long plot_ = 0;
    PairSums sums_;
    std::vector<std::string> lines_;
    DynamicsChart chart_;
};

} // namespace vt::eval
