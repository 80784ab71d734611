#pragma once
#include "db/connection.h"
#include "eval/table_data.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vt::cli {

// Opens a database for a command that builds working tables only to show their content
// (evaluate, nbalance); a write-protected one is evaluated in memory, with a note on `note`.
std::unique_ptr<db::Connection> open_database_to_evaluate(const std::string& path, std::ostream& note);

// The plot must exist in field_description; otherwise a CommandError "unknown plot N".
void require_plot(db::Connection& c, long long plot);

// "A:B" as two numbers (A <= B); a CommandError naming the option otherwise.
std::pair<double, double> parse_range(const std::string& text, const std::string& option);

// A table as aligned text columns, numbers with up to four decimals.
void print_table(std::ostream& out, const eval::Table& table);

// Writes a table to .xlsx or to the semicolon text format; one of the paths is set.
void export_table(const eval::Table& table, const std::string& xlsx, const std::string& csv, std::ostream& out,
                  std::optional<int> roundTo = std::nullopt);

} // namespace vt::cli
