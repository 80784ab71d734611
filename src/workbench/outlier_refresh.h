#pragma once
#include "eval/outlier_indication.h"

#include <string>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// "refresh outlier indication", wherever it is chosen (the browser's root menu, the result
// tools, the command line): Grubbs' test anew over the observations of simulated years;
// the flagged observations get weight 0, all others 1. A database without observations
// is refused with BrowserInputError.
eval::OutlierSummary refresh_outlier_indication(db::Connection& c);
// The line that reports a refresh on the command line (the desktop program words it in the
// interface's language).
std::string outlier_refresh_report(const eval::OutlierSummary& s);

} // namespace vt::workbench
