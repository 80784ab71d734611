#include "cli/eval_output.h"

#include "cli/command_registry.h"
#include "cli/database_file.h"
#include "db/jet_functions.h"
#include "db/output_file.h"
#include "eval/spreadsheet_export.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <stdexcept>

namespace vt::cli {

std::unique_ptr<db::Connection> open_database(const std::string& path, db::Connection::Mode mode)
{
    if (!std::filesystem::is_regular_file(path)) throw CommandError("no database file " + path);
    return std::make_unique<db::Connection>(path, mode);
}

std::unique_ptr<db::Connection> open_database_to_evaluate(const std::string& path, std::ostream& note)
{
    auto c = open_database(path);
    const std::filesystem::path file = std::filesystem::absolute(path);
    // The engine writes a journal beside the file: a write-protected folder protects the file.
    const bool writable = !c->readOnly() && !write_protected(file) && !write_protected(file.parent_path());
    if (writable) return c;
    const auto size = std::filesystem::file_size(file);
    if (size > kEvaluateInMemoryBytes)
        throw CommandError(path + " is read-only, and at " + std::to_string(size >> 20) +
                           " MB too large to be evaluated in memory; copy it to a writable folder");
    auto copy = db::Connection::memory();
    sqlite3_backup* backup = sqlite3_backup_init(copy->handle(), "main", c->handle(), "main");
    const int rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy->handle());
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) throw CommandError("cannot read " + path + ": " + sqlite3_errstr(rc));
    note << "note: " << path << " is read-only: the working tables are built in memory and not kept\n";
    return copy;
}

void require_plot(db::Connection& c, long long plot)
{
    if (!c.tableExists("field_description"))
        throw CommandError("the database has no table field_description");
    if (c.scalar("SELECT Count(*) FROM field_description WHERE FL_ID=?", {plot}).toInt() == 0)
        throw CommandError("unknown plot " + std::to_string(plot));
}

std::pair<double, double> parse_range(const std::string& text, const std::string& option)
{
    const auto colon = text.find(':');
    auto number = [&](const std::string& s, double& v) {
        if (s.empty()) return false;
        char* end = nullptr;
        v = std::strtod(s.c_str(), &end);
        return end && *end == '\0' && std::isfinite(v);
    };
    double a = 0, b = 0;
    if (colon == std::string::npos || !number(text.substr(0, colon), a) || !number(text.substr(colon + 1), b) || a > b)
        throw CommandError(option + " expects FROM:TO with FROM <= TO, not \"" + text + "\"");
    return {a, b};
}

namespace {
std::string shown(const db::Value& v)
{
    if (!v.isReal()) return v.toString();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v.toDouble());
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}
} // namespace

void print_table(std::ostream& out, const eval::Table& table)
{
    std::vector<std::size_t> width;
    for (const auto& c : table.columns) width.push_back(c.size());
    std::vector<std::vector<std::string>> cells;
    for (const auto& row : table.rows) {
        std::vector<std::string> line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line.push_back(shown(row[i]));
            width[i] = std::max(width[i], line.back().size());
        }
        cells.push_back(std::move(line));
    }
    auto emit = [&](const std::vector<std::string>& line) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i) out << "  ";
            out << std::string(width[i] - std::min(width[i], line[i].size()), ' ') << line[i];
        }
        out << '\n';
    };
    emit(table.columns);
    for (const auto& line : cells) emit(line);
}

void export_table(const eval::Table& table, const std::string& xlsx, const std::string& csv, std::ostream& out,
                  std::optional<int> roundTo)
{
    try {
        if (!xlsx.empty()) {
            eval::XlsxOptions options;
            options.roundTo = roundTo;
            eval::write_xlsx(xlsx, table, options);
            out << "wrote " << table.rows.size() << " rows to " << xlsx << '\n';
        } else if (!csv.empty()) {
            eval::write_text_export(csv, table);
            out << "wrote " << table.rows.size() << " rows to " << csv << '\n';
        }
    } catch (const std::runtime_error& e) {
        throw CommandError(e.what(), 1);
    }
}

void refuse_open_database_as_output(const std::string& xlsx, const std::string& csv)
{
    for (const auto& path : {xlsx, csv})
        if (!path.empty() && db::is_open_database(path))
            throw CommandError(path + ": this is the open database; choose another output file");
}

} // namespace vt::cli
