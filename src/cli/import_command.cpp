// veltrano-cli import OLD.mdb NEW.db [--force] [--skip-broken-tables]
#include "cli/command_registry.h"

#include "import/mdb_import.h"

#include <iomanip>
#include <ostream>

namespace vt::cli {

namespace {

struct ImportArgs {
    std::string source;
    std::string target;
    bool force = false;
    bool skipBroken = false;
};

void run_import(const ImportArgs& a, Context& ctx)
{
    access::MdbImportOptions options;
    options.force = a.force;
    options.skipBrokenTables = a.skipBroken;

    access::MdbImportProgressFn progress;
    if (ctx.errIsTerminal) {
        progress = [&ctx](const access::MdbImportProgress& p) {
            ctx.err << "\r  [" << p.tableNumber << "/" << p.tableCount << "] " << p.table << ": " << p.rows << " of "
                    << p.tableRows << " rows\x1b[K" << std::flush;
        };
    }

    access::MdbImportReport report;
    try {
        report = access::import_mdb(a.source, a.target, options, progress);
    } catch (const access::MdbImportError& e) {
        if (ctx.errIsTerminal) ctx.err << "\r\x1b[K";
        throw CommandError(std::string("import failed: ") + e.what(),
                           e.kind() == access::MdbImportError::Kind::Failed ? 1 : 2);
    }
    if (ctx.errIsTerminal) ctx.err << "\r\x1b[K" << std::flush;

    auto& out = ctx.out;
    out << "Imported " << a.source << " (" << report.format << ") into " << a.target << "\n";
    std::size_t width = 5;
    for (const auto& t : report.tables) width = std::max(width, t.name.size());
    for (const auto& t : report.tables)
        out << "  " << std::left << std::setw(static_cast<int>(width)) << t.name << "  " << std::right << std::setw(9)
            << t.rows << " rows\n";
    out << "  " << std::left << std::setw(static_cast<int>(width)) << "total" << "  " << std::right << std::setw(9)
        << report.totalRows() << " rows in " << report.tables.size() << " tables\n";
    if (!report.skipped.empty()) {
        out << "Skipped tables that cannot be read:\n";
        for (const auto& s : report.skipped) out << "  " << s.name << ": " << s.reason << "\n";
    }
    for (const auto& n : report.notes) out << "Note: " << n << "\n";
    if (report.adapted)
        out << "Schema adaptation: done; model " << report.method << "\n";
    else
        out << "Schema adaptation: not applied (" << report.adaptation << "); the tables were imported as they are\n";
}

const Registrar reg("import", [](CLI::App& app, Context& ctx) {
    auto args = std::make_shared<ImportArgs>();
    auto* cmd = app.add_subcommand("import", "Import an Access database (.mdb) into a new Veltrano database");
    cmd->add_option("source", args->source, "the Access file (read only)")->required();
    cmd->add_option("target", args->target, "the new database file")->required();
    cmd->add_flag("--force", args->force, "replace the target if it exists");
    cmd->add_flag("--skip-broken-tables", args->skipBroken, "leave out tables that cannot be read and list them");
    cmd->callback([args, &ctx] { run_import(*args, ctx); });
});

} // namespace

} // namespace vt::cli
