#pragma once
#include <QString>

namespace vt::gui {

// The program's own manual, docs/manual.html, beside the executable or in the source
// tree it was built from; empty when it cannot be found.
QString manual_path();

// Opens the manual in the desktop's browser; false when there is none to open.
bool open_manual();

} // namespace vt::gui
