#pragma once
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::gui {

// Database work of the main window and the settings dialog.

// Adds a site_state row (status 0, res_VAL 0) for every plot that has none.
void complete_site_state(db::Connection& c);

// Completes the parameter window's selection lists from the parameter tables, drops
// entries whose crop or amendment is gone, and switches the names of crops,
// amendments and actions to the interface language ("E" or "D"). Only for databases
// whose gldpflan has NAME_en.
void sync_selection_lists(db::Connection& c, const std::string& language);

// The model method stored in vtn_setting (first row, trimmed); empty when none.
std::string stored_method(db::Connection& c);

// Stores the method in the first row of vtn_setting, creating the table or the row
// when missing.
void store_method(db::Connection& c, const std::string& method);

// Creates the demo database file; all or nothing (no file is left behind on failure).
void create_demo_file(const std::string& path);

// Deletes every simulated result: a model change makes them meaningless.
void delete_results(db::Connection& c);

} // namespace vt::gui
