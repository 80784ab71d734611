#pragma once
#include <QString>

#include <string>

namespace vt::gui {

// A text that the workbench returns for display (a message box caption, a fixed message),
// in the interface's language. The workbench words its texts in English; core_texts.cpp
// lists the fixed ones for the translators under the context "workbench". Texts not listed
// (messages that carry names or numbers) are shown as the workbench words them.
QString core_text(const std::string& english);

} // namespace vt::gui
