#include "db/keys.h"

#include "db/connection.h"
#include "db/sql_quote.h"

namespace vt::db {

long long get_key(Connection& c, const std::string& table, const std::string& column)
{
    auto cur = c.query(" select max(" + quote_ident(column) + ")+1 as newkey from " + quote_ident(table));
    if (cur.eof()) return 0;
    return cur.field("newkey").toInt();  // NULL (empty table) reads as 0
}

} // namespace vt::db
