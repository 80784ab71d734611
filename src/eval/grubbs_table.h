#pragma once

namespace vt::db {
class Connection;
}

namespace vt::eval {

// The two-sided critical value of Grubbs' statistic at significance 0.05 for a sample of
// n observations (3 <= n); -99 for smaller samples, which are never tested.
double grubbs_critical(int n);

// Creates z_grubbs (N, ZGRUBB for N = 1 to 200) when it cannot be opened; an existing
// table is kept. Returns whether it was created.
bool ensure_grubbs_table(db::Connection& c);

} // namespace vt::eval
