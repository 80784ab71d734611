#include "engine/preparation/plot_selection.h"

#include "db/connection.h"

namespace vt::engine {

std::string selected_plot_condition(db::Connection& db, const std::string& column)
{
    const std::string list = column + " IN (SELECT FL_ID FROM site_state WHERE status=1)";
    try {
        auto r = db.query("SELECT COUNT(*), COUNT(DISTINCT FL_ID), COUNT(CASE typeof(FL_ID) WHEN 'integer' THEN 1 END),"
                          " MIN(FL_ID), MAX(FL_ID), MAX(FL_ID) - MIN(FL_ID) + 1 FROM site_state WHERE status=1");
        const long long n = r.field(0).toInt();
        if (n > 0 && r.field(1).toInt() == n && r.field(2).toInt() == n && r.field(5).toDouble() == static_cast<double>(n))
            return column + " BETWEEN " + std::to_string(r.field(3).toInt()) + " AND " + std::to_string(r.field(4).toInt()) +
                   " AND " + column + " = CAST(" + column + " AS INTEGER)";
    } catch (const db::DbError&) {
        // the list holds for any site_state
    }
    return list;
}

} // namespace vt::engine
