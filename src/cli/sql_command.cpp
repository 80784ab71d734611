#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "cli/eval_output.h"
#include "eval/spreadsheet_export.h"
#include "workbench/sql_module.h"

#include <memory>
#include <ostream>

namespace vt::cli {

namespace {

struct SqlOptions {
    std::string db, script;
    std::vector<std::string> params;
    bool csv = false;
};

std::string csv_field(const std::string& s)
{
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void print_csv(std::ostream& out, const eval::Table& t)
{
    for (std::size_t i = 0; i < t.columns.size(); ++i) out << (i ? "," : "") << csv_field(t.columns[i]);
    out << '\n';
    for (const auto& row : t.rows) {
        for (std::size_t i = 0; i < row.size(); ++i) out << (i ? "," : "") << csv_field(eval::export_text(row[i]));
        out << '\n';
    }
}

// The statement's first line, for the change report.
std::string headline(const std::string& text)
{
    const std::string first = text.substr(0, text.find('\n'));
    return first.size() > 70 ? first.substr(0, 70) + " ..." : first;
}

void run_sql(const SqlOptions& o, Context& ctx)
{
    workbench::SqlModule module;
    try {
        module.loadFile(o.script);
    } catch (const std::exception& e) {
        throw CommandError(e.what());
    }
    for (const auto& p : o.params) {
        const auto eq = p.find('=');
        if (eq == std::string::npos || eq == 0) throw CommandError("--param takes NAME=VALUE, not \"" + p + "\"");
        if (!module.setParameter(p.substr(0, eq), p.substr(eq + 1)))
            throw CommandError("the script has no parameter " + p.substr(0, eq));
    }
    auto c = workbench::open_database_file(o.db, workbench::DatabaseAccess::Update);
    // In CSV mode the standard output holds only the rows; counts go to the error stream.
    std::ostream& notes = o.csv ? ctx.err : ctx.out;
    workbench::SqlModule::Callbacks cb;
    cb.onOutcome = [&](const workbench::StatementOutcome& s) {
        if (!s.ignoredError.empty()) {
            notes << "statement " << s.number << ": error ignored (drop): " << s.ignoredError << '\n';
        } else if (s.dataChange) {
            notes << "statement " << s.number << ": " << s.changed << " rows changed: " << headline(s.text) << '\n';
        } else if (o.csv) {
            print_csv(ctx.out, s.rows);
        } else {
            notes << "statement " << s.number << ": " << s.rows.rows.size() << " rows\n";
            print_table(ctx.out, s.rows);
        }
    };
    try {
        module.execute(*c, cb);
    } catch (const db::DbError& e) {
        throw CommandError(e.what(), 1);
    }
}

const Registrar reg("sql", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<SqlOptions>();
    auto* cmd = app.add_subcommand(
        "sql", "Run an SQL script as the SQL module does: \"go\" lines end statements, \"$\" parameters take "
               "--param values; prints each statement's changed rows or its result rows");
    cmd->add_option("--db", o->db, "Database file")->required();
    cmd->add_option("script", o->script, "SQL script file")->required();
    cmd->add_option("--param", o->params, "A parameter value, NAME=VALUE (NAME with or without \"$\")");
    cmd->add_flag("--csv", o->csv, "Result rows as CSV; the change counts go to the error stream");
    cmd->callback([o, &ctx] { run_sql(*o, ctx); });
});

} // namespace

} // namespace vt::cli
