#pragma once
#include "workbench/browser_common.h"
#include "workbench/browser_site.h"

#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vt::db {
class Connection;
}

namespace vt::gui {

// The page "Basic-Info" of the window "DATABASE": the description row of the loaded plot
// (name, origin, note, area, soil, weather station, BAT, tillage, initialisation, the first
// year and repeat count of a run). Leaving a field marks the page changed; the window saves
// it before the next plot is loaded. Choosing a soil or a station saves at once.
class BasicInfoPage : public QWidget {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    explicit BasicInfoPage(ConnectionFn connection, QWidget* parent = nullptr);

    // The station and soil lists (on every showing of the window).
    void fillChoices();
    // Fills the page from the plot's row; `acc` is the application mode before the load.
    // Returns the plot's initialisation (trimmed i_con); empty when the plot is missing.
    QString load(long long flId, const workbench::PlotCounts& counts, bool acc);
    // "update changes": writes the page in one statement. Refused input is shown and
    // nothing is written; returns whether it was stored.
    bool save();
    bool changed() const { return changed_; }
    void clearChanged() { changed_ = false; }
    long long plotId() const { return flId_; }
    QString firstYear() const;
    void setFirstYear(int year);
    QString currentInitialisation() const;
    // Regional mode: "soil ploughed" gets the entry "manual input" (once) and selects it.
    void setRegional(bool regional);
    // The label "plot" reads "Feldstück" in mode "ACC"; the initialisation is locked then,
    // except for a plot that is itself without initial state ("null"), which may be
    // given one ("obsval" and an initial observation).
    void setAccMode(bool acc);
    // The run panel and the soil/weather panel are hidden with appmode "REGIO".
    void setRegioApp(bool regio);
    // "model run (plot)" is offered only when the plot can run.
    void setRunEnabled(bool enabled);
    void setRunVisible(bool visible);
    // The soil or station chosen from outside (after the soil dialog or the climate window
    // closed): the lists are read again, the entry selected and the page saved at once.
    void chooseSoil(const QString& profileName);
    void chooseSoilKey(long long soilId);
    // The reproduction index shown on its button (after the dialog stored it).
    void showRepix(double repix);
    void chooseStation(long long climateId);
    QString soilName() const;

signals:
    void renamed(long long flId, const QString& name);
    // "obsval" or "null" chosen: the application mode follows ("RUX" / "ACC").
    void initialisationChosen(const QString& choice);
    // "model run (plot)", the page's edits saved first: the run's first year and repeat count
    // as typed in "from" and "repeat".
    void runRequested(long long flId, const QString& from, const QString& repeat);
    void reproductionIndexRequested(long long flId);
    void soilEditRequested(long long soilId);
    void weatherEditRequested(long long climateId);
    void saved(long long flId);
    // "print site desc." and "show references".
    void siteReportRequested(long long flId);
    void referencesRequested(long long flId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void markChanged() { changed_ = true; }
    void refillInitialisation(const QString& select);
    // The soil and station lists read again, their entries kept.
    void refillKeepingChoices();
    void message(const QString& text);
    static void setChoices(QComboBox* box, const std::vector<workbench::Choice>& list);
    static bool selectKey(QComboBox* box, long long key);

    ConnectionFn connection_;
    long long flId_ = -1;
    bool changed_ = false;
    bool regional_ = false;
    QString storedInit_;  // i_con of the loaded plot as stored

    QLabel* id_;
    QLabel* plotLabel_;
    QLineEdit* name_;
    QLineEdit* herkunft_;
    QLineEdit* comment_;
    QLineEdit* area_;
    QLabel* soilLabel_;
    QComboBox* soil_;
    QLabel* weatherLabel_;
    QComboBox* weather_;
    QGroupBox* soilWeather_;
    QLineEdit* bat_;
    QComboBox* notill_;
    QComboBox* init_;
    QPushButton* repix_;
    QLabel* firstYearLabel_;
    QLineEdit* firstYear_;
    QGroupBox* runPanel_;
    QSpinBox* repeat_;
    QLineEdit* from_;
    QPushButton* run_;
    QPushButton* update_;
    QPushButton* printSite_;
    QPushButton* references_;
};

} // namespace vt::gui
