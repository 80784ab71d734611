#pragma once
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::eval {

// The repetitions of a plot's recorded management years held in rep_cnt: the first year
// of the repeated sequence (four digits) followed by the count ("19903": 3), or the
// count alone in a text of at most four characters. Empty or unreadable text gives 0.
int repetitions_of(const std::string& repCnt);

// Rebuilds tmp_ndeposit, the nitrogen deposition per station and year over the span of
// the plots' records and their repetitions, for one station or all (station 0): the
// station's default and yearly values from reg_ndeposit, then the linear course from
// ndep_0 at year0_nd to ndep_1 at year1_nd of climate_station. Years without a value
// keep -99.9. Throws db::DbError when a statement fails.
void prepare_deposition(db::Connection& c, long long station = 0);

} // namespace vt::eval
