#include "gui/tools/tool_windows.h"

#include "gui/app/main_window.h"
#include "gui/tools/data_transfer_window.h"
#include "gui/tools/r_analysis_window.h"
#include "gui/tools/reference_list_window.h"
#include "gui/tools/sql_module_window.h"

namespace vt::gui {

ToolWindows::ToolWindows() = default;
ToolWindows::~ToolWindows() = default;
ToolWindows::ToolWindows(ToolWindows&&) noexcept = default;
ToolWindows& ToolWindows::operator=(ToolWindows&&) noexcept = default;

ToolWindows install_tool_windows(MainWindow& main)
{
    auto connection = [&main] { return main.session().connection(); };
    ToolWindows w;
    w.dataTransfer = std::make_unique<DataTransferWindow>(connection);
    w.rAnalysis = std::make_unique<RAnalysisWindow>(connection, main.settings());
    w.referenceList = std::make_unique<ReferenceListWindow>(connection, main.settings());
    w.sqlModule = std::make_unique<SqlModuleWindow>(connection);
    const auto busy = [&main] { return main.runActive(); };
    w.sqlModule->setBusyCheck(busy);
    w.dataTransfer->setBusyCheck(busy);
    auto open = [](QWidget* window) {
        window->show();
        window->raise();
        window->activateWindow();
    };
    main.setCommandAction(MainWindow::Command::SqlModule, [open, s = w.sqlModule.get()] { open(s); });
    main.setCommandAction(MainWindow::Command::DataTransfer, [open, t = w.dataTransfer.get()] { open(t); });
    return w;
}

} // namespace vt::gui
