#pragma once
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class MainWindow;
class TableEditModel;

// The window "RUX climate data" (German "RUX Klimadaten"): the climate stations of the
// database and, per station, its yearly weather rows, its measured N deposition and its
// historic N deposition parameters; stations are created and deleted here, and a
// station's weather or deposition rows travel to and from CSV files.
class ClimateWindow : public QWidget {
    Q_OBJECT
public:
    enum Page { Weather, Deposition, Historic };

    explicit ClimateWindow(MainWindow& main, QWidget* parent = nullptr);

    // What the main window does before every showing: the name field reads "-?-" and the
    // tables are read again.
    void prepareShow();
    // Re-reads the station list and the pages (after another database was opened).
    void reloadAll();

    // "create new station" with the name in the name field.
    void createStation();
    // "delete current station", after the question.
    void deleteStation();
    // Selects the station in the list as a click does; false when it is not listed.
    bool selectStation(long long id);
    long long currentStation() const { return station_; }
    void showPage(Page page);
    // The active page's rows from or to a CSV file (weather and deposition pages).
    void importCsv();
    void exportCsv();

    TableEditModel* stationModel() const { return stations_; }
    TableEditModel* pageModel(Page page) const;

signals:
    // A station was created or deleted: the browser refills its station list.
    void stationsChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void applyColumnTitles();
    void stationClicked(int row);
    void loadPages();
    void setNameFieldFree(bool free);
    void addPageRow();
    void deletePageRow();
    bool mayWrite();
    db::Connection* connection() const;
    QTableView* activeView() const;

    MainWindow& main_;
    long long station_ = -1;
    long long lastDeleted_ = -1;
    TableEditModel* stations_;
    TableEditModel* weather_;
    TableEditModel* deposition_;
    TableEditModel* historic_;
    QTableView* stationView_;
    QTableView* weatherView_;
    QTableView* depositionView_;
    QTableView* historicView_;
    QTabWidget* pages_;
    QLineEdit* name_;
    QPushButton* create_;
    QPushButton* delete_;
    QPushButton* close_;
    QPushButton* editList_;
    QPushButton* importCsv_;
    QPushButton* exportCsv_;
    QLabel* overview_;
};

} // namespace vt::gui
