#include "gui/app/manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vt::gui {

QString manual_path()
{
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + "/docs/manual.html", dir + "/../docs/manual.html",
                                     dir + "/../share/doc/veltrano/manual.html",
                                     QString(VELTRANO_SOURCE_DIR) + "/docs/manual.html"}) {
        if (QFileInfo::exists(candidate)) return QFileInfo(candidate).canonicalFilePath();
    }
    return {};
}

bool open_manual()
{
    const auto path = manual_path();
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace vt::gui
