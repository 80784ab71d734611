#include "eval/spreadsheet_export.h"

#include "db/output_file.h"

#include <fstream>
#include <stdexcept>

namespace vt::eval {

std::string export_text(const db::Value& v) { return v.toString(); }

namespace {

void write_text_table(const std::string& temp, const std::string& path, const Table& table)
{
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error(path + ": cannot write the file");
    auto line = [&out](const auto& items, auto text) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            out << text(items[i]);
            if (i + 1 < items.size()) out << "; ";
        }
        out << '\n';
    };
    line(table.columns, [](const std::string& s) { return s; });
    for (const auto& row : table.rows) line(row, [](const db::Value& v) { return export_text(v); });
    out.flush();
    if (!out) throw std::runtime_error(path + ": writing the file failed");
}

} // namespace

void write_text_export(const std::string& path, const Table& table)
{
    db::write_output_file(path, [&](const std::string& temp) { write_text_table(temp, path, table); });
}

} // namespace vt::eval
