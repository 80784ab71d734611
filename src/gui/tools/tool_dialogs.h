#pragma once
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace vt::gui {

// A file dialog for a file to write; a test answers it through DialogHooks.
QString choose_save_file(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                         const QString& suffix);

// Opens a document (a PDF, a workbook) with the desktop's program for it. Tests replace
// the opener to see what would be opened.
bool open_document(const QString& path);
void set_document_opener(std::function<bool(const QUrl&)> opener);

} // namespace vt::gui
