#include "gui/results/results_menu.h"

#include "gui/app/main_window.h"
#include "gui/results/nbalance_window.h"
#include "gui/results/statistics_update.h"
#include "gui/simulator/simulator_window.h"
#include "gui/widgets/dialog_hooks.h"

#include <QMenuBar>

namespace vt::gui {

void refresh_outlier_indication(MainWindow& main, StatisticsUpdate& statistics)
{
    if (main.runActive()) show_message(&main, "refresh outlier indication", "A run is in progress.");
    else statistics.refreshOutlierIndication();
}

ResultsMenu install_results_menu(MainWindow& main, SimulatorWindow& simulator)
{
    const bool german = main.state().german();
    auto connection = [&main] { return main.session().connection(); };
    ResultsMenu m;
    m.nbalance = new NBalanceWindow(connection, [&main] { return main.runActive(); }, german, &main);
    m.statistics = new StatisticsUpdate(connection, &main, &main);
    m.statistics->setGerman(german);

    QMenu* menu = main.menuBar()->addMenu(german ? "&Ergebnisse" : "&Results");
    menu->setObjectName("results_menu");
    menu->addAction("RUX-simulator", &main, [&simulator] {
        simulator.singlemode = false;
        simulator.autoclick = false;
        simulator.show();
        simulator.raise();
    })->setObjectName("open_simulator");
    menu->addAction(german ? "N-Bilanz" : "N-balance", &main, [m] {
        m.nbalance->show();
        m.nbalance->raise();
    })->setObjectName("open_nbalance");
    menu->addSeparator();
    menu->addAction("refresh outlier indication", &main, [&main, m] { refresh_outlier_indication(main, *m.statistics); })
        ->setObjectName("refresh_outliers");
    menu->addAction(german ? "Statistik aktualisieren" : "Update-Statistics", &main, [&main, m] {
        if (main.runActive()) show_message(&main, "Update-Statistics", "A run is in progress.");
        else m.statistics->updateStatistics();
    })->setObjectName("update_statistics");
    if (german)
        for (const char* name : {"open_nbalance", "update_statistics"})
            if (auto* a = menu->findChild<QAction*>(name)) a->setVisible(false);
    return m;
}

} // namespace vt::gui
