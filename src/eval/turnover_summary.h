#pragma once
#include "eval/table_data.h"

#include <optional>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// The yearly organic matter balance of a plot for the page "OM-turnover": year_,
// crepflx, repix, c2atm, csomloss, soilcarbon, saldo, bat, refix, each reduced to one
// decimal (the largest tenth not above the value).
struct TurnoverSummary {
    Table rows;
    // Mean of crepflx over the years: the plot's mean carbon reproduction.
    std::optional<double> meanReproduction;
};

TurnoverSummary turnover_summary(db::Connection& c, long long plot);

} // namespace vt::eval
