#include "workbench/climate_stations.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/keys.h"

namespace vt::workbench {

std::vector<ClimateStation> list_stations(db::Connection& c)
{
    std::vector<ClimateStation> out;
    auto cur = c.query("select climate_ID, station from climate_station order by climate_ID");
    for (; !cur.eof(); cur.next()) out.push_back({cur.field(0).toInt(), cur.field(1).toString()});
    return out;
}

bool station_exists(db::Connection& c, long long id)
{
    return !c.scalar("select 1 from climate_station where climate_ID=?", {db::Value(id)}).isNull();
}

StationCreation create_station(db::Connection& c, const std::string& rawName)
{
    StationCreation r;
    const auto name = base::trim(rawName);
    if (name.empty() || name == "-?-") return r;
    if (!c.scalar("select 1 from climate_station where station=?", {db::Value(name)}).isNull()) {
        r.outcome = StationCreation::Outcome::NameUsed;
        return r;
    }
    db::Transaction t(c);
    const long long id = db::get_key(c, "climate_station", "climate_id");
    c.execute("insert into climate_station (climate_ID, station) values (?, ?)", {db::Value(id), db::Value(name)});
    c.execute("insert into climate_data (climate_ID, [year]) values (?, 0)", {db::Value(id)});
    c.execute("insert into reg_ndeposit (climate_id, [year], N_dep_y) values (?, 0, 0)", {db::Value(id)});
    t.commit();
    r.outcome = StationCreation::Outcome::Created;
    r.id = id;
    return r;
}

long long plots_using_station(db::Connection& c, long long id)
{
    return c.scalar("select count(*) from field_description where climate_ID=?", {db::Value(id)}).toInt();
}

StationDeletion delete_station(db::Connection& c, long long id)
{
    StationDeletion d;
    db::Transaction t(c);
    d.stations = c.execute("delete from climate_station where climate_ID=?", {db::Value(id)});
    d.weatherRows = c.execute("delete from climate_data where climate_ID=?", {db::Value(id)});
    d.depositionRows = c.execute("delete from reg_ndeposit where climate_id=?", {db::Value(id)});
    t.commit();
    return d;
}

} // namespace vt::workbench
