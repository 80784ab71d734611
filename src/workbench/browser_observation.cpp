#include "workbench/browser_observation.h"

#include "db/connection.h"
#include "db/keys.h"
#include "db/savepoint.h"

#include <unordered_map>

namespace vt::workbench {

std::vector<PropertyChoice> property_choices(db::Connection& c)
{
    std::vector<PropertyChoice> list;
    if (!c.tableExists("GLN_MWML")) return list;
    auto r = c.query("select distinct M_IX, BEZEICHNUNG, EINHEIT from GLN_MWML order by M_IX");
    for (; !r.eof(); r.next()) {
        const int mix = static_cast<int>(r.field(0).toInt());
        if (!list.empty() && list.back().mix == mix) continue;
        list.push_back({mix, r.field(1).toString(), r.field(2).toString()});
    }
    return list;
}

std::vector<ObservationRow> observation_rows(db::Connection& c, long long flId, std::optional<int> onlyProperty)
{
    std::vector<ObservationRow> rows;
    if (!c.tableExists("measurements")) return rows;
    std::unordered_map<int, std::string> names;
    for (const auto& p : property_choices(c)) names.emplace(p.mix, p.name);
    std::vector<db::Value> params{db::Value(flId)};
    std::string sql = "select meas_ID, [year], [month], [day], year_number, M_IX, meas_value, vrnz from measurements where fl_id=?";
    if (onlyProperty) {
        sql += " and M_IX=?";
        params.emplace_back(*onlyProperty);
    }
    auto r = c.query(sql + " order by year_number, [year], meas_ID", params);
    for (; !r.eof(); r.next()) {
        ObservationRow o;
        o.id = r.field(0).toInt();
        o.year = static_cast<int>(r.field(1).toInt());
        o.month = static_cast<int>(r.field(2).toInt());
        o.day = static_cast<int>(r.field(3).toInt());
        o.yearNumber = static_cast<int>(r.field(4).toInt());
        o.mix = static_cast<int>(r.field(5).toInt());
        o.value = r.field(6).toDouble();
        if (!r.field(7).isNull()) o.variance = r.field(7).toDouble();
        const auto n = names.find(o.mix);
        if (n != names.end()) o.property = n->second;
        rows.push_back(std::move(o));
    }
    return rows;
}

ObservationSaved save_observation(db::Connection& c, const ObservationInput& in)
{
    const long long firstYear = require_user_integer(in.firstYear, "1st year");
    const double value = in.value.empty() ? 0.0 : require_user_number(in.value, "value");
    const double variance = in.variance.empty() ? 0.0 : require_user_number(in.variance, "variance");
    if (in.mix == 7 && firstYear < 0 && !in.initial)
        throw BrowserInputError("please edit first the initial value", "OPERATION DENIED");

    const bool initial = in.initial && (in.mix == 0 || in.mix == 7);
    ObservationSaved out;
    out.firstYear = static_cast<int>(firstYear);
    db::Savepoint sp(c, "observation");
    if (initial) {
        // The former initial value keeps its row but loses its role.
        c.execute("update measurements set year_number=-99 where M_IX=? and fl_id=? and year_number=0", {in.mix, in.flId});
        out.firstYear = in.year;
        out.yearNumber = 0;
        c.execute("update field_description set i_con='obsval' where fl_id=? and trim(i_con)='null'", {in.flId});
    } else {
        out.yearNumber = static_cast<int>(in.year - firstYear + 1);
    }
    if (in.insert) {
        out.measId = db::get_key(c, "measurements", "meas_id");
        c.execute("insert into measurements (meas_id, fl_id, m_ix, meas_value, vrnz, [year], [month], [day], year_number) "
                  "values (?,?,?,?,?,?,?,?,?)",
                  {out.measId, in.flId, in.mix, value, variance, in.year, in.month, in.day, out.yearNumber});
    } else {
        out.measId = in.measId;
        const int n = c.execute("update measurements set meas_value=?, vrnz=?, [year]=?, [month]=?, [day]=?, year_number=?, M_IX=? "
                                "where meas_id=? and fl_id=?",
                                {value, variance, in.year, in.month, in.day, out.yearNumber, in.mix, in.measId, in.flId});
        if (n == 0) throw BrowserInputError("no observation " + std::to_string(in.measId) + " of plot " + std::to_string(in.flId) + " to overwrite");
    }
    if (initial)
        c.execute("update measurements set year_number=1+[year]-? where M_IX=? and fl_id=? and [year]>?",
                  {out.firstYear, in.mix, in.flId, out.firstYear});
    if (c.tableExists("sim_result")) out.resultsDiscarded = c.execute("delete from sim_result where fl_id=?", {in.flId});
    sp.release();
    return out;
}

int delete_observation(db::Connection& c, long long flId, long long measId)
{
    return c.execute("delete from measurements where fl_id=? and meas_id=?", {flId, measId});
}

} // namespace vt::workbench
