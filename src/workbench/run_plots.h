#pragma once
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The plots of the next run as the simulator's "database" page lists them.
struct PlotTable {
    std::vector<std::string> columns;            // FL_ID, i_con, site_description, Location, station, profile
    std::vector<std::vector<std::string>> rows;  // as text, by FL_ID
};

// The plots whose site_state.status is 1, with their climate station and soil profile:
// the rows the run reads (the engine's own query), ordered by FL_ID. Throws DbError.
PlotTable plots_of_next_run(db::Connection& c);

} // namespace vt::workbench
