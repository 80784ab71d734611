#pragma once
#include "eval/table_data.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace vt::gui {

// Opens a file with the desktop's program for it (text editor, spreadsheet, PDF reader)
// without waiting for that program. A test replaces the opener to see what was opened.
void open_with_desktop(const QString& path);
void set_desktop_opener(std::function<void(const QString&)> opener);

// "==> xls" of a result page: with `makeCsv` the semicolon text "rux_output.txt" in the
// working folder, opened in the text editor; otherwise a new workbook "rux_output.xlsx"
// beside it, opened in the spreadsheet program (numbers rounded when `roundTo` is set).
// A file that cannot be written is reported; returns the file written, empty on failure.
QString export_grid(QWidget* parent, const eval::Table& table, bool makeCsv, std::optional<int> roundTo = {});

} // namespace vt::gui
