#pragma once
#include <QString>

#include <string>

namespace vt::gui {

// Installs the translation of the interface language ("E" English, "D" German) into the
// application; English, the language of the source texts, needs none. A second call
// replaces the translation of the first, so windows built afterwards speak the new language.
// Returns false when the language's translation could not be loaded (the interface stays
// English).
bool install_translation(const std::string& language);

// The translation file of a language code: "D" -> "de"; empty for English and unknown codes.
QString translation_locale(const std::string& language);

} // namespace vt::gui
