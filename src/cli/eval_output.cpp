#include "cli/eval_output.h"

#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "workbench/command_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <stdexcept>

namespace vt::cli {

std::unique_ptr<db::Connection> open_database_to_evaluate(const std::string& path, std::ostream& note)
{
    bool inMemory = false;
    auto c = workbench::open_database_to_evaluate(path, inMemory);
    if (inMemory) note << "note: " << path << " is read-only: the working tables are built in memory and not kept\n";
    return c;
}

void require_plot(db::Connection& c, long long plot)
{
    if (!workbench::known_plot(c, plot)) throw CommandError("unknown plot " + std::to_string(plot));
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
        workbench::export_table(table, xlsx, csv, roundTo);
    } catch (const std::runtime_error& e) {
        throw CommandError(e.what(), 1);
    }
    if (!xlsx.empty() || !csv.empty())
        out << "wrote " << table.rows.size() << " rows to " << (xlsx.empty() ? csv : xlsx) << '\n';
}

} // namespace vt::cli
