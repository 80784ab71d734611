#include "gui/browser/basic_info_page.h"

#include "gui/widgets/dialog_hooks.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

BasicInfoPage::BasicInfoPage(ConnectionFn connection, QWidget* parent)
    : QWidget(parent), connection_(std::move(connection))
{
    setObjectName("basicInfoPage");
    auto* site = new QGroupBox(tr("Site Conditions"), this);
    auto* form = new QFormLayout(site);
    id_ = new QLabel("-", site);
    id_->setObjectName("plotId");
    form->addRow(tr("ID"), id_);
    plotLabel_ = new QLabel(tr("plot"), site);
    name_ = new QLineEdit(site);
    name_->setObjectName("name");
    form->addRow(plotLabel_, name_);
    herkunft_ = new QLineEdit(site);
    herkunft_->setObjectName("herkunft");
    form->addRow(tr("source"), herkunft_);
    comment_ = new QLineEdit(site);
    comment_->setObjectName("comment");
    form->addRow(tr("state"), comment_);
    area_ = new QLineEdit(site);
    area_->setObjectName("area");
    auto* areaRow = new QHBoxLayout;
    areaRow->addWidget(area_);
    areaRow->addWidget(new QLabel(tr("ha"), site));
    form->addRow(tr("area"), areaRow);

    soilWeather_ = new QGroupBox(site);
    soilWeather_->setFlat(true);
    auto* sw = new QFormLayout(soilWeather_);
    sw->setContentsMargins(0, 0, 0, 0);
    soilLabel_ = new QLabel(tr("soil"), soilWeather_);
    soilLabel_->setObjectName("soilLabel");
    soilLabel_->installEventFilter(this);
    soil_ = new QComboBox(soilWeather_);
    soil_->setObjectName("soil");
    soil_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    sw->addRow(soilLabel_, soil_);
    weatherLabel_ = new QLabel(tr("weather"), soilWeather_);
    weatherLabel_->setObjectName("weatherLabel");
    weatherLabel_->installEventFilter(this);
    weather_ = new QComboBox(soilWeather_);
    weather_->setObjectName("weather");
    weather_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    sw->addRow(weatherLabel_, weather_);
    form->addRow(soilWeather_);

    bat_ = new QLineEdit(site);
    bat_->setObjectName("bat");
    bat_->setReadOnly(true);
    form->addRow(tr("biol. active time [d/yr]"), bat_);
    notill_ = new QComboBox(site);
    notill_->setObjectName("notill");
    notill_->addItems({tr("always"), tr("never")});
    form->addRow(tr("soil ploughed"), notill_);
    init_ = new QComboBox(site);
    init_->setObjectName("initialisation");
    init_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    repix_ = new QPushButton(site);
    repix_->setObjectName("repix");
    repix_->setVisible(false);
    auto* initRow = new QHBoxLayout;
    initRow->addWidget(init_, 1);
    initRow->addWidget(repix_);
    form->addRow(tr("initialisation"), initRow);
    firstYearLabel_ = new QLabel(tr("1st year"), site);
    firstYearLabel_->installEventFilter(this);
    firstYear_ = new QLineEdit("-99", site);
    firstYear_->setObjectName("firstYear");
    firstYear_->setEnabled(false);
    firstYear_->installEventFilter(this);
    form->addRow(firstYearLabel_, firstYear_);

    runPanel_ = new QGroupBox(this);
    auto* run = new QHBoxLayout(runPanel_);
    run->addWidget(new QLabel(tr("repeat"), runPanel_));
    repeat_ = new QSpinBox(runPanel_);
    repeat_->setObjectName("repeat");
    repeat_->setRange(0, 99);
    run->addWidget(repeat_);
    run->addWidget(new QLabel(tr("from"), runPanel_));
    from_ = new QLineEdit("-99", runPanel_);
    from_->setObjectName("from");
    run->addWidget(from_);
    run_ = new QPushButton(tr("model run (plot)"), runPanel_);
    run_->setObjectName("modelRun");
    run->addWidget(run_);
    run->addStretch();

    auto* reports = new QHBoxLayout;
    printSite_ = new QPushButton(tr("print site desc."), this);
    printSite_->setObjectName("printSiteDescription");
    references_ = new QPushButton(tr("show references"), this);
    references_->setObjectName("showReferences");
    reports->addWidget(printSite_);
    reports->addWidget(references_);
    reports->addStretch();

    update_ = new QPushButton(tr("update changes"), this);
    update_->setObjectName("updateChanges");
    update_->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(site);
    layout->addWidget(runPanel_);
    layout->addLayout(reports);
    layout->addWidget(update_);
    layout->addStretch();

    for (auto* e : {herkunft_, comment_, area_}) connect(e, &QLineEdit::editingFinished, this, [this] { markChanged(); });
    connect(name_, &QLineEdit::editingFinished, this, [this] {
        markChanged();
        if (flId_ >= 0) emit renamed(flId_, name_->text());
    });
    connect(notill_, &QComboBox::activated, this, [this] { markChanged(); });
    connect(from_, &QLineEdit::editingFinished, this, [this] { markChanged(); });
    connect(repeat_, &QSpinBox::editingFinished, this, [this] { markChanged(); });
    connect(init_, &QComboBox::activated, this, [this] {
        const QString choice = init_->currentText();
        repix_->setVisible(choice == "RepIX");
        if (choice == "RepIX" && flId_ >= 0) emit reproductionIndexRequested(flId_);
        markChanged();
        emit initialisationChosen(choice);
    });
    connect(repix_, &QPushButton::clicked, this, [this] {
        markChanged();
        if (flId_ >= 0) emit reproductionIndexRequested(flId_);
    });
    // Another soil or station is saved at once.
    connect(soil_, &QComboBox::activated, this, [this] { save(); });
    connect(weather_, &QComboBox::activated, this, [this] { save(); });
    connect(firstYear_, &QLineEdit::editingFinished, this, [this] {
        if (!firstYear_->isEnabled()) return;
        markChanged();
        refillInitialisation({});
        firstYear_->setEnabled(false);
    });
    connect(update_, &QPushButton::clicked, this, [this] { save(); });
    connect(run_, &QPushButton::clicked, this, [this] {
        if (flId_ < 0) return;
        if (changed_ && !save()) return;  // the run uses what the page shows
        emit runRequested(flId_, from_->text().trimmed(), QString::number(repeat_->value()));
    });
    connect(printSite_, &QPushButton::clicked, this, [this] {
        if (flId_ >= 0) emit siteReportRequested(flId_);
    });
    connect(references_, &QPushButton::clicked, this, [this] {
        if (flId_ >= 0) emit referencesRequested(flId_);
    });
}

