#pragma once
#include "db/database_traits.h"

#include <string>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// What the windows ask of the open database. The regional check and the method are the
// engine's own (src/db/database_traits.h), so a window, the command line and a run never
// disagree on them.

// Whether the database is regional: management events apply to a share of the plot
// area (cultivation has `part`).
using db::is_regional_database;

// The model method stored in vtn_setting (first row, trimmed); empty when none.
using db::stored_method;

// Stores the method (trimmed) in the first row of vtn_setting, creating the table or the
// row when missing.
using db::store_method;

// "change REGIO mode": gives cultivation the column `part` (regional) or drops it with its
// values (whole plots). Does nothing when the database is in that mode already.
void set_regional_mode(db::Connection& c, bool regional);

} // namespace vt::workbench
