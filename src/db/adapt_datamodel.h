#pragma once
#include <string>

namespace vt::config {
class RuxSettings;
}

namespace vt::db {

class Connection;

struct AdaptResult {
    std::string methode;  // the database's model method, trimmed
    std::string caption;  // "Veltrano; Model=" + the stored model text, untrimmed
};

// Brings a database written by an older release up to the current layout; runs every
// time a database is connected. Creates missing work and result tables, widens key
// columns, adds primary keys and missing columns with their fill values, rebuilds an
// outdated rux_nresult, creates the preselection lists and reads the database's model
// method (vtn_setting), which it also stores as "methode" in the settings when
// `settings` is given. Changes nothing on an up-to-date database.
//
// Housekeeping that may fail harmlessly (a key that exists, a list that cannot be built)
// is skipped; any other failure ends the adaptation with DbError carrying the engine's
// message. The steps done until then stay, and the next connect completes the rest.
AdaptResult adapt_datamodel(Connection& c, config::RuxSettings* settings);

} // namespace vt::db
