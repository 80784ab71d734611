#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The two yearly series of a climate station that travel as CSV files:
//   weather     "year,temperature,precipitation" (climate_data; year 0: long-term mean)
//   deposition  "year,N_dep_y"                   (reg_ndeposit)
enum class ClimateSeries { Weather, Deposition };

// Plausible values; an import refuses anything outside them.
inline constexpr double kMinTemperature = -30, kMaxTemperature = 40;   // yearly mean, °C
inline constexpr double kMinPrecipitation = 0, kMaxPrecipitation = 6000;  // yearly sum, mm
inline constexpr double kMinDeposition = 0, kMaxDeposition = 500;      // kg N/ha and year
inline constexpr long long kFirstYear = 1000, kLastYear = 3000;        // besides 0

// A file that cannot be imported: what is wrong, and the line (1 = the header; 0 when
// the fault is not on one line).
class ClimateCsvError : public std::runtime_error {
public:
    ClimateCsvError(int line, const std::string& message)
        : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

struct ClimateCsvRow {
    int line = 0;
    long long year = 0;
    // weather: temperature, precipitation; deposition: N_dep_y in `first`. Empty: no value.
    std::optional<double> first, second;
};

// The station's rows as CSV text: a header row, then one comma-separated row per year in
// year order; numbers with a decimal point, empty where no value is stored.
std::string climate_csv_text(db::Connection& c, long long stationId, ClimateSeries series);
// Writes that text to a file; throws std::runtime_error when the file cannot be written.
void export_climate_csv(db::Connection& c, long long stationId, ClimateSeries series, const std::string& path);

// Reads and checks a whole file's text: a header naming the columns (any order, any case;
// other columns are ignored), fields separated by commas or semicolons (a semicolon file
// may write decimal commas), whole years (0 or 1000..3000) each at most once, a value in
// every field, numbers in the plausible ranges. Throws ClimateCsvError naming the first bad
// line.
std::vector<ClimateCsvRow> parse_climate_csv(const std::string& text, ClimateSeries series);

struct ClimateImport {
    int replaced = 0;  // years the station had already
    int added = 0;
};

// Imports a checked file into the station's rows in one transaction: a year the station
// has is replaced, a new year is added, other years stay. Nothing is written when the
// file has a fault (ClimateCsvError) or the station does not exist (std::runtime_error).
ClimateImport import_climate_csv(db::Connection& c, long long stationId, ClimateSeries series, const std::string& text);
ClimateImport import_climate_csv_file(db::Connection& c, long long stationId, ClimateSeries series,
                                      const std::string& path);

} // namespace vt::workbench
