// The main window's database: connect at start, change it, pick it from the history.
#include "gui/app/main_window.h"

#include "gui/app/access_import.h"
#include "gui/app/database_path_dialog.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/app/settings_dialog.h"

#include <QComboBox>
#include <QFileInfo>
#include "config/settings_keys.h"

namespace vt::gui {

bool MainWindow::openWithRetry(const QString& path)
{
    QString tried = path;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (is_access_file(tried)) {
            QString error;
            tried = import_access_file(this, tried, !unattended_, error);
            if (tried.isEmpty()) {
                message(tr("Access import"), error);
                return false;
            }
        }
        try {
            session_.open(tried.toStdString());
            state_.db_f_name = tried.toStdString();
            state_.methode = session_.methode();
            setWindowTitle(QString::fromStdString(session_.caption()));
            emit databaseChanged();
            return true;
        } catch (const std::exception& e) {
            const QString reason = QString::fromStdString(e.what());
            if (attempt == 0 && !unattended_) {
                tried = DatabasePathDialog::ask(this, tried, reason);
                if (tried.isEmpty()) {
                    message("DB error", reason);
                    return false;
                }
            } else {
                message("DB error", reason);
                return false;
            }
        }
    }
    return false;
}

void MainWindow::recordConnection()
{
    if (!session_.isOpen()) return;
    const auto path = session_.path();
    state_.db_f_name = path;
    settings_.reload();
    settings_.setText(config::key::database, path);
    settings_.setText(config::key::dbq, path);
    try {
        settings_.save();
    } catch (const std::exception& e) {
        message(tr("settings"), QString::fromStdString(e.what()));
    }
}

void MainWindow::connectAtShow()
{
    if (state_.db_f_name != "?" && openWithRetry(QString::fromStdString(state_.db_f_name))) {
        recordConnection();
        addToHistory(QString::fromStdString(state_.db_f_name));
    }
    settingsDialog_->loadSettings(true);
}

void MainWindow::addToHistory(const QString& path)
{
    const auto before = history_.entries().size();
    history_.add(path.toStdString());
    if (history_.entries().size() != before) {
        try {
            history_.save();
        } catch (const std::exception& e) {
            message(tr("history"), QString::fromStdString(e.what()));
        }
    }
    refreshHistoryList();
}

void MainWindow::refreshHistoryList()
{
    historyList_->clear();
    for (const auto& e : history_.entries()) historyList_->addItem(QString::fromStdString(e));
    historyList_->setCurrentIndex(history_.indexOf(state_.db_f_name));
}

void MainWindow::changeDatabase()
{
    const auto file = choose_open_file(this, QString::fromStdString(database_dialog_title(state_)),
                                       QFileInfo(QString::fromStdString(state_.db_f_name)).absolutePath(),
                                       database_file_filter());
    if (!file.isEmpty()) switchDatabase(file);
}

bool MainWindow::switchDatabase(const QString& path)
{
    if (runActive()) {
        message("DB error", "A run is in progress; the database cannot be changed now.");
        return false;
    }
    if (!openWithRetry(path)) {
        refreshHistoryList();  // the selection goes back to the database still open
        return false;
    }
    recordConnection();
    addToHistory(QString::fromStdString(state_.db_f_name));
    return true;
}

} // namespace vt::gui
