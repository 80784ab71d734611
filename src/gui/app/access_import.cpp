#include "gui/app/access_import.h"

#include "import/mdb_import.h"
#include "gui/widgets/dialog_hooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>

#include <optional>

namespace vt::gui {

bool is_access_file(const QString& path) { return path.endsWith(".mdb", Qt::CaseInsensitive); }

QString import_access_file(QWidget* parent, const QString& mdbPath, bool interactive, QString& error)
{
    const QFileInfo source(mdbPath);
    const QString target = source.dir().filePath(source.completeBaseName() + ".db");
    access::MdbImportOptions options;
    if (QFileInfo::exists(target)) {
        if (!interactive) return target;
        if (!ask_question(parent, QCoreApplication::translate("AccessImport", "Access import"),
                          QString("%1 exists already. Import %2 again and replace it ?\n(No: open the existing file)")
                              .arg(QFileInfo(target).fileName(), source.fileName())))
            return target;
        options.force = true;
    }

    QProgressDialog progress("Importing " + source.fileName() + " ...", QString(), 0, 0, parent);
    progress.setWindowTitle(QCoreApplication::translate("AccessImport", "Access import"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);

    // The import waits on a worker thread while the window stays responsive; the Access
    // file itself is read by the reader process the import starts with posix_spawn
    // (veltrano-import), never by a fork of this threaded program.
    access::MdbImportReport report;
    std::optional<std::string> failure;
    auto* thread = QThread::create([&] {
        try {
            report = access::import_mdb(mdbPath.toStdString(), target.toStdString(), options,
                                    [&progress](const access::MdbImportProgress& p) {
                                        const QString text = QString("Importing table %1 of %2: %3")
                                                                 .arg(p.tableNumber)
                                                                 .arg(p.tableCount)
                                                                 .arg(QString::fromStdString(p.table));
                                        QMetaObject::invokeMethod(&progress, [&progress, text, p] {
                                            progress.setMaximum(p.tableCount);
                                            progress.setValue(p.tableNumber);
                                            progress.setLabelText(text);
                                        }, Qt::QueuedConnection);
                                    });
        } catch (const std::exception& e) {
            failure = e.what();
        }
    });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    QCoreApplication::removePostedEvents(&progress);
    progress.reset();

    if (failure) {
        error = QString::fromStdString(*failure);
        return {};
    }
    QStringList notes;
    for (const auto& n : report.notes) notes << QString::fromStdString(n);
    if (!report.adapted && !report.adaptation.empty()) notes << QString::fromStdString(report.adaptation);
    if (!notes.isEmpty() && interactive)
        show_message(parent, QCoreApplication::translate("AccessImport", "Access import"),
                     QString("%1 imported into %2 (%3 tables).\n\n%4")
                         .arg(source.fileName(), QFileInfo(target).fileName())
                         .arg(report.tables.size())
                         .arg(notes.join("\n")));
    return target;
}

} // namespace vt::gui
