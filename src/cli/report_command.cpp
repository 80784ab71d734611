// veltrano-cli report: simulated and observed soil organic carbon of the plots of the last
// run, at the observation years, with the mean error and RMSE of each plot and of all.

#include "cli/command_registry.h"
#include "workbench/command_data.h"
#include "workbench/database_file.h"

#include <cstdio>
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

void print_statistics(std::ostream& out, const std::string& label, const workbench::SocDeviation& s)
{
    out << label << "n=" << s.n << "  mean error=" << fixed(s.meanError, 3) << "  RMSE=" << fixed(s.rmse, 3)
        << " (% C, observed - simulated)\n";
}

void run(const std::string& file, Context& ctx)
{
    const auto c = workbench::open_database_file(file, workbench::DatabaseAccess::Read);
    const workbench::SocReport report = workbench::soc_report(*c);
    if (report.plots.empty()) {
        ctx.out << "No simulated soil organic carbon with observations; run the model first.\n";
        return;
    }
    for (const workbench::SocPlot& plot : report.plots) {
        ctx.out << "\nPlot " << plot.plot << "  " << plot.name << '\n'
                << "   year  year_num  observed  simulated  obs-sim\n";
        for (const workbench::SocRow& r : plot.rows)
            ctx.out << padded(std::to_string(r.year), 7) << padded(std::to_string(r.yearNum), 10)
                    << padded(fixed(r.observed, 3), 10) << padded(fixed(r.simulated, 3), 11)
                    << padded(fixed(r.observed - r.simulated, 3), 9) << '\n';
        print_statistics(ctx.out, "   ", plot.deviation);
    }
    ctx.out << '\n';
    print_statistics(ctx.out, "All plots: ", report.all);
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
