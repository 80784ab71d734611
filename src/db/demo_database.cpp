#include "db/demo_database.h"

#include "db/connection.h"
#include "db/savepoint.h"
#include "db/schema.h"

#include <string>

namespace vt::db {

void create_database_from_scripts(Connection& c, const std::vector<SqlScript>& scripts)
{
    Savepoint sp(c, "create_database");
    create_schema(c);
    for (const auto& script : scripts) {
        try {
            c.executeScript(script.text);
        } catch (const DbError& e) {
            throw DbError(std::string(script.name) + ": " + e.what(), e.code());
        }
    }
    sp.release();
}

void create_demo_database(Connection& c) { create_database_from_scripts(c, demo_sql_scripts()); }

} // namespace vt::db
