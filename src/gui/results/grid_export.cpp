#include "gui/results/grid_export.h"

#include "eval/spreadsheet_export.h"
#include "gui/widgets/dialog_hooks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <stdexcept>

namespace vt::gui {

namespace {
std::function<void(const QString&)>& opener()
{
    static std::function<void(const QString&)> o;
    return o;
}
} // namespace

void set_desktop_opener(std::function<void(const QString&)> o) { opener() = std::move(o); }

bool open_with_desktop(const QString& path)
{
    if (!opener()) return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    opener()(path);
    return true;
}

QString export_grid(QWidget* parent, const eval::Table& table, bool makeCsv, std::optional<int> roundTo)
{
    const QString path = QDir::current().absoluteFilePath(makeCsv ? eval::kTextExportFile : "rux_output.xlsx");
    try {
        if (makeCsv) {
            eval::write_text_export(path.toStdString(), table);
        } else {
            eval::XlsxOptions options;
            options.roundTo = roundTo;
            eval::write_xlsx(path.toStdString(), table, options);
        }
    } catch (const std::exception& e) {
        show_message(parent, QCoreApplication::translate("ExportBar", "==> xls"), QString::fromStdString(e.what()));
        return {};
    }
    if (!open_with_desktop(path))
        show_message(parent, QCoreApplication::translate("ExportBar", "==> xls"), QCoreApplication::translate("ExportBar", "The file was written, but no program opens it here:\n") + path);
    return path;
}

} // namespace vt::gui
