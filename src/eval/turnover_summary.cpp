#include "eval/turnover_summary.h"

#include "db/connection.h"

namespace vt::eval {

TurnoverSummary turnover_summary(db::Connection& c, long long plot)
{
    // Int(10*x)/10.0: the division must stay real, Int returns whole numbers.
    auto cur = c.query(
        "SELECT [year] AS year_, Int(10*(Sum(C_rep)))/10.0 AS crepflx, Int(10*Sum(C_rep)/bat)/10.0 AS repix, "
        " Int(10*(Sum(C_m_tot)))/10.0 AS c2atm, Int(10*(Sum(C_m_tot-c_m_fom)))/10.0 AS csomloss, "
        " Int(10*Sum(C_ops+c_som))/10.0 AS soilcarbon, Int(10*(Sum(C_rep-C_m_tot+c_m_fom)))/10.0 AS saldo, "
        " Int(10*bat)/10.0 AS bat, Int(10*haeq)/10.0 AS refix "
        " FROM rux_nresult WHERE fl_id=? GROUP BY bat, [year], haeq ORDER BY [year]",
        {plot});
    TurnoverSummary t;
    t.rows = read_table(cur);
    if (!t.rows.empty()) {
        const int col = t.rows.column("crepflx");
        double sum = 0;
        for (const auto& row : t.rows.rows) sum += cell(row, col).toDouble();
        t.meanReproduction = sum / static_cast<double>(t.rows.rows.size());
    }
    return t;
}

} // namespace vt::eval
