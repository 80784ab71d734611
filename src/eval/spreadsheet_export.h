#pragma once
#include "eval/table_data.h"

#include <optional>
#include <string>

namespace vt::eval {

struct XlsxOptions {
    // Round numbers to this many decimals (the nitrogen balance copies with 4).
    std::optional<int> roundTo;
    std::string sheetName = "Sheet1";
};

// Writes a table as a new workbook: the column names in row 1, each row below in the
// next row, numbers as numbers, texts as texts (UTF-8; text that is not valid UTF-8 is
// read as Latin-1), empty values as empty cells. Throws std::runtime_error with the
// writer's message when the file cannot be written or the table does not fit a sheet.
void write_xlsx(const std::string& path, const Table& table, const XlsxOptions& options = {});

// The text of a value as the exports write it.
std::string export_text(const db::Value& v);

// The semicolon text export "rux_output.txt": a line of the column titles, then one line
// per row, each value followed by "; " except the last. Throws std::runtime_error when
// the file cannot be written.
void write_text_export(const std::string& path, const Table& table);

// The default file name of the text export.
inline constexpr const char* kTextExportFile = "rux_output.txt";

} // namespace vt::eval
