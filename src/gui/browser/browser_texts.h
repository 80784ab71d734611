#pragma once
#include <QString>

namespace vt::gui {

// The browser's caption for an English text: the German one when `german` is set and a
// German caption exists, else the English text itself.
QString browser_text(const QString& english, bool german);

} // namespace vt::gui
