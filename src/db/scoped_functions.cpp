#include "db/scoped_functions.h"

#include "db/db_error.h"

#include <sqlite3.h>

namespace vt::db {

ScopedFunctions::~ScopedFunctions()
{
    for (const auto& [name, args] : defined_) sqlite3_create_function(db_, name, args, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr);
}

void ScopedFunctions::define(const char* name, int args, Function f)
{
    if (sqlite3_create_function(db_, name, args, SQLITE_UTF8 | SQLITE_DIRECTONLY, data_, f, nullptr, nullptr) != SQLITE_OK)
        throw DbError(sqlite3_errmsg(db_));
    defined_.emplace_back(name, args);
}

} // namespace vt::db
