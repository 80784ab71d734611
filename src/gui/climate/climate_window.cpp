#include "gui/climate/climate_window.h"

#include "db/connection.h"
#include "gui/app/main_window.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/widgets/file_to_write.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"
#include "workbench/climate_csv.h"
#include "workbench/climate_stations.h"

#include <QDate>
#include <algorithm>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

ClimateWindow::ClimateWindow(MainWindow& main, QWidget* parent) : QWidget(parent, Qt::Window), main_(main)
{
    setObjectName("ClimateWindow");
    setWindowTitle(tr("RUX climate data"));
    auto conn = [this] { return connection(); };
    stations_ = new TableEditModel(conn, this, this);
    weather_ = new TableEditModel(conn, this, this);
    deposition_ = new TableEditModel(conn, this, this);
    historic_ = new TableEditModel(conn, this, this);
    for (auto* m : {stations_, weather_, deposition_, historic_}) m->setWriteGuard([this] { return mayWrite(); });
    stations_->setSource({"climate_station", "", {}, {"climate_ID"}});
    stations_->setVisibleColumns({"climate_ID", "station"});
    stations_->setEditable(false);  // read-only until "edit"
    weather_->setVisibleColumns({"climate_ID", "day", "month", "year", "temperature", "precipitation"});
    weather_->setReadOnlyColumns({"climate_ID"});
    deposition_->setVisibleColumns({"climate_id", "year", "N_dep_y"});
    deposition_->setReadOnlyColumns({"climate_id"});
    historic_->setVisibleColumns({"climate_ID", "station", "year0_nd", "ndep_0", "year1_nd", "ndep_1"});
    historic_->setReadOnlyColumns({"climate_ID"});
    buildLayout();
    applyColumnTitles();
    connect(stations_, &TableEditModel::changed, this, [this] {
        historic_->reload();
        emit stationsChanged();
    });
    connect(historic_, &TableEditModel::changed, this, [this] { stations_->reload(); });
}

db::Connection* ClimateWindow::connection() const { return main_.session().connection(); }

bool ClimateWindow::mayWrite()
{
    if (!main_.runActive()) return true;
    show_message(this, windowTitle(), tr("A model run is using the database. Change the climate data when it has ended."));
    return false;
}

void ClimateWindow::buildLayout()
{
    auto* layout = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    overview_ = new QLabel(tr("Station Overview "), this);
    overview_->setObjectName("overview");
    left->addWidget(overview_);
    stationView_ = grid_view(stations_, "stations", this);
    stationView_->setMinimumWidth(260);
    left->addWidget(stationView_, 1);
    auto* nav = new QHBoxLayout;
    auto* first = named_button("|<", "first", this);
    auto* last = named_button(">|", "last", this);
    editList_ = named_button(tr("edit"), "edit_list", this);
    editList_->setCheckable(true);
    auto* refresh = named_button(tr("refresh"), "refresh_list", this);
    for (auto* b : {first, last, editList_, refresh}) nav->addWidget(b);
    left->addLayout(nav);
    name_ = new QLineEdit("-?-", this);
    name_->setObjectName("name");
    left->addWidget(name_);
    create_ = named_button(tr("create new station"), "create", this);
    delete_ = named_button(tr("delete current station"), "delete", this);
    close_ = named_button(tr("close"), "close", this);
    for (auto* b : {create_, delete_, close_}) left->addWidget(b);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    pages_ = new QTabWidget(this);
    pages_->setObjectName("pages");
    weatherView_ = grid_view(weather_, "weather", pages_);
    depositionView_ = grid_view(deposition_, "deposition", pages_);
    historicView_ = grid_view(historic_, "historic", pages_);
    pages_->addTab(weatherView_, tr("weather"));
    pages_->addTab(depositionView_, tr("annual N-deposition"));
    pages_->addTab(historicView_, tr("historic N-Deposisition"));
    right->addWidget(pages_, 1);
    auto* pageNav = new QHBoxLayout;
    auto* add = named_button(tr("add row"), "add_row", this);
    auto* remove = named_button(tr("delete row"), "delete_row", this);
    auto* refreshPage = named_button(tr("refresh"), "refresh_page", this);
    importCsv_ = named_button(tr("import CSV"), "import_csv", this);
    exportCsv_ = named_button(tr("export CSV"), "export_csv", this);
    for (auto* b : {add, remove, refreshPage, importCsv_, exportCsv_}) pageNav->addWidget(b);
    right->addLayout(pageNav);
    layout->addLayout(right, 1);

    connect(first, &QPushButton::clicked, this, [this] {
        if (stations_->rowCount() > 0) stationClicked(0);
    });
    connect(last, &QPushButton::clicked, this, [this] {
        if (stations_->rowCount() > 0) stationClicked(stations_->rowCount() - 1);
    });
    connect(editList_, &QPushButton::toggled, this, [this](bool on) { stations_->setEditable(on); });
    connect(refresh, &QPushButton::clicked, this, &ClimateWindow::reloadAll);
    connect(stationView_, &QTableView::clicked, this, [this](const QModelIndex& i) { stationClicked(i.row()); });
    connect(create_, &QPushButton::clicked, this, &ClimateWindow::createStation);
    connect(delete_, &QPushButton::clicked, this, &ClimateWindow::deleteStation);
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);
    connect(add, &QPushButton::clicked, this, &ClimateWindow::addPageRow);
    connect(remove, &QPushButton::clicked, this, &ClimateWindow::deletePageRow);
    connect(refreshPage, &QPushButton::clicked, this, &ClimateWindow::loadPages);
    connect(importCsv_, &QPushButton::clicked, this, &ClimateWindow::importCsv);
    connect(exportCsv_, &QPushButton::clicked, this, &ClimateWindow::exportCsv);
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        const bool csv = page != Historic;
        importCsv_->setEnabled(csv);
        exportCsv_->setEnabled(csv);
    });
    resize(1000, 520);
}

