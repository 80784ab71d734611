#include "eval/n_deposition.h"

#include "base/text.h"

#include "db/connection.h"
#include "db/savepoint.h"
#include "db/jet_functions.h"

#include <algorithm>
#include <cctype>

namespace vt::eval {

int repetitions_of(const std::string& repCnt)
{
    const std::string t = base::trim(repCnt);
    const double r = db::jet_val(t.size() <= 4 ? t : t.substr(4));
    return r > 0 ? static_cast<int>(r) : 0;
}

void prepare_deposition(db::Connection& c, long long station)
{
    c.execute("create table if not exists tmp_ndeposit ( climate_id int,  [year] int, N_dep_y float   )");
    c.execute("create table if not exists reg_ndeposit ( climate_id int,  [year] int, N_dep_y float   )");

    std::string sql =
        " SELECT climate_station.climate_ID, climate_station.station, Min(measurements.year) AS ajahr, "
        " Max(cultivation.year) AS ejahr, field_description.rep_cnt, climate_station.year0_nd, "
        " climate_station.year1_nd, climate_station.ndep_0, climate_station.ndep_1 "
        " FROM ((field_description INNER JOIN climate_station ON field_description.climate_ID = climate_station.climate_ID) "
        " INNER JOIN measurements ON field_description.FL_ID = measurements.FL_ID) "
        " INNER JOIN cultivation ON field_description.FL_ID = cultivation.FL_ID "
        " WHERE (measurements.year_number=0) AND (cultivation.Macode In (2,9)) ";
    std::vector<db::Value> params;
    if (station != 0) {
        sql += " and climate_station.climate_id=?";
        params.emplace_back(station);
    }
    sql += " GROUP BY climate_station.climate_ID, climate_station.station, climate_station.year0_nd, "
           " climate_station.year1_nd, climate_station.ndep_0, climate_station.ndep_1, field_description.rep_cnt ";
    auto cur = c.query(sql, params);

    db::Savepoint batch(c, "tmp_ndeposit");
    c.execute(" delete from tmp_ndeposit");
    auto insert = c.prepare("insert into tmp_ndeposit (climate_id, [year], N_dep_y) values (?, ?, -99.9)");
    struct Course { long long station, from; double y0, y1, n0, n1; };
    std::vector<Course> courses;
    for (; !cur.eof(); cur.next()) {
        const long long id = cur.getInt("climate_ID");
        const long long from = cur.getInt("ajahr"), to = cur.getInt("ejahr");
        const int r = repetitions_of(cur.getString("rep_cnt"));
        for (int k = 0; k <= r; ++k)
            for (long long y = from; y <= to; ++y) {
                insert.bind(1, id).bind(2, k * (to - from + 1) + y);
                insert.execute();
            }
        courses.push_back({id, from, cur.getDouble("year0_nd"), cur.getDouble("year1_nd"), cur.getDouble("ndep_0"),
                           cur.getDouble("ndep_1")});
        if (station != 0) break;
    }

    c.execute("UPDATE tmp_ndeposit SET N_dep_y = reg_ndeposit.N_dep_y FROM reg_ndeposit "
              " WHERE reg_ndeposit.climate_id = tmp_ndeposit.climate_id AND reg_ndeposit.[year]=0");
    c.execute("UPDATE tmp_ndeposit SET N_dep_y = reg_ndeposit.N_dep_y FROM reg_ndeposit "
              " WHERE reg_ndeposit.[year] = tmp_ndeposit.[year] AND reg_ndeposit.climate_id = tmp_ndeposit.climate_id");

    auto course = c.prepare("UPDATE tmp_ndeposit SET N_dep_y = CASE WHEN [year] > ?1 "
                            " THEN ?3 + ([year] - ?1) * (?4 - ?3) / (?2 - ?1) ELSE ?3 END "
                            " WHERE climate_id = ?5 AND [year] >= ?6 AND [year] <= ?2");
    for (const auto& s : courses) {
        if (!(s.y1 > s.y0)) continue;
        course.bind(1, s.y0).bind(2, s.y1).bind(3, s.n0).bind(4, s.n1).bind(5, s.station).bind(6, s.from);
        course.execute();
    }
    batch.release();
}

} // namespace vt::eval
