#include "cli/command_registry.h"
#include "cli/eval_output.h"
#include "workbench/command_data.h"
#include "workbench/database_file.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct ExportOptions {
    std::string db, query, table, xlsx, csv;
};

void run_export(const ExportOptions& o, Context& ctx)
{
    // Read-only: an export query cannot change the database.
    auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Read);
    workbench::refuse_open_database_as_output(o.xlsx, o.csv);
    const eval::Table rows = o.table.empty() ? workbench::query_rows(*c, o.query) : workbench::table_rows(*c, o.table);
    export_table(rows, o.xlsx, o.csv, ctx.out);
}

const Registrar reg("export", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<ExportOptions>();
    auto* cmd = app.add_subcommand("export", "Write a table or a query to a spreadsheet (.xlsx) or a text file");
    cmd->add_option("--db", o->db, "Database file")->required();
    auto* q = cmd->add_option("--query", o->query, "The query whose rows are exported");
    auto* t = cmd->add_option("--table", o->table, "Table to export");
    q->excludes(t);
    auto* x = cmd->add_option("--xlsx", o->xlsx, "Write a workbook");
    auto* s = cmd->add_option("--csv", o->csv, "Write the semicolon text format");
    x->excludes(s);
    cmd->callback([o, q, t, x, s, &ctx] {
        if (q->empty() && t->empty()) throw CommandError("export needs --query or --table");
        if (x->empty() && s->empty()) throw CommandError("export needs --xlsx or --csv");
        run_export(*o, ctx);
    });
});

} // namespace

} // namespace vt::cli
