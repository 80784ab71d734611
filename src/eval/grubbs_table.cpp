#include "eval/grubbs_table.h"

#include "db/connection.h"
#include "db/savepoint.h"

#include <libalglib/specialfunctions.h>

#include <cmath>

namespace vt::eval {

double grubbs_critical(int n)
{
    if (n < 3) return -99;
    const double t = alglib::invstudenttdistribution(n - 2, 0.05 / (2.0 * n));
    const double t2 = t * t;
    return (n - 1) / std::sqrt(static_cast<double>(n)) * std::sqrt(t2 / (t2 + n - 2));
}

bool ensure_grubbs_table(db::Connection& c)
{
    if (c.tableExists("z_grubbs")) return false;
    db::Savepoint batch(c, "z_grubbs");
    c.execute("create table z_grubbs ( N int, ZGRUBB float   )");
    auto insert = c.prepare("insert into z_grubbs (N, ZGRUBB) values (?, ?)");
    for (int n = 1; n <= 200; ++n) {
        insert.bind(1, n).bind(2, grubbs_critical(n));
        insert.execute();
    }
    batch.release();
    return true;
}

} // namespace vt::eval
