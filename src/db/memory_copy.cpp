#include "db/memory_copy.h"

#include "db/connection.h"
#include "db/db_error.h"

#include <sqlite3.h>

namespace vt::db {

std::unique_ptr<Connection> copy_into_memory(Connection& source)
{
    auto copy = Connection::memory();
    sqlite3_backup* backup = sqlite3_backup_init(copy->handle(), "main", source.handle(), "main");
    const int rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy->handle());
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) throw DbError(sqlite3_errstr(rc));
    return copy;
}

} // namespace vt::db
