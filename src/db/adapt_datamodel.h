#pragma once
#include <functional>
#include <string>

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
// method (vtn_setting), which it hands to `storeMethode` when one is given (the settings
// keep a copy as "methode"). Changes nothing on an up-to-date database.
//
// Housekeeping that may fail harmlessly (a key that exists, a list that cannot be built)
// is skipped; any other failure ends the adaptation with DbError carrying the engine's
// message. The steps done until then stay, and the next connect completes the rest.
using MethodeSink = std::function<void(const std::string& methode)>;
AdaptResult adapt_datamodel(Connection& c, const MethodeSink& storeMethode);

} // namespace vt::db
