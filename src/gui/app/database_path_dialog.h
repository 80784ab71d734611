#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;

namespace vt::gui {

// The file dialog filter for experiment databases.
QString database_file_filter();

// The window "database connection", shown when a database cannot be opened: the reason, and the path to correct by
// typing or by picking another file.
class DatabasePathDialog : public QDialog {
    Q_OBJECT
public:
    DatabasePathDialog(const QString& path, const QString& error, QWidget* parent = nullptr);
    QString path() const;

    // Asks for a corrected path; empty when cancelled. A test answers it through
    // DialogHooks::setNextFileName.
    static QString ask(QWidget* parent, const QString& path, const QString& error);

private:
    QLineEdit* path_;
};

} // namespace vt::gui
