#include "eval/spreadsheet_export.h"

#include <xlsxwriter.h>

#include "db/output_file.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace vt::eval {

namespace {

constexpr std::size_t kMaxRows = 1048576;
constexpr std::size_t kMaxColumns = 16384;
constexpr std::size_t kMaxCellText = 32767;

bool valid_utf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
        i += len;
    }
    return true;
}

std::string latin1_to_utf8(const std::string& s)
{
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Text as the sheet stores it: valid UTF-8, no control characters XML cannot hold, and
// no longer than a cell takes (cut at a character boundary).
std::string cell_text(const std::string& raw)
{
    std::string s = valid_utf8(raw) ? raw : latin1_to_utf8(raw);
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && ch != '\t' && ch != '\n' && ch != '\r') continue;
        out += ch;
    }
    if (out.size() > kMaxCellText) {
        std::size_t cut = kMaxCellText;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) >> 6) == 0x2) --cut;
        out.resize(cut);
    }
    return out;
}

void check(lxw_error e, const std::string& path)
{
    if (e != LXW_NO_ERROR) throw std::runtime_error(path + ": " + lxw_strerror(e));
}

void write_workbook(const std::string& temp, const std::string& path, const Table& table, const XlsxOptions& options)
{
    lxw_workbook* wb = workbook_new(temp.c_str());
    if (!wb) throw std::runtime_error(path + ": cannot create the workbook");
    lxw_worksheet* ws = workbook_add_worksheet(wb, options.sheetName.c_str());
    if (!ws) {
        workbook_close(wb);
        throw std::runtime_error(path + ": cannot add a worksheet");
    }
    try {
        for (std::size_t col = 0; col < table.columns.size(); ++col)
            check(worksheet_write_string(ws, 0, static_cast<lxw_col_t>(col), cell_text(table.columns[col]).c_str(),
                                         nullptr),
                  path);
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const auto row = static_cast<lxw_row_t>(r + 1);
            const auto& values = table.rows[r];
            for (std::size_t col = 0; col < values.size() && col < table.columns.size(); ++col) {
                const db::Value& v = values[col];
                const auto cc = static_cast<lxw_col_t>(col);
                if (v.isNull()) continue;
                if (v.isNumber() && std::isfinite(v.toDouble())) {
                    double d = v.toDouble();
                    if (options.roundTo) {
                        const double f = std::pow(10.0, *options.roundTo);
                        d = std::round(d * f) / f;
                    }
                    check(worksheet_write_number(ws, row, cc, d, nullptr), path);
                } else {
                    check(worksheet_write_string(ws, row, cc, cell_text(export_text(v)).c_str(), nullptr), path);
                }
            }
        }
    } catch (...) {
        workbook_close(wb);
        throw;
    }
    check(workbook_close(wb), path);
}

} // namespace

void write_xlsx(const std::string& path, const Table& table, const XlsxOptions& options)
{
    if (table.rows.size() + 1 > kMaxRows || table.columns.size() > kMaxColumns)
        throw std::runtime_error(path + ": the table is larger than a worksheet (1048576 rows, 16384 columns)");
    db::write_output_file(path, [&](const std::string& temp) { write_workbook(temp, path, table, options); });
}

} // namespace vt::eval
