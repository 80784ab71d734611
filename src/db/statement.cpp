#include "db/statement.h"

#include "db/busy.h"
#include "db/db_error.h"
#include "db/thread_hold.h"

#include <sqlite3.h>

#include <utility>

namespace vt::db {

Statement::Statement(sqlite3* db, const std::string& sql) : db_(db), sql_(sql)
{
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = failure_message(rc, sqlite3_errmsg(db_));
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw DbError(msg, rc, sql);
    }
    if (!stmt_) throw DbError("empty statement", SQLITE_MISUSE, sql);
}

Statement::Statement(sqlite3* db, const std::string& sql, std::shared_ptr<const ThreadHold> hold)
    : Statement(db, sql)
{
    hold_ = std::move(hold);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& o) noexcept
    : db_(o.db_), stmt_(std::exchange(o.stmt_, nullptr)), sql_(std::move(o.sql_)), hold_(std::move(o.hold_)) {}

Statement& Statement::operator=(Statement&& o) noexcept
{
    if (this != &o) {
        sqlite3_finalize(stmt_);
        db_ = o.db_;
        stmt_ = std::exchange(o.stmt_, nullptr);
        sql_ = std::move(o.sql_);
        hold_ = std::move(o.hold_);
    }
    return *this;
}

void Statement::check(int rc, const char* what) const
{
    if (rc != SQLITE_OK) throw DbError(std::string(what) + ": " + sqlite3_errmsg(db_), rc, sql_);
}

Statement& Statement::bind(int index, const Value& v)
{
    if (v.isNull()) return bindNull(index);
    if (v.isInteger()) return bind(index, static_cast<long long>(v.toInt()));
    if (v.isReal()) return bind(index, v.toDouble());
    return bind(index, v.toString());
}

Statement& Statement::bind(int index, double v)
{
    check(sqlite3_bind_double(stmt_, index, v), "bind");
    return *this;
}

Statement& Statement::bind(int index, long long v)
{
    check(sqlite3_bind_int64(stmt_, index, v), "bind");
    return *this;
}

Statement& Statement::bind(int index, const std::string& v)
{
    check(sqlite3_bind_text(stmt_, index, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT), "bind");
    return *this;
}

Statement& Statement::bindNull(int index)
{
    check(sqlite3_bind_null(stmt_, index), "bind");
    return *this;
}

Statement& Statement::bind(const std::string& name, const Value& v)
{
    const int index = sqlite3_bind_parameter_index(stmt_, name.c_str());
    if (index == 0) throw DbError("no parameter named " + name, SQLITE_RANGE, sql_);
    return bind(index, v);
}

void Statement::bindAll(const std::vector<Value>& params)
{
    for (std::size_t i = 0; i < params.size(); ++i) bind(static_cast<int>(i) + 1, params[i]);
}

bool Statement::step()
{
    if (hold_) hold_->check();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string msg = failure_message(rc, sqlite3_errmsg(db_));
    sqlite3_reset(stmt_);
    throw DbError(msg, rc, sql_);
}

int Statement::execute()
{
    // The difference of the running total counts exactly the rows this statement
    // inserted, updated or deleted; a DDL statement counts 0.
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    while (step()) {
    }
    const auto changed = static_cast<int>(sqlite3_total_changes64(db_) - before);
    reset();
    return changed;
}

void Statement::reset() { sqlite3_reset(stmt_); }

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

std::string Statement::columnName(int i) const
{
    const char* n = sqlite3_column_name(stmt_, i);
    return n ? n : "";
}

Value Statement::column(int i) const
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER: return Value(static_cast<long long>(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(stmt_, i));
    case SQLITE_TEXT:
        return Value(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i)),
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))));
    case SQLITE_BLOB:
        return Value(std::string(static_cast<const char*>(sqlite3_column_blob(stmt_, i)),
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))));
    default: return Value();
    }
}

double Statement::columnDouble(int i) const
{
    if (sqlite3_column_type(stmt_, i) == SQLITE_TEXT) return column(i).toDouble();
    return sqlite3_column_double(stmt_, i);
}

long long Statement::columnInt(int i) const
{
    if (sqlite3_column_type(stmt_, i) == SQLITE_INTEGER) return sqlite3_column_int64(stmt_, i);
    return column(i).toInt();
}

bool Statement::columnIsNull(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }

} // namespace vt::db
