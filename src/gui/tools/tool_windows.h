#pragma once
#include <memory>

namespace vt::gui {

class DataTransferWindow;
class MainWindow;
class RAnalysisWindow;
class ReferenceListWindow;
class SqlModuleWindow;

// The tools: created once over the main window's database and kept for the life of the
// program, shown and hidden.
// They must go before the main window, whose connection they use: keep the set in a
// variable declared after the main window.
struct ToolWindows {
    ToolWindows();
    ~ToolWindows();
    ToolWindows(ToolWindows&&) noexcept;
    ToolWindows& operator=(ToolWindows&&) noexcept;
    std::unique_ptr<SqlModuleWindow> sqlModule;
    std::unique_ptr<DataTransferWindow> dataTransfer;
    std::unique_ptr<RAnalysisWindow> rAnalysis;          // opened by the browser
    std::unique_ptr<ReferenceListWindow> referenceList;  // the browser's "show references"
};

// Creates the tool windows and gives "S&QL - module" and "Data &Transfer" of the main
// window their windows.
ToolWindows install_tool_windows(MainWindow& main);

} // namespace vt::gui
