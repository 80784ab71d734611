#pragma once
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

struct ClimateStation {
    long long id = 0;
    std::string name;
};

// The stations of the database in the order of their ids.
std::vector<ClimateStation> list_stations(db::Connection& c);
// Whether a station of this id exists.
bool station_exists(db::Connection& c, long long id);

struct StationCreation {
    enum class Outcome { Created, NoName, NameUsed } outcome = Outcome::NoName;
    long long id = -1;  // the new station's id when created
};

// "create new station": a name that is empty or "-?-" creates nothing; a name that is
// used already creates nothing (outcome NameUsed). Otherwise the station gets the next
// free id, one weather row (year 0: the long-term mean, values still empty) and one
// deposition row (year 0, 0 kg/ha), all in one transaction.
StationCreation create_station(db::Connection& c, const std::string& name);

// The number of plots whose climate_ID is this station.
long long plots_using_station(db::Connection& c, long long id);

// Removes the station with its weather and deposition rows, in one transaction. Plots
// that refer to it keep their climate_ID. Returns the number of rows removed per table
// (climate_station, climate_data, reg_ndeposit).
struct StationDeletion {
    int stations = 0, weatherRows = 0, depositionRows = 0;
};
StationDeletion delete_station(db::Connection& c, long long id);

} // namespace vt::workbench