void ClimateWindow::applyColumnTitles()
{
    const QMap<QString, QString> titles = {{"climate_id", tr("ID")},
                                           {"station", tr("Station")},
                                           {"day", tr("day")},
                                           {"month", tr("month")},
                                           {"year", tr("year")},
                                           {"temperature", tr("temperature [°C]")},
                                           {"precipitation", tr("precipitation [mm]")},
                                           {"n_dep_y", tr("N-dep. [kg/ha]")},
                                           {"year0_nd", tr("basic year")},
                                           {"ndep_0", tr("N-dep(basic)")},
                                           {"year1_nd", tr("final year")},
                                           {"ndep_1", tr("N-dep(modern)")}};
    for (auto* m : {stations_, weather_, deposition_, historic_}) m->setTitles(titles);
}

void ClimateWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    pages_->setCurrentIndex(Weather);
    setNameFieldFree(name_->text() == "-?-");
    pages_->setTabVisible(Historic, main_.state().power);
}

void ClimateWindow::prepareShow()
{
    name_->setText("-?-");
    station_ = -1;
    reloadAll();
}

void ClimateWindow::reloadAll()
{
    stations_->reload();
    if (station_ >= 0 && !selectStation(station_)) station_ = -1;
    loadPages();
}

void ClimateWindow::setNameFieldFree(bool free)
{
    name_->setEnabled(free);
    create_->setEnabled(free);
}

void ClimateWindow::stationClicked(int row)
{
    if (row < 0 || row >= stations_->rowCount()) return;
    station_ = stations_->value(row, "climate_ID").toInt();
    name_->setText(QString::fromStdString(stations_->value(row, "station").toString()));
    setNameFieldFree(false);
    stationView_->selectRow(row);
    loadPages();
}

bool ClimateWindow::selectStation(long long id)
{
    for (int r = 0; r < stations_->rowCount(); ++r)
        if (stations_->value(r, "climate_ID").toInt() == id && !stations_->value(r, "climate_ID").isNull()) {
            stationClicked(r);
            return true;
        }
    return false;
}

void ClimateWindow::loadPages()
{
    if (station_ < 0) {
        for (auto* m : {weather_, deposition_, historic_}) m->clear();
        return;
    }
    weather_->setSource({"climate_data", "climate_ID", db::Value(station_), {"year"}});
    deposition_->setSource({"reg_ndeposit", "climate_id", db::Value(station_), {"year"}});
    historic_->setSource({"climate_station", "climate_ID", db::Value(station_), {}});
    for (auto* m : {weather_, deposition_, historic_}) m->reload();
}

TableEditModel* ClimateWindow::pageModel(Page page) const
{
    switch (page) {
    case Weather: return weather_;
    case Deposition: return deposition_;
    case Historic: return historic_;
    }
    return weather_;
}

QTableView* ClimateWindow::activeView() const
{
    switch (pages_->currentIndex()) {
    case Deposition: return depositionView_;
    case Historic: return historicView_;
    default: return weatherView_;
    }
}

void ClimateWindow::showPage(Page page) { pages_->setCurrentIndex(page); }

