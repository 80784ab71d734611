#pragma once

namespace vt::db {
class Connection;
}

namespace vt::eval {

struct OutlierSummary {
    long long groups = 0;     // plot-property groups tested (3 to 200 observations)
    long long flagged = 0;    // measurements in tmp_outlist
};

// Grubbs' test, one pass, per plot and measured property over the observations of
// simulated years: flags the smallest and the largest observation when they deviate too
// far from the mean, lists them in tmp_outlist and sets measurements.weight to 0 for
// them and 1 for all others. A group whose values are all equal has no outlier.
// Failing statements are skipped as harmless (a missing measurements table leaves the
// result tables absent); only z_grubbs failures throw db::DbError.
OutlierSummary prepare_outlier_indication(db::Connection& c);

} // namespace vt::eval
