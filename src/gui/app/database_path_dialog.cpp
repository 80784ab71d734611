#include "gui/app/database_path_dialog.h"

#include "gui/widgets/dialog_hooks.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt::gui {

QString database_file_filter() { return "SQLite databases (*.db *.sqlite);;Access databases, imported (*.mdb)"; }

DatabasePathDialog::DatabasePathDialog(const QString& path, const QString& error, QWidget* parent) : QDialog(parent)
{
    setObjectName("DatabasePathDialog");
    setWindowTitle(tr("database connection"));
    auto* reason = new QLabel(error.isEmpty() ? tr("Database file:") : tr("The database could not be opened:") + "\n" + error, this);
    reason->setWordWrap(true);
    path_ = new QLineEdit(path, this);
    path_->setObjectName("path");
    path_->setMinimumWidth(380);
    auto* browse = new QPushButton("...", this);
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, [this] {
        const auto file = choose_open_file(this, tr("Where is the database ?"), QFileInfo(path_->text()).absolutePath(),
                                           database_file_filter());
        if (!file.isEmpty()) path_->setText(file);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(path_);
    row->addWidget(browse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(reason);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

QString DatabasePathDialog::path() const { return path_->text().trimmed(); }

QString DatabasePathDialog::ask(QWidget* parent, const QString& path, const QString& error)
{
    QString name;
    if (DialogHooks::takeFileName(name)) return name;
    DatabasePathDialog dialog(path, error, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.path() : QString();
}

} // namespace vt::gui
