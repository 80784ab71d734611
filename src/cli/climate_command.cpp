#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/eval_output.h"
#include "workbench/climate_csv.h"
#include "workbench/climate_stations.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct ClimateOptions {
    std::string db, file;
    long long station = -1;
    bool deposition = false;
};

workbench::ClimateSeries series(const ClimateOptions& o)
{
    return o.deposition ? workbench::ClimateSeries::Deposition : workbench::ClimateSeries::Weather;
}

void require_station(db::Connection& c, long long id)
{
    if (!workbench::station_exists(c, id)) throw CommandError("unknown climate station " + std::to_string(id));
}

void run_export(const ClimateOptions& o, Context& ctx)
{
    auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Read);
    require_station(*c, o.station);
    try {
        workbench::export_climate_csv(*c, o.station, series(o), o.file);
    } catch (const std::runtime_error& e) {
        throw CommandError(e.what());
    }
    ctx.out << (o.deposition ? "N deposition" : "weather") << " of station " << o.station << " written to " << o.file
            << "\n";
}

void run_import(const ClimateOptions& o, Context& ctx)
{
    auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Update);
    require_station(*c, o.station);
    workbench::ClimateImport r;
    try {
        r = workbench::import_climate_csv_file(*c, o.station, series(o), o.file);
    } catch (const workbench::ClimateCsvError& e) {
        throw CommandError(o.file + ", " + e.what() + "; nothing was imported");
    } catch (const db::DbError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw CommandError(e.what());
    }
    ctx.out << (o.deposition ? "reg_ndeposit" : "climate_data") << ": " << r.replaced << " years replaced, " << r.added
            << " years added\n";
}

const Registrar reg("climate", [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("climate", "Exchange a climate station's weather or N deposition with CSV files");
    cmd->require_subcommand(1);
    auto add = [&](const char* name, const char* help, void (*run)(const ClimateOptions&, Context&)) {
        auto o = std::make_shared<ClimateOptions>();
        auto* sub = cmd->add_subcommand(name, help);
        sub->add_option("--db", o->db, "Database file")->required();
        sub->add_option("--station", o->station, "climate_ID of the station")->required();
        sub->add_flag("--deposition", o->deposition, "The N deposition (year,N_dep_y) instead of the weather "
                                                     "(year,temperature,precipitation)");
        sub->add_option("file", o->file, "CSV file")->required();
        sub->callback([o, run, &ctx] { run(*o, ctx); });
    };
    add("export", "Write the station's rows to a CSV file with a header row", run_export);
    add("import", "Check a whole CSV file, then replace or add the station's years in one transaction", run_import);
});

} // namespace

} // namespace vt::cli
