#include "db/keys.h"

#include "db/connection.h"
#include "db/db_error.h"
#include "db/sql_quote.h"

#include <cmath>
#include <limits>

namespace vt::db {

long long get_key(Connection& c, const std::string& table, const std::string& column)
{
    // The largest key read as it is stored: "max()+1" in SQL turns the largest whole number
    // into a real and the next key into a negative one.
    const Value largest = c.scalar("select max(" + quote_ident(column) + ") from " + quote_ident(table));
    if (largest.isNull()) return 0;
    const double asReal = largest.toDouble();
    if (!largest.isInteger() && (!std::isfinite(asReal) || std::fabs(asReal) >= 9.2e18))
        throw DbError("no key is free above " + largest.toString() + " in " + table + "." + column);
    const long long top = largest.toInt();
    if (top == std::numeric_limits<long long>::max())
        throw DbError("no key is free above " + std::to_string(top) + " in " + table + "." + column);
    return top + 1;
}

} // namespace vt::db
