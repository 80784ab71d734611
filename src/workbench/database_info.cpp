#include "workbench/database_info.h"

#include "db/connection.h"

namespace vt::workbench {

void set_regional_mode(db::Connection& c, bool regional)
{
    if (is_regional_database(c) == regional) return;
    c.execute(regional ? "ALTER TABLE cultivation ADD part double" : "ALTER TABLE cultivation DROP part");
}

} // namespace vt::workbench
