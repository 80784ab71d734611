#pragma once
#include "db/busy.h"
#include "db/connection.h"

#include <string>

namespace vt::db {

// A named savepoint: all statements between its creation and release() stand or fall
// together. Unlike a Transaction it nests, so it may be opened inside a caller's
// transaction. Rolled back unless released. Outside a transaction it opens one that takes
// the write lock at once (as Transaction does), so that it waits for another program's lock.
class Savepoint {
public:
    Savepoint(Connection& c, std::string name) : c_(c), name_(std::move(name))
    {
        outer_ = !in_transaction(c_) && !c_.readOnly();
        if (outer_) c_.execute("BEGIN IMMEDIATE");
        try {
            c_.execute("SAVEPOINT " + name_);
        } catch (...) {
            if (outer_) c_.executeIgnoringErrors("ROLLBACK");
            throw;
        }
    }
    ~Savepoint()
    {
        if (!open_) return;
        try {
            c_.executeIgnoringErrors("ROLLBACK TO " + name_);
            c_.executeIgnoringErrors("RELEASE " + name_);
            if (outer_) c_.executeIgnoringErrors("ROLLBACK");
        } catch (const DbError&) {
            // Refused: another thread holds the connection; its work stays untouched.
        }
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    void release()
    {
        c_.execute("RELEASE " + name_);
        open_ = false;
        if (!outer_) return;
        try {
            c_.execute("COMMIT");
        } catch (...) {
            c_.executeIgnoringErrors("ROLLBACK");
            throw;
        }
    }

private:
    Connection& c_;
    std::string name_;
    bool outer_ = false;
    bool open_ = true;
};

} // namespace vt::db