void ClimateWindow::createStation()
{
    auto* c = connection();
    if (!c || name_->text() == "-?-" || !mayWrite()) return;
    const auto name = name_->text().trimmed();
    try {
        const auto r = workbench::create_station(*c, name.toStdString());
        if (r.outcome == workbench::StationCreation::Outcome::NameUsed) {
            show_message(this, tr("HINT"), name + " is already used ! ");
            return;
        }
        if (r.outcome != workbench::StationCreation::Outcome::Created) return;
        stations_->reload();
        selectStation(r.id);
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
        return;
    }
    emit stationsChanged();
}

void ClimateWindow::deleteStation()
{
    auto* c = connection();
    if (!c || station_ < 0 || !mayWrite()) return;
    QString question = tr("ALL data of the station will be deleted. proceed anyway ?");
    try {
        const auto plots = workbench::plots_using_station(*c, station_);
        if (plots > 0)
            question += "\n\n" + tr("%1 plot(s) use this station and will be left without climate data.").arg(plots);
        if (!ask_question(this, tr("please confirm wipe off"), question)) return;
        workbench::delete_station(*c, station_);
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
        return;
    }
    lastDeleted_ = station_;
    station_ = -1;
    name_->setText("-?-");
    setNameFieldFree(true);
    stations_->reload();
    if (stations_->rowCount() > 0) {
        stationClicked(0);
        name_->setText("-?-");
        setNameFieldFree(true);
    } else {
        loadPages();
    }
    emit stationsChanged();
}

void ClimateWindow::addPageRow()
{
    if (station_ < 0) return;
    const auto page = static_cast<Page>(pages_->currentIndex());
    if (page == Historic) return;  // the station's own row
    auto* m = pageModel(page);
    // The year after the last one; the current year when only the long-term row exists.
    long long year = 0;
    for (int r = 0; r < m->rowCount(); ++r) year = std::max<long long>(year, m->value(r, "year").toInt());
    year = year >= workbench::kFirstYear ? year + 1 : QDate::currentDate().year();
    const int row = page == Weather ? m->appendRow({"climate_ID", "year"}, {db::Value(station_), db::Value(year)})
                                    : m->appendRow({"climate_id", "year", "N_dep_y"},
                                                   {db::Value(station_), db::Value(year), db::Value(0.0)});
    if (row >= 0) activeView()->selectRow(row);
}

void ClimateWindow::deletePageRow()
{
    const auto page = static_cast<Page>(pages_->currentIndex());
    if (page == Historic) return;
    const auto rows = activeView()->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    pageModel(page)->deleteRow(rows.first().row());
}

void ClimateWindow::exportCsv()
{
    auto* c = connection();
    const auto page = static_cast<Page>(pages_->currentIndex());
    if (!c || station_ < 0 || page == Historic) return;
    const auto series = page == Weather ? workbench::ClimateSeries::Weather : workbench::ClimateSeries::Deposition;
    const QString proposed = QDir::current().filePath(
        QString("station_%1_%2.csv").arg(station_).arg(page == Weather ? "weather" : "ndeposit"));
    const auto file = choose_file_to_write(this, tr("export CSV"), proposed, "CSV files (*.csv)");
    if (file.isEmpty()) return;
    try {
        workbench::export_climate_csv(*c, station_, series, file.toStdString());
    } catch (const std::exception& e) {
        show_message(this, tr("export CSV"), QString::fromStdString(e.what()));
        return;
    }
    show_message(this, tr("export CSV"), tr("written: ") + file);
}

void ClimateWindow::importCsv()
{
    auto* c = connection();
    const auto page = static_cast<Page>(pages_->currentIndex());
    if (!c || station_ < 0 || page == Historic || !mayWrite()) return;
    const auto series = page == Weather ? workbench::ClimateSeries::Weather : workbench::ClimateSeries::Deposition;
    const auto file = choose_open_file(this, tr("import CSV"), QDir::currentPath(), "CSV files (*.csv *.txt)");
    if (file.isEmpty()) return;
    try {
        const auto r = workbench::import_climate_csv_file(*c, station_, series, file.toStdString());
        show_message(this, tr("import CSV"),
                     QString("%1: %2 years replaced, %3 years added").arg(file).arg(r.replaced).arg(r.added));
    } catch (const workbench::ClimateCsvError& e) {
        show_message(this, tr("import CSV"), file + "\n" + QString::fromStdString(e.what()) + "\nNothing was imported.");
    } catch (const std::exception& e) {
        show_message(this, tr("import CSV"), QString::fromStdString(e.what()) + "\nNothing was imported.");
    }
    loadPages();
}

} // namespace vt::gui
