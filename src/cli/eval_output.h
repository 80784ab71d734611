#pragma once
#include "db/connection.h"
#include "eval/table_data.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vt::cli {

// Opens an existing database file for the evaluation commands; a missing file is a
// CommandError.
std::unique_ptr<db::Connection> open_database(const std::string& path,
                                              db::Connection::Mode mode = db::Connection::Mode::ReadWrite);

// Opens a database for a command that builds working tables only to show their content
// (evaluate, nbalance). A write-protected file, or one in a write-protected folder, is
// copied into memory, where the working tables are built and left (with a note on `note`);
// a file too large for that is a CommandError saying so.
inline constexpr std::uintmax_t kEvaluateInMemoryBytes = 1ULL << 30;
std::unique_ptr<db::Connection> open_database_to_evaluate(const std::string& path, std::ostream& note);

// The plot must exist in field_description; otherwise a CommandError "unknown plot N".
void require_plot(db::Connection& c, long long plot);

// "A:B" as two numbers (A <= B); a CommandError naming the option otherwise.
std::pair<double, double> parse_range(const std::string& text, const std::string& option);

// A table as aligned text columns, numbers with up to four decimals.
void print_table(std::ostream& out, const eval::Table& table);

// Refuses (exit code 2) an output file that is the database the command has open, before
// any work is done; export_table refuses it as well.
void refuse_open_database_as_output(const std::string& xlsx, const std::string& csv);

// Writes a table to .xlsx or to the semicolon text format; one of the paths is set.
void export_table(const eval::Table& table, const std::string& xlsx, const std::string& csv, std::ostream& out,
                  std::optional<int> roundTo = std::nullopt);

} // namespace vt::cli
