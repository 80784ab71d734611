#include "workbench/climate_csv.h"

#include "base/number_format.h"
#include "base/text.h"
#include "db/connection.h"
#include "db/output_file.h"
#include "workbench/climate_stations.h"
#include "workbench/params_table_edit.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

namespace vt::workbench {

namespace {

struct SeriesLayout {
    const char* table;
    const char* stationColumn;
    std::vector<const char*> columns;  // after the year
};

SeriesLayout layout(ClimateSeries s)
{
    if (s == ClimateSeries::Weather) return {"climate_data", "climate_ID", {"temperature", "precipitation"}};
    return {"reg_ndeposit", "climate_id", {"N_dep_y"}};
}

std::string csv_number(const db::Value& v) { return v.isNull() ? std::string() : base::format_number(v.toDouble()); }

// Splits one line at the separator; a field in double quotes may hold the separator.
std::vector<std::string> split_fields(const std::string& line, char sep)
{
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted) {
            if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                field += ch;
            }
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == sep) {
            out.push_back(base::trim(field));
            field.clear();
        } else {
            field += ch;
        }
    }
    out.push_back(base::trim(field));
    return out;
}

// A semicolon file may write decimal commas; in a comma file a comma never belongs to a number.
bool read_number(const std::string& text, char sep, double& out) { return workbench::read_number(text, out, sep == ';'); }

std::optional<double> checked_value(const std::string& field, const char* name, double lo, double hi, const char* unit,
                                    char sep, int line)
{
    // An empty value would be stored as NULL, on which the next run of the station's plots fails.
    if (base::trim(field).empty())
        throw ClimateCsvError(line, std::string(name) + " is empty: every year needs a value in " + unit);
    double v = 0;
    if (!read_number(field, sep, v)) throw ClimateCsvError(line, std::string(name) + " \"" + field + "\" is not a number");
    if (v < lo || v > hi)
        throw ClimateCsvError(line, std::string(name) + " " + field + " is outside the plausible range "
                                        + base::format_number(lo) + " to " + base::format_number(hi) + " " + unit);
    return v;
}

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

std::string climate_csv_text(db::Connection& c, long long stationId, ClimateSeries series)
{
    const auto l = layout(series);
    std::string sql = "select [year]";
    std::string text = "year";
    for (const char* col : l.columns) {
        sql += std::string(", ") + col;
        text += std::string(",") + col;
    }
    text += "\n";
    sql += std::string(" from ") + l.table + " where " + l.stationColumn + "=? order by [year]";
    auto cur = c.query(sql, {db::Value(stationId)});
    for (; !cur.eof(); cur.next()) {
        text += std::to_string(cur.field(0).toInt());
        for (std::size_t i = 0; i < l.columns.size(); ++i) text += "," + csv_number(cur.field(static_cast<int>(i) + 1));
        text += "\n";
    }
    return text;
}

void export_climate_csv(db::Connection& c, long long stationId, ClimateSeries series, const std::string& path)
{
    const auto text = climate_csv_text(c, stationId, series);
    db::write_output_text(path, text);
}

