#pragma once
#include "db/connection.h"

#include <string>

namespace vt::db {

// A named savepoint: all statements between its creation and release() stand or fall
// together. Unlike a Transaction it nests, so it may be opened inside a caller's
// transaction. Rolled back unless released.
class Savepoint {
public:
    Savepoint(Connection& c, std::string name) : c_(c), name_(std::move(name)) { c_.execute("SAVEPOINT " + name_); }
    ~Savepoint()
    {
        if (!open_) return;
        try {
            c_.executeIgnoringErrors("ROLLBACK TO " + name_);
            c_.executeIgnoringErrors("RELEASE " + name_);
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
    }

private:
    Connection& c_;
    std::string name_;
    bool open_ = true;
};

} // namespace vt::db
