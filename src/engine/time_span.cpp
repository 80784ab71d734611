#include "engine/time_span.h"

#include "db/connection.h"
#include "db/savepoint.h"
#include "engine/prep_context.h"

namespace vt::engine {

void build_time_span(const PrepContext& p)
{
    p.drop("tmp_tirgint");
    p.drop("tmp_time_int");
    p.rebuild("tmp_time_int",
              "SELECT cultivation.FL_ID AS FL_ID, Max(cultivation.[year]) AS Maxvonyear, Min(cultivation.[year]) AS Minvonyear,"
              " Max(cultivation.[year])-Min(cultivation.[year])+1 AS intl"
              " FROM cultivation, site_state WHERE site_state.status=1 AND cultivation.FL_ID = site_state.FL_ID"
              " GROUP BY cultivation.FL_ID");

    p.run("DELETE FROM tmp_time_scen");
    db::Savepoint t(p.db, "row_walk");
    auto append = p.db.prepare("INSERT INTO tmp_time_scen (fl_id, yr) VALUES (?, ?)");
    for (auto span = p.db.query("SELECT fl_id, maxvonyear AS yx, minvonyear AS ym FROM tmp_time_int"); !span.eof();
         span.next()) {
        const long long fl = span.getInt("fl_id");
        const long long last = span.getInt("yx");
        for (long long yr = span.getInt("ym"); yr <= last; ++yr) {
            append.bind(1, fl).bind(2, yr);
            append.execute();
        }
    }
    t.release();
    p.checkStop();
}

} // namespace vt::engine
