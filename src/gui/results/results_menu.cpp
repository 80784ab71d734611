#include "gui/results/results_menu.h"

#include "gui/app/main_window.h"
#include "gui/results/nbalance_window.h"
#include "gui/results/statistics_update.h"
#include "gui/simulator/simulator_window.h"
#include "gui/widgets/dialog_hooks.h"

#include <QCoreApplication>
#include <QMenuBar>

namespace vt::gui {

void refresh_outlier_indication(MainWindow& main, StatisticsUpdate& statistics)
{
    if (main.runActive()) show_message(&main, QCoreApplication::translate("ResultsMenu", "refresh outlier indication"), QCoreApplication::translate("ResultsMenu", "A run is in progress."));
    else statistics.refreshOutlierIndication();
}

ResultsMenu install_results_menu(MainWindow& main, SimulatorWindow& simulator)
{
    const bool german = main.state().german();
    auto connection = [&main] { return main.session().connection(); };
    ResultsMenu m;
    m.nbalance = new NBalanceWindow(connection, [&main] { return main.runActive(); }, &main);
    m.statistics = new StatisticsUpdate(connection, &main, &main);

    QMenu* menu = main.menuBar()->addMenu(QCoreApplication::translate("ResultsMenu", "&Results"));
    menu->setObjectName("results_menu");
    menu->addAction(QCoreApplication::translate("ResultsMenu", "RUX-simulator"), &main, [&simulator] {
        simulator.singlemode = false;
        simulator.autoclick = false;
        simulator.show();
        simulator.raise();
    })->setObjectName("open_simulator");
    menu->addAction(QCoreApplication::translate("ResultsMenu", "N-balance"), &main, [m] {
        m.nbalance->show();
        m.nbalance->raise();
    })->setObjectName("open_nbalance");
    menu->addSeparator();
    menu->addAction(QCoreApplication::translate("ResultsMenu", "refresh outlier indication"), &main, [&main, m] { refresh_outlier_indication(main, *m.statistics); })
        ->setObjectName("refresh_outliers");
    menu->addAction(QCoreApplication::translate("ResultsMenu", "Update-Statistics"), &main, [&main, m] {
        if (main.runActive()) show_message(&main, QCoreApplication::translate("ResultsMenu", "Update-Statistics"), QCoreApplication::translate("ResultsMenu", "A run is in progress."));
        else m.statistics->updateStatistics();
    })->setObjectName("update_statistics");
    if (german)
        for (const char* name : {"open_nbalance", "update_statistics"})
            if (auto* a = menu->findChild<QAction*>(name)) a->setVisible(false);
    return m;
}

} // namespace vt::gui
