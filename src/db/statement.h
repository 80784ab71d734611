#pragma once
#include "db/value.h"

#include <memory>

#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vt::db {

class ThreadHold;

// A prepared statement with bound values; reusable after reset().
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    // A statement of a connection that a thread may hold: stepping it from another thread
    // meanwhile throws ConnectionBusy.
    Statement(sqlite3* db, const std::string& sql, std::shared_ptr<const ThreadHold> hold);
    ~Statement();
    Statement(Statement&& o) noexcept;
    Statement& operator=(Statement&& o) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds by 1-based position.
    Statement& bind(int index, const Value& v);
    Statement& bind(int index, double v);
    Statement& bind(int index, long long v);
    Statement& bind(int index, int v) { return bind(index, static_cast<long long>(v)); }
    Statement& bind(int index, const std::string& v);
    Statement& bindNull(int index);
    // Binds by name (":name", "@name" or "$name").
    Statement& bind(const std::string& name, const Value& v);
    void bindAll(const std::vector<Value>& params);

    // Steps once; true while a row is available.
    bool step();
    // Runs to completion and returns the number of rows changed; then resets.
    int execute();
    void reset();

    int columnCount() const;
    std::string columnName(int i) const;
    Value column(int i) const;
    double columnDouble(int i) const;
    long long columnInt(int i) const;
    bool columnIsNull(int i) const;
    const std::string& sql() const { return sql_; }
    sqlite3_stmt* handle() const { return stmt_; }

private:
    void check(int rc, const char* what) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    std::string sql_;
    std::shared_ptr<const ThreadHold> hold_;
};

} // namespace vt::db
