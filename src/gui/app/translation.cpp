#include "gui/app/translation.h"

#include "base/text.h"

#include <QCoreApplication>
#include <QTranslator>

#include <cstring>
#include <iostream>
#include <memory>

namespace vt::gui {

namespace {

// The translation files name a window's texts by its class name alone ("MainWindow"), as
// lupdate sees it; tr() asks with the qualified name ("vt::gui::MainWindow").
class InterfaceTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override
    {
        static const char kPrefix[] = "vt::gui::";
        if (context && std::strncmp(context, kPrefix, sizeof kPrefix - 1) == 0) context += sizeof kPrefix - 1;
        return QTranslator::translate(context, sourceText, disambiguation, n);
    }
};

} // namespace

QString translation_locale(const std::string& language)
{
    const auto code = base::to_upper(base::trim(language));
    if (code == "D") return "de";
    return {};
}

bool install_translation(const std::string& language)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const QString locale = translation_locale(language);
    if (locale.isEmpty()) return true;
    auto translator = std::make_unique<InterfaceTranslator>();
    // qt_add_translations embeds the compiled files under :/i18n.
    if (!translator->load(":/i18n/veltrano_" + locale + ".qm")) {
        std::cerr << "veltrano: no translation for language " << language << "; the interface stays English\n";
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

} // namespace vt::gui
