#pragma once
#include <string>
#include <vector>

namespace vt::config {
class RuxSettings;
}
namespace vt::db {
class Connection;
}

namespace vt::engine {

// The values of the settings file that a run cannot use, each naming its key: a
// pedotransfer method other than 1..4, a pF outside 0..7 (stored in tenths), a Hassink
// switch other than 0 or 1, a state choice other than 0..2, a switch that is not a
// number. A key that is missing is no problem here (its default applies); a run with a
// problem does not start.
std::vector<std::string> settings_problems(const config::RuxSettings& settings);

// Why the database cannot be run on: empty when it holds the tables a run starts from
// (site_state, field_description, cultivation); otherwise a text naming the file and the
// first table missing. Reads the file's table list only, so that a file that is no
// experiment database (an empty file, another program's database) is left as it was.
std::string experiment_database_problem(db::Connection& c);

} // namespace vt::engine