bool BasicInfoPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == firstYearLabel_) firstYear_->setEnabled(true);
        if (watched == firstYear_) firstYear_->setEnabled(init_->currentText() == "RepIX");
        if (watched == soilLabel_) emit soilEditRequested(soil_->currentData().toLongLong());
        if (watched == weatherLabel_) emit weatherEditRequested(weather_->currentData().toLongLong());
    }
    return QWidget::eventFilter(watched, event);
}

void BasicInfoPage::setChoices(QComboBox* box, const std::vector<workbench::Choice>& list)
{
    box->clear();
    for (const auto& c : list) box->addItem(qs(c.text), QVariant::fromValue<qlonglong>(c.key));
}

void BasicInfoPage::refillKeepingChoices()
{
    const long long station = weather_->currentData().toLongLong();
    const long long soil = soil_->currentData().toLongLong();
    fillChoices();
    selectKey(weather_, station);
    selectKey(soil_, soil);
}

void BasicInfoPage::chooseSoil(const QString& profileName)
{
    refillKeepingChoices();
    if (const int i = soil_->findText(profileName); i >= 0) soil_->setCurrentIndex(i);
    if (flId_ >= 0) save();
}

void BasicInfoPage::chooseSoilKey(long long soilId)
{
    refillKeepingChoices();
    if (soil_->findData(QVariant::fromValue<qlonglong>(soilId)) >= 0) selectKey(soil_, soilId);
    if (flId_ >= 0) save();
}

void BasicInfoPage::chooseStation(long long climateId)
{
    refillKeepingChoices();
    if (weather_->findData(QVariant::fromValue<qlonglong>(climateId)) >= 0) selectKey(weather_, climateId);
    if (flId_ >= 0) save();
}

void BasicInfoPage::showRepix(double repix) { repix_->setText(QString::number(repix, 'f', 2)); }

QString BasicInfoPage::soilName() const { return soil_->currentText(); }

bool BasicInfoPage::selectKey(QComboBox* box, long long key)
{
    const int i = box->findData(QVariant::fromValue<qlonglong>(key));
    box->setCurrentIndex(i);
    return i >= 0;
}

void BasicInfoPage::fillChoices()
{
    auto* c = connection_();
    if (!c) return;
    setChoices(weather_, workbench::station_choices(*c));
    setChoices(soil_, workbench::soil_choices(*c));
}

void BasicInfoPage::refillInitialisation(const QString& select)
{
    auto* c = connection_();
    init_->clear();
    if (!c || flId_ < 0) return;
    auto year = workbench::parse_user_integer(firstYear_->text().toStdString());
    if (year && (*year < -9999 || *year > 9999)) year.reset();
    try {
        for (const auto& e : workbench::initialisation_choices(*c, flId_, year ? static_cast<int>(*year) : -99))
            init_->addItem(qs(e));
        init_->setVisible(true);
    } catch (const std::exception&) {
        init_->setVisible(false);
        return;
    }
    if (select.isEmpty()) {
        init_->setCurrentIndex(-1);
        return;
    }
    int found = init_->findText(select);
    const auto other = workbench::continued_state_plot(select.toStdString(), flId_);
    if (found < 0 && other && *other != flId_) {
        found = 0;  // a plot key that is not offered: "null"
        for (int i = 1; i < init_->count(); ++i)
            if (init_->itemText(i).section(':', 0, 0).trimmed() == select) {
                found = i;
                break;
            }
    }
    init_->setCurrentIndex(found);
}

