#include "db/database_traits.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/savepoint.h"
#include "db/schema.h"

namespace vt::db {

bool is_regional_database(Connection& c) { return c.columnExists("cultivation", "part"); }

std::optional<std::string> stored_method_text(Connection& c)
{
    if (!c.tableExists("vtn_setting")) return std::nullopt;
    auto row = c.query("SELECT model FROM vtn_setting ORDER BY rowid LIMIT 1");
    if (row.eof()) return std::nullopt;
    return row.field(0).toString();
}

std::string stored_method(Connection& c) { return base::trim(stored_method_text(c).value_or("")); }

void store_method(Connection& c, const std::string& method)
{
    Savepoint sp(c, "store_method");
    if (!c.tableExists("vtn_setting")) c.execute(ddl::kVtnSetting);
    const std::string m = base::trim(method);
    if (c.execute("UPDATE vtn_setting SET model = ? WHERE rowid = (SELECT min(rowid) FROM vtn_setting)", {m}) == 0)
        c.execute("INSERT INTO vtn_setting (model) VALUES (?)", {m});
    sp.release();
}

} // namespace vt::db
