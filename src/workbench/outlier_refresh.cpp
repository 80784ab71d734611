#include "workbench/outlier_refresh.h"

#include "db/connection.h"
#include "workbench/browser_common.h"

namespace vt::workbench {

eval::OutlierSummary refresh_outlier_indication(db::Connection& c)
{
    if (!c.tableExists("measurements")) throw BrowserInputError("the database has no table measurements");
    return eval::prepare_outlier_indication(c);
}

std::string outlier_refresh_report(const eval::OutlierSummary& s)
{
    return std::to_string(s.groups) + " groups tested, " + std::to_string(s.flagged) + " observations flagged";
}

} // namespace vt::workbench
