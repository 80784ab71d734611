#include "workbench/browser_tree.h"

#include "base/text.h"
#include "db/connection.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace vt::workbench {

std::string TreeExperiment::label() const { return experiment_label(location, vcode); }

std::string experiment_label(const std::string& location, const std::string& code) { return location + "   <" + code + ">"; }

std::string get_location(const std::string& label)
{
    const auto p = label.find('<');
    if (p == std::string::npos) return label;
    return base::trim(label.substr(0, p));
}

std::string get_vcode(const std::string& label)
{
    const auto p = label.find('<');
    if (p == std::string::npos) return "?";
    if (label.size() < p + 2) return "";
    return label.substr(p + 1, label.size() - p - 2);
}

std::string root_label(const std::string& path)
{
    if (path.size() <= 35) return path;
    return path.substr(0, 16) + "..." + path.substr(path.size() - 16);
}

BrowserTree read_browser_tree(db::Connection& c)
{
    BrowserTree tree;
    if (!c.tableExists("field_description")) return tree;

    // Whether each plot has results (a simulated value and a mean above 0), summed in one
    // sequential pass over sim_result: no index needed and no sort of its millions of rows.
    std::unordered_set<long long> withResults;
    if (c.tableExists("sim_result")) {
        struct Sum {
            long long n = 0, values = 0;
            double sum = 0;
        };
        std::unordered_map<long long, Sum> sums;
        auto stmt = c.prepare("select fl_id, m_ix is not null, sim_value from sim_result");
        long long last = 0;
        Sum* cur = nullptr;
        while (stmt.step()) {
            const long long id = stmt.columnInt(0);
            if (!cur || id != last) {
                cur = &sums[id];
                last = id;
            }
            cur->n += stmt.columnInt(1);
            if (!stmt.columnIsNull(2)) {
                ++cur->values;
                cur->sum += stmt.columnDouble(2);
            }
        }
        for (const auto& [id, s] : sums)
            if (s.n > 0 && s.values > 0 && s.sum / static_cast<double>(s.values) > 0) withResults.insert(id);
    }

    auto p = c.query("select FL_ID, site_description, Location, versuch_code, i_con from field_description");
    std::map<std::string, std::vector<int>> byLocation;
    std::map<std::pair<std::string, std::string>, bool> experiments;
    for (; !p.eof(); p.next()) {
        TreePlot plot;
        plot.flId = p.field(0).toInt();
        plot.name = p.field(1).toString();
        plot.location = p.field(2).toString();
        plot.vcode = p.field(3).toString();
        plot.iCon = base::trim(p.field(4).toString());
        plot.hasResults = withResults.count(plot.flId) > 0;
        byLocation[plot.location].push_back(static_cast<int>(tree.plots.size()));
        experiments[{plot.location, plot.vcode}] = true;
        tree.plots.push_back(std::move(plot));
    }

    std::unordered_set<std::string> referenced;
    if (c.tableExists("ref2vcode")) {
        auto r = c.query("select distinct versuchs_code from ref2vcode");
        for (; !r.eof(); r.next()) referenced.insert(r.field(0).toString());
    }

    for (auto& [loc, list] : byLocation)
        std::stable_sort(list.begin(), list.end(), [&](int a, int b) {
            const auto& pa = tree.plots[a];
            const auto& pb = tree.plots[b];
            return pa.name != pb.name ? pa.name < pb.name : pa.flId < pb.flId;
        });
    for (const auto& [key, unused] : experiments) {
        (void)unused;
        TreeExperiment e;
        e.location = key.first;
        e.vcode = key.second;
        e.hasReferences = referenced.count(e.vcode) > 0;
        e.plots = byLocation[e.location];
        tree.experiments.push_back(std::move(e));
    }
    return tree;
}

} // namespace vt::workbench
