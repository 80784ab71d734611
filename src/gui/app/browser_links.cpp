#include "gui/app/browser_links.h"

#include "gui/app/main_window.h"
#include "gui/browser/basic_info_page.h"
#include "gui/browser/browser_window.h"
#include "gui/climate/climate_window.h"
#include "gui/params/initial_som_dialog.h"
#include "gui/params/parameter_window.h"
#include "gui/params/simple_soil_dialog.h"
#include "gui/params/soil_profile_page.h"
#include "gui/tools/reference_list_window.h"

#include <QEvent>

#include <functional>

namespace vt::gui {

namespace {

// Calls `closed` once when the watched window is hidden: the climate window is a window of
// its own, shown modally on the browser's request.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget* watched, std::function<void()> closed) : QObject(watched), closed_(std::move(closed))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide) {
            watched->removeEventFilter(this);
            auto closed = std::move(closed_);
            deleteLater();
            if (closed) closed();
        }
        return false;
    }

private:
    std::function<void()> closed_;
};

} // namespace

void link_browser_windows(MainWindow& main, BrowserWindow& browser, ReferenceListWindow* references)
{
    BasicInfoPage* page = browser.basicInfoPage();

    if (InitialSomDialog* som = main.initialSomDialog()) {
        QObject::connect(page, &BasicInfoPage::reproductionIndexRequested, som, [som](long long flId) {
            if (som->setPlot(flId)) som->exec();
        });
        QObject::connect(som, &InitialSomDialog::repixSaved, page, [page](double repix) { page->showRepix(repix); });
    }

    QObject::connect(page, &BasicInfoPage::soilEditRequested, page, [&main, page](long long soilId) {
        ParameterWindow* parameters = main.parameterWindow();
        if (main.state().power && parameters) {
            parameters->prepareShow();
            parameters->showPage(ParameterWindow::SoilProfiles);
            parameters->soilPage()->showSoil(soilId);
            parameters->exec();
            page->chooseSoilKey(parameters->soilPage()->currentSoil());
            return;
        }
        if (SimpleSoilDialog* soil = main.simpleSoilDialog()) {
            soil->setProfileName(page->soilName());
            soil->exec();
            page->chooseSoil(soil->profileName());
        }
    });

    QObject::connect(page, &BasicInfoPage::weatherEditRequested, page, [&main, page](long long climateId) {
        ClimateWindow* climate = main.climateWindow();
        if (!climate) return;
        climate->prepareShow();
        climate->selectStation(climateId);
        climate->setWindowModality(Qt::ApplicationModal);
        new HideWatcher(climate, [climate, page] {
            climate->setWindowModality(Qt::NonModal);
            page->chooseStation(climate->currentStation());
        });
        climate->show();
        climate->raise();
        climate->activateWindow();
    });

    if (references)
        QObject::connect(page, &BasicInfoPage::referencesRequested, references, [references](long long flId) {
            references->showPlot(flId);
            references->show();
            references->raise();
            references->activateWindow();
        });
}

} // namespace vt::gui
