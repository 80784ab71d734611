#pragma once
#include <QString>

class QWidget;

namespace vt::gui {

// Whether the file is an Access database (*.mdb) that must be imported before use.
bool is_access_file(const QString& path);

// Imports an Access file into a new SQLite database beside it (same name, ".db"),
// showing the progress. When that database exists already, the user chooses between a
// new import and the existing file (without `interactive`, the existing file is used).
// Returns the path of the SQLite database, or empty when the import failed, with the
// reason in `error`.
QString import_access_file(QWidget* parent, const QString& mdbPath, bool interactive, QString& error);

} // namespace vt::gui
