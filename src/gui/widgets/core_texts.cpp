#include "gui/widgets/core_texts.h"

#include <QCoreApplication>

namespace vt::gui {

namespace {

// Marked for lupdate only; core_text() looks them up by their English wording.
[[maybe_unused]] const char* const kCoreTexts[] = {
    QT_TRANSLATE_NOOP("workbench", "OPERATION DENIED"),
    QT_TRANSLATE_NOOP("workbench", "please edit first the initial value"),
    QT_TRANSLATE_NOOP("workbench", "the location is empty"),
    QT_TRANSLATE_NOOP("workbench", "the new location is empty"),
    QT_TRANSLATE_NOOP("workbench", "the database has no table measurements"),
    QT_TRANSLATE_NOOP("workbench", "the filter condition must be one expression without ';'"),
    QT_TRANSLATE_NOOP("workbench", "rows are added to cultivation or measurements only"),
    QT_TRANSLATE_NOOP("workbench", "date: not a valid date"),
    QT_TRANSLATE_NOOP("workbench", "background adaptation impossible"),
};

} // namespace

QString core_text(const std::string& english)
{
    return QCoreApplication::translate("workbench", english.c_str());
}

} // namespace vt::gui
