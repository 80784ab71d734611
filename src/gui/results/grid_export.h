#pragma once
#include "eval/table_data.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace vt::gui {

// Opens a file with the desktop's program for it (text editor, spreadsheet, PDF reader)
// without waiting for that program; false when no program could be started for it
// (a machine without a desktop or without a program for the type). A test replaces the
// opener to see what was opened.
bool open_with_desktop(const QString& path);
void set_desktop_opener(std::function<void(const QString&)> opener);

// "==> xls" of a result page: with `makeCsv` the semicolon text "rux_output.txt" in the
// working folder, opened in the text editor; otherwise a new workbook "rux_output.xlsx"
// beside it, opened in the spreadsheet program (numbers rounded when `roundTo` is set).
// A file that cannot be written is reported, and so is a written file that no program
// opens (the message names it); returns the file written, empty on failure.
QString export_grid(QWidget* parent, const eval::Table& table, bool makeCsv, std::optional<int> roundTo = {});

} // namespace vt::gui
