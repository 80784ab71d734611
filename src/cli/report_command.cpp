// veltrano-cli report: simulated and observed soil organic carbon of the plots of the last
// run, at the observation years, with the mean error and RMSE of each plot and of all.

#include "cli/command_registry.h"
#include "db/connection.h"
#include "engine/balance/deviation_summary.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace vt::cli {

namespace {

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string padded(std::string s, size_t width)
{
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

void print_statistics(std::ostream& out, const std::string& label, const std::vector<double>& diffs)
{
    const engine::DeviationSummary s = engine::summarise_deviations(diffs);
    out << label << "n=" << s.n << "  mean error=" << fixed(s.meanError, 3) << "  RMSE=" << fixed(s.rmse, 3)
        << " (% C, observed - simulated)\n";
}

void run(const std::string& file, Context& ctx)
{
    if (!std::filesystem::is_regular_file(file)) throw CommandError("database not found: " + file);
    db::Connection c(file, db::Connection::Mode::ReadOnly);
    if (!c.tableExists("sim_result")) throw CommandError("no simulation results in " + file);
    const std::vector<engine::SocPair> pairs = engine::soc_pairs(c);
    if (pairs.empty()) {
        ctx.out << "No simulated soil organic carbon with observations; run the model first.\n";
        return;
    }
    std::map<long long, std::string> names;
    for (auto cur = c.query("select FL_ID, Location, site_description from field_description"); !cur.eof(); cur.next())
        names[cur.getInt("FL_ID")] = cur.getString("Location") + " - " + cur.getString("site_description");

    std::vector<double> all, plot;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const engine::SocPair& p = pairs[i];
        if (i == 0 || pairs[i - 1].fl_id != p.fl_id) {
            plot.clear();
            ctx.out << "\nPlot " << p.fl_id << "  " << names[p.fl_id] << '\n'
                    << "   year  year_num  observed  simulated  obs-sim\n";
        }
        const double d = p.observed - p.simulated;
        plot.push_back(d);
        all.push_back(d);
        ctx.out << padded(std::to_string(p.year), 7) << padded(std::to_string(p.year_num), 10)
                << padded(fixed(p.observed, 3), 10) << padded(fixed(p.simulated, 3), 11) << padded(fixed(d, 3), 9)
                << '\n';
        if (i + 1 == pairs.size() || pairs[i + 1].fl_id != p.fl_id) print_statistics(ctx.out, "   ", plot);
    }
    ctx.out << '\n';
    print_statistics(ctx.out, "All plots: ", all);
}

const Registrar registrar("report", [](CLI::App& app, Context& ctx) {
    auto file = std::make_shared<std::string>();
    auto* sub = app.add_subcommand(
        "report", "Simulated and observed soil organic carbon (%) of the last run's plots at the observation years");
    sub->add_option("--db", *file, "The database file")->required();
    sub->callback([file, &ctx] { run(*file, ctx); });
});

} // namespace

} // namespace vt::cli
