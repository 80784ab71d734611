#include "workbench/results_runs.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/cursor.h"

#include <cstdlib>

namespace vt::workbench {

void select_single_plot(db::Connection& c, long long plot)
{
    db::Transaction t(c);
    c.execute("update site_state set status=0");
    c.execute("update site_state set status=1 where FL_id=?", {plot});
    t.commit();
}

std::vector<SelectionEntry> database_selection(db::Connection& c)
{
    std::vector<SelectionEntry> entries;
    for (auto cur = c.query("select fl_id, location, site_description from field_description order by fl_id");
         !cur.eof(); cur.next()) {
        const long long id = cur.getInt("fl_id");
        entries.push_back({id, " " + std::to_string(id) + ": " + cur.getString("location") + " - " +
                                   cur.getString("site_description")});
    }
    return entries;
}

std::vector<SelectionEntry> experiment_selection(db::Connection& c, const ExperimentPlots& e)
{
    std::vector<SelectionEntry> entries;
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition(e, params);
    // Plots started from observed values first; plots without any i_con are not listed.
    for (auto cur = c.query("select FL_ID, site_description, Herkunft, i_con from field_description "
                            " where i_con is not null and " + where + " order by i_con desc, FL_ID",
                            params);
         !cur.eof(); cur.next()) {
        const long long id = cur.getInt("FL_ID");
        entries.push_back({id, std::to_string(id) + ": " + cur.getString("site_description") + "  ===>   " +
                                   cur.getString("Herkunft")});
    }
    return entries;
}

std::optional<long long> selection_plot(const std::string& entry)
{
    const std::string head = base::trim(entry.substr(0, entry.find(':')));
    if (head.empty()) return std::nullopt;
    char* end = nullptr;
    const long long id = std::strtoll(head.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    return id;
}

void select_plots_for_run(db::Connection& c, const std::vector<long long>& plots)
{
    db::Transaction t(c);
    c.execute("update site_state set status=0, res_val=1");
    auto mark = c.prepare("update site_state set status=1 where FL_id=?");
    for (long long p : plots) {
        mark.bind(1, p);
        mark.execute();
    }
    c.execute("UPDATE site_state SET res_val = 0 WHERE FL_ID IN "
              " (SELECT FL_ID FROM field_description WHERE trim(i_con)='null')");
    t.commit();
}

long long selected_plot_count(db::Connection& c)
{
    return c.scalar("select count(*) from site_state where status=1").toInt();
}

std::optional<double> mean_bat_of_run(db::Connection& c, long long plot)
{
    if (!c.tableExists("tmp_bat")) return std::nullopt;
    const auto v = c.scalar("SELECT sum(BAT)/count(BAT) FROM tmp_bat WHERE FL_ID=? GROUP BY FL_ID", {plot});
    if (v.isNull()) return std::nullopt;
    return v.toDouble();
}

void store_mean_bat(db::Connection& c, long long plot, double meanBat)
{
    c.execute("update field_description set mw_bat=? where fl_id=?", {meanBat, plot});
}

std::string plot_initial_condition(db::Connection& c, long long plot)
{
    return base::trim(c.scalar("select i_con from field_description where FL_ID=?", {plot}).toString());
}

} // namespace vt::workbench