QString BasicInfoPage::load(long long flId, const workbench::PlotCounts& counts, bool acc)
{
    auto* c = connection_();
    flId_ = flId;
    changed_ = false;
    id_->setText(QString::number(flId));
    if (!c) return {};
    firstYear_->setText("-99");
    if (acc) {
        firstYear_->setText(QString::number(counts.firstEventYear));
        from_->setText(QString::number(counts.firstEventYear));
    }
    if (counts.initialYear) {
        firstYear_->setText(QString::number(*counts.initialYear));
        from_->setText(QString::number(*counts.initialYear));
    }
    const auto d = workbench::read_plot_description(*c, flId);
    if (!d) {
        flId_ = -1;
        return {};
    }
    const QString iCon = qs(d->iCon);
    storedInit_ = iCon;
    if (iCon == "null") {
        firstYear_->setText(QString::number(counts.firstEventYear));
        from_->setText(QString::number(counts.firstEventYear));
    }
    // The first year of a plot continuing another plot's stored state follows that state.
    if (const auto other = workbench::continued_state_plot(d->iCon, flId); other && *other != flId)
        if (const auto y = workbench::continued_first_year(*c, *other)) firstYear_->setText(QString::number(*y));
    refillInitialisation(iCon);

    const auto bat = workbench::simulated_mean_bat(*c, flId);
    bat_->setText(qs(bat));
    const auto rep = workbench::split_rep_cnt(d->repCnt);
    if (rep.from) from_->setText(qs(*rep.from));
    repeat_->setValue(QString::fromStdString(rep.repeat).toInt());
    area_->setText(qs(d->area));
    notill_->setCurrentIndex(d->notill >= 0 && d->notill < notill_->count() ? d->notill : notill_->count() - 1);
    name_->setText(qs(d->name));
    herkunft_->setText(qs(d->herkunft));
    comment_->setText(qs(d->comment));
    repix_->setVisible(iCon == "RepIX");
    repix_->setText(QString::number(d->repix, 'f', 2));

    if (acc) {
        if (const auto narrowed = workbench::experiment_station_choices(*c, flId)) setChoices(weather_, *narrowed);
    } else if (weather_->count() == 0 || weather_->itemData(0).toLongLong() != -99) {
        setChoices(weather_, workbench::station_choices(*c));
    }
    if (!selectKey(weather_, d->climateId) && weather_->count() > 0 && weather_->itemData(0).toLongLong() == -99)
        weather_->setCurrentIndex(0);
    if (!selectKey(soil_, d->soilId)) soil_->setCurrentIndex(0);
    return iCon;
}

QString BasicInfoPage::firstYear() const { return firstYear_->text(); }

void BasicInfoPage::setFirstYear(int year)
{
    firstYear_->setText(QString::number(year));
    from_->setText(QString::number(year));
}

QString BasicInfoPage::currentInitialisation() const { return init_->currentText(); }

void BasicInfoPage::message(const QString& text) { show_message(this, tr("Basic-Info"), text); }

bool BasicInfoPage::save()
{
    auto* c = connection_();
    if (!c || flId_ < 0) return false;
    if (weather_->currentIndex() < 0 || soil_->currentIndex() < 0) {
        message(tr("choose a soil and a weather station first"));
        return false;
    }
    workbench::PlotDescriptionEdit e;
    e.flId = flId_;
    e.name = name_->text().toStdString();
    e.herkunft = herkunft_->text().toStdString();
    e.area = area_->text().toStdString();
    e.climateId = weather_->currentData().toLongLong();
    e.soilId = soil_->currentData().toLongLong();
    e.bat = bat_->text().toStdString();
    e.note = comment_->text().toStdString();
    e.from = from_->text().toStdString();
    e.repeat = QString::number(repeat_->value()).toStdString();
    e.notill = notill_->currentIndex() < 0 ? 0 : notill_->currentIndex();
    e.initialisation = init_->currentText().toStdString();
    try {
        workbench::save_plot_description(*c, e);
    } catch (const std::exception& ex) {
        message(QString::fromStdString(ex.what()));
        return false;
    }
    emit saved(flId_);
    return true;
}

void BasicInfoPage::setRegional(bool regional)
{
    if (regional && !regional_) {
        notill_->addItem(tr("manual input"));
        notill_->setCurrentIndex(2);
    }
    regional_ = regional_ || regional;
}

void BasicInfoPage::setAccMode(bool acc)
{
    init_->setEnabled(!acc || storedInit_ == "null");
    plotLabel_->setText(acc ? QString("Feldstück") : tr("plot"));
}

void BasicInfoPage::setRegioApp(bool regio)
{
    runPanel_->setVisible(!regio);
    soilWeather_->setVisible(!regio);
}

void BasicInfoPage::setRunEnabled(bool enabled) { run_->setEnabled(enabled); }
void BasicInfoPage::setRunVisible(bool visible) { run_->setVisible(visible); }

} // namespace vt::gui