std::vector<ClimateCsvRow> parse_climate_csv(const std::string& rawText, ClimateSeries series)
{
    std::string text = rawText;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a spreadsheet's byte order mark
    const auto lines = split_lines(text);
    std::size_t headerAt = 0;
    while (headerAt < lines.size() && base::trim(lines[headerAt]).empty()) ++headerAt;
    if (headerAt == lines.size()) throw ClimateCsvError(0, "the file is empty");
    const int headerLine = static_cast<int>(headerAt) + 1;
    const std::string& header = lines[headerAt];
    const char sep = header.find(';') != std::string::npos ? ';' : ',';

    const auto l = layout(series);
    std::vector<std::string> wanted = {"year"};
    for (const char* col : l.columns) wanted.emplace_back(col);
    const auto names = split_fields(header, sep);
    std::vector<int> at(wanted.size(), -1);
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t w = 0; w < wanted.size(); ++w)
            if (base::to_lower(names[i]) == base::to_lower(wanted[w])) {
                if (at[w] >= 0) throw ClimateCsvError(headerLine, "the column " + wanted[w] + " is named twice");
                at[w] = static_cast<int>(i);
            }
    for (std::size_t w = 0; w < wanted.size(); ++w)
        if (at[w] < 0) throw ClimateCsvError(headerLine, "the header has no column " + wanted[w]);

    std::vector<ClimateCsvRow> rows;
    std::map<long long, int> seen;
    for (std::size_t i = headerAt + 1; i < lines.size(); ++i) {
        if (base::trim(lines[i]).empty()) continue;
        const int line = static_cast<int>(i) + 1;
        const auto fields = split_fields(lines[i], sep);
        auto field = [&](std::size_t w) {
            const auto k = static_cast<std::size_t>(at[w]);
            return k < fields.size() ? fields[k] : std::string();
        };
        ClimateCsvRow row;
        row.line = line;
        const auto yearText = field(0);
        double y = 0;
        if (yearText.empty()) throw ClimateCsvError(line, "the year is missing");
        if (!read_number(yearText, sep, y) || y != std::floor(y))
            throw ClimateCsvError(line, "year \"" + yearText + "\" is not a whole number");
        row.year = static_cast<long long>(y);
        if (row.year != 0 && (row.year < kFirstYear || row.year > kLastYear))
            throw ClimateCsvError(line, "year " + yearText + " is neither 0 (the long-term mean) nor between "
                                            + std::to_string(kFirstYear) + " and " + std::to_string(kLastYear));
        if (auto [it, fresh] = seen.emplace(row.year, line); !fresh)
            throw ClimateCsvError(line, "year " + std::to_string(row.year) + " is given twice (also on line "
                                            + std::to_string(it->second) + ")");
        if (series == ClimateSeries::Weather) {
            row.first = checked_value(field(1), "temperature", kMinTemperature, kMaxTemperature, "°C", sep, line);
            row.second = checked_value(field(2), "precipitation", kMinPrecipitation, kMaxPrecipitation, "mm", sep, line);
        } else {
            row.first = checked_value(field(1), "N_dep_y", kMinDeposition, kMaxDeposition, "kg/ha", sep, line);
        }
        rows.push_back(row);
    }
    return rows;
}

ClimateImport import_climate_csv(db::Connection& c, long long stationId, ClimateSeries series, const std::string& text)
{
    const auto rows = parse_climate_csv(text, series);
    if (!station_exists(c, stationId)) throw std::runtime_error("no climate station " + std::to_string(stationId));
    const auto l = layout(series);
    const std::string table = l.table, station = l.stationColumn;
    auto opt = [](const std::optional<double>& v) { return v ? db::Value(*v) : db::Value(); };

    std::string update = "update " + table + " set ";
    std::string insert = "insert into " + table + " (" + station + ", [year]";
    std::string marks = "?, ?";
    for (std::size_t i = 0; i < l.columns.size(); ++i) {
        update += std::string(i ? ", " : "") + l.columns[i] + "=?";
        insert += std::string(", ") + l.columns[i];
        marks += ", ?";
    }
    update += " where " + station + "=? and [year]=?";
    insert += ") values (" + marks + ")";

    ClimateImport r;
    db::Transaction t(c);
    auto upd = c.prepare(update);
    auto ins = c.prepare(insert);
    for (const auto& row : rows) {
        std::vector<db::Value> values = {opt(row.first)};
        if (series == ClimateSeries::Weather) values.push_back(opt(row.second));
        int k = 1;
        for (const auto& v : values) upd.bind(k++, v);
        upd.bind(k++, stationId);
        upd.bind(k, row.year);
        if (upd.execute() > 0) {
            ++r.replaced;
            continue;
        }
        ins.bind(1, stationId);
        ins.bind(2, row.year);
        k = 3;
        for (const auto& v : values) ins.bind(k++, v);
        ins.execute();
        ++r.added;
    }
    t.commit();
    return r;
}

ClimateImport import_climate_csv_file(db::Connection& c, long long stationId, ClimateSeries series,
                                      const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return import_climate_csv(c, stationId, series, text.str());
}

} // namespace vt::workbench
