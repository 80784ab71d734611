#include "engine/preparation/plot_selection.h"

#include "db/connection.h"

namespace vt::engine {

std::optional<PlotRange> selected_plot_range(db::Connection& db)
{
    try {
        auto r = db.query("SELECT COUNT(*), COUNT(DISTINCT FL_ID), COUNT(CASE typeof(FL_ID) WHEN 'integer' THEN 1 END),"
                          " MIN(FL_ID), MAX(FL_ID), MAX(FL_ID) - MIN(FL_ID) + 1 FROM site_state WHERE status=1");
        const long long n = r.field(0).toInt();
        if (n > 0 && r.field(1).toInt() == n && r.field(2).toInt() == n && r.field(5).toDouble() == static_cast<double>(n))
            return PlotRange{r.field(3).toInt(), r.field(4).toInt()};
    } catch (const db::DbError&) {
        // no range for any site_state
    }
    return std::nullopt;
}

std::string plot_range_condition(const PlotRange& range, const std::string& column)
{
    return column + " BETWEEN " + std::to_string(range.first) + " AND " + std::to_string(range.last) + " AND " + column +
           " = CAST(" + column + " AS INTEGER)";
}

std::string selected_plot_condition(const std::optional<PlotRange>& range, const std::string& column)
{
    if (range) return plot_range_condition(*range, column);
    return column + " IN (SELECT FL_ID FROM site_state WHERE status=1)";
}

std::string selected_plot_condition(db::Connection& db, const std::string& column)
{
    return selected_plot_condition(selected_plot_range(db), column);
}

} // namespace vt::engine
