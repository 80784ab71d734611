#pragma once

namespace vt::gui {

class MainWindow;
class NBalanceWindow;
class SimulatorWindow;
class StatisticsUpdate;

// The main window's menu of the result tools: "RUX-simulator" (the simulator window on
// its own), "N-balance" (the window "RUX N balance"), "refresh outlier indication" and
// "Update-Statistics". The German interface, like the browser's, offers neither the
// nitrogen balance nor the statistics update.
struct ResultsMenu {
    NBalanceWindow* nbalance = nullptr;
    StatisticsUpdate* statistics = nullptr;
};
ResultsMenu install_results_menu(MainWindow& main, SimulatorWindow& simulator);
// "refresh outlier indication", from this menu or the browser's: refused while a run goes on.
void refresh_outlier_indication(MainWindow& main, StatisticsUpdate& statistics);

} // namespace vt::gui
