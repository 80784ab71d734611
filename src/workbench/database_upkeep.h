#pragma once
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The upkeep the main window and the settings dialog do on the open database.

// Adds a site_state row (status 0, res_VAL 0) for every plot that has none.
void complete_site_state(db::Connection& c);

// Completes the parameter window's selection lists (gldsel_crop, gldsel_ops) from the
// parameter tables, drops entries whose crop or amendment is gone, and switches the names
// of crops, amendments and actions to the interface language ("E" or "D", any case).
// Only for databases whose gldpflan has NAME_en; each step stands alone, so a database
// without one of the tables still gets the rest.
void sync_selection_lists(db::Connection& c, const std::string& language);

// Deletes every simulated result (rs_table, rux_nresult, rux_zbv): a model change makes
// them meaningless. All or nothing.
void delete_results(db::Connection& c);

// Creates the demo database file; all or nothing (no file is left behind on failure).
void create_demo_file(const std::string& path);

} // namespace vt::workbench
