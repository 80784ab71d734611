#include "gui/tools/tool_dialogs.h"

#include "gui/widgets/dialog_hooks.h"

#include <QDesktopServices>
#include <QFileDialog>

namespace vt::gui {

namespace {
std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> f = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return f;
}
} // namespace

QString choose_save_file(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                         const QString& suffix)
{
    QString name;
    if (!DialogHooks::takeFileName(name)) {
        QFileDialog d(parent, title, dir, filter);
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setDefaultSuffix(suffix);
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
        name = d.selectedFiles().first();
    }
    return name;
}

bool open_document(const QString& path) { return opener()(QUrl::fromLocalFile(path)); }

void set_document_opener(std::function<bool(const QUrl&)> f) { opener() = std::move(f); }

} // namespace vt::gui
