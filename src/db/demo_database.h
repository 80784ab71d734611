#pragma once
#include <vector>

namespace vt::db {

class Connection;

// One SQL script: its file name and its text.
struct SqlScript {
    const char* name;
    const char* text;
};

// The demo database's scripts (resources/demo/*.sql), compiled into the program, in
// file-name order. Empty when the folder holds none. Scripts hold plain statements, no
// transaction control: they run inside the creation's own transaction.
const std::vector<SqlScript>& demo_sql_scripts();

// Creates the layout of a new database (create_schema) and runs the scripts on it, in
// their order, all or nothing. A failing script ends the operation with DbError naming
// the script and carrying the engine's message; the database is then left unchanged.
void create_database_from_scripts(Connection& c, const std::vector<SqlScript>& scripts);

// The demo database: the new layout filled by the demo scripts.
void create_demo_database(Connection& c);

} // namespace vt::db
