#include "workbench/browser_site.h"

#include "base/text.h"
#include "db/connection.h"
#include "engine/balance/balance_options.h"

#include <cmath>

namespace vt::workbench {

std::optional<PlotDescription> read_plot_description(db::Connection& c, long long flId)
{
    auto r = c.query("select * from field_description where fl_id=?", {db::Value(flId)});
    if (r.eof()) return std::nullopt;
    PlotDescription d;
    d.flId = r.getInt("FL_ID");
    d.name = r.getString("site_description");
    d.herkunft = r.getString("Herkunft");
    d.comment = r.getString("comment");
    d.location = r.getString("Location");
    d.vcode = r.getString("versuch_code");
    d.iCon = base::trim(r.getString("i_con"));
    const auto area = r.field("area");
    d.area = area.isNull() ? "-99" : area.toString();
    d.climateId = r.isNull("climate_ID") ? -99 : r.getInt("climate_ID");
    d.soilId = r.isNull("soil_ID") ? -99 : r.getInt("soil_ID");
    d.mwBat = r.getDouble("mw_BAT");
    d.notill = static_cast<int>(r.getInt("notill"));
    d.repCnt = r.getInt("rep_cnt");
    if (r.hasField("repix")) d.repix = r.isNull("repix") ? 29 : r.getDouble("repix");
    return d;
}

PlotCounts read_plot_counts(db::Connection& c, long long flId)
{
    PlotCounts n;
    auto ev = c.query("select count(*), (select [year] from cultivation where fl_id=? order by [year], Macode limit 1) "
                      "from cultivation where fl_id=?",
                      {flId, flId});
    n.events = static_cast<int>(ev.field(0).toInt());
    if (n.events > 0) n.firstEventYear = static_cast<int>(ev.field(1).toInt());
    auto ob = c.query("select count(*), sum(case when M_IX=0 then 1 else 0 end) from measurements where fl_id=?", {flId});
    n.observations = static_cast<int>(ob.field(0).toInt());
    n.nitrogenObservations = static_cast<int>(ob.field(1).toInt());
    auto first = c.query("select year_number, [year] from measurements where fl_id=? order by year_number limit 1", {flId});
    if (!first.eof() && !first.field(0).isNull() && first.field(0).toInt() == 0)
        n.initialYear = static_cast<int>(first.field(1).toInt());
    return n;
}

namespace {

std::vector<Choice> keyed_list(db::Connection& c, const std::string& sql)
{
    std::vector<Choice> list{{-99, "-?-"}};
    auto r = c.query(sql);
    for (; !r.eof(); r.next()) list.push_back({r.field(0).toInt(), r.field(1).toString()});
    return list;
}

} // namespace

std::vector<Choice> station_choices(db::Connection& c) { return keyed_list(c, "select climate_ID, station from climate_station"); }

std::vector<Choice> soil_choices(db::Connection& c) { return keyed_list(c, "select soil_ID, profile from soilproperties"); }

std::optional<std::vector<Choice>> experiment_station_choices(db::Connection& c, long long flId)
{
    if (!c.tableExists("vc2cls")) return std::nullopt;
    try {
        std::vector<Choice> list;
        auto r = c.query(" SELECT vc2cls.climate_ID, climate_station.station "
                         " FROM field_description, vc2cls INNER JOIN climate_station ON vc2cls.climate_ID = climate_station.climate_ID "
                         " WHERE Val([versuch_code])=[vc2cls].[exp_id] AND field_description.FL_ID=? order by vc2cls.climate_id ",
                         {db::Value(flId)});
        for (; !r.eof(); r.next()) list.push_back({r.field(0).toInt(), r.field(1).toString()});
        return list;
    } catch (const db::DbError&) {
        return std::nullopt;
    }
}

std::vector<std::string> initialisation_choices(db::Connection& c, long long flId, int firstYear)
{
    std::vector<std::string> list{"null", "obsval", "RepIX"};
    if (!c.tableExists("som_state")) return list;
    auto r = c.query(" select distinct field_description.FL_ID, field_description.site_description as site from field_description "
                     " inner join som_state on som_state.fl_id=field_description.fl_id "
                     " where (som_state.yr+1)=? and field_description.FL_ID<>? order by field_description.FL_ID",
                     {db::Value(firstYear), db::Value(flId)});
    for (; !r.eof(); r.next()) list.push_back(r.field(0).toString() + ": " + r.field(1).toString());
    return list;
}

std::optional<long long> continued_state_plot(const std::string& iCon, long long flId)
{
    const std::string preCond = base::trim(iCon);
    if (!engine::starts_from_stored_state(preCond)) return std::nullopt;
    return engine::stored_state_plot(preCond, flId);
}

std::optional<int> continued_first_year(db::Connection& c, long long statePlot)
{
    if (!c.tableExists("som_state")) return std::nullopt;
    auto v = c.scalar("select yr+1 as ayr from som_state where fl_id=?", {db::Value(statePlot)});
    if (v.isNull()) return std::nullopt;
    return static_cast<int>(v.toInt());
}

std::string simulated_mean_bat(db::Connection& c, long long flId)
{
    if (!c.tableExists("rux_nresult")) return {};
    auto v = c.scalar("select round(100*avg(bat))/100 from rux_nresult where fl_id=?", {db::Value(flId)});
    if (v.isNull()) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v.toDouble());
    return buf;
}

RunRepeat split_rep_cnt(long long repCnt)
{
    const std::string text = std::to_string(repCnt);
    if (repCnt > 999) return {text.substr(0, 4), text.substr(4)};
    return {std::nullopt, text};
}

void save_plot_description(db::Connection& c, const PlotDescriptionEdit& e)
{
    // Everything typed is checked before the statement: a text in area or in the run's
    // first year would otherwise be stored and break the next run.
    const double area = require_user_number(e.area.empty() ? "-99" : e.area, "area");
    const std::string from = base::trim(e.from);
    const std::string repeat = base::trim(e.repeat).empty() ? "0" : base::trim(e.repeat);
    const long long rep = require_user_integer(repeat, "repeat");
    if (rep < 0 || rep > 99) throw BrowserInputError("repeat: '" + e.repeat + "' is not between 0 and 99");
    long long packed = rep;
    if (!from.empty() && from != "-99") {
        const long long year = require_user_integer(from, "from");
        if (year < 1000 || year > 9999) throw BrowserInputError("from: '" + e.from + "' is not a year");
        packed = require_user_integer(std::to_string(year) + std::to_string(rep), "from");
    }
    const auto bat = parse_user_number(e.bat);
    std::string note = base::trim(e.note);
    if (note.empty()) note = "?";
    std::string init = e.initialisation;
    const auto colon = init.find(':');
    if (colon != std::string::npos) init = init.substr(0, colon);
    init = base::trim(init);
    const int n = c.execute("update field_description set site_description=?, herkunft=?, area=?, climate_id=?, soil_id=?, "
                            "mw_bat=?, rep_cnt=?, comment=?, notill=?, i_con=? where fl_id=?",
                            {e.name, e.herkunft, area, e.climateId, e.soilId, bat ? *bat : 30.0, packed, note,
                             e.notill, init, e.flId});
    if (n == 0) throw BrowserInputError("plot " + std::to_string(e.flId) + " does not exist");
}

void rename_plot(db::Connection& c, long long flId, const std::string& name)
{
    c.execute("update field_description set site_description=? where fl_id=?", {name, flId});
}

} // namespace vt::workbench
