#pragma once
#include <QString>

class QWidget;

namespace vt::gui {

// A file dialog for a file to write (the system asks before replacing one); empty when
// cancelled. A test answers it through DialogHooks::setNextFileName.
QString choose_file_to_write(QWidget* parent, const QString& title, const QString& proposed, const QString& filter);

} // namespace vt::gui
