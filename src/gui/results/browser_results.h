#pragma once
#include "gui/results/results_menu.h"

namespace vt::gui {

class BrowserWindow;
class BrowserRunController;
class ResultPageSet;

struct BrowserResults {
    ResultPageSet* pages = nullptr;
    BrowserRunController* runs = nullptr;
};

// Puts the result pages into the browser's pages, fills them whenever the browser loads a
// plot, and carries out the browser's runs ("model run (plot)", "database simulation",
// "experiment simulation"), "Update-Statistics" and the nitrogen balance through the
// result tools.
BrowserResults install_browser_results(MainWindow& main, SimulatorWindow& simulator, BrowserWindow& browser,
                                       const ResultsMenu& tools);

} // namespace vt::gui
