#include "gui/widgets/file_to_write.h"

#include "gui/widgets/dialog_hooks.h"

#include <QFileDialog>

namespace vt::gui {

QString choose_file_to_write(QWidget* parent, const QString& title, const QString& proposed, const QString& filter)
{
    QString name;
    if (DialogHooks::takeFileName(name)) return name;
    return QFileDialog::getSaveFileName(parent, title, proposed, filter);
}

} // namespace vt::gui
