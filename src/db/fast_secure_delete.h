#pragma once
#include "db/connection.h"

#include <string>

namespace vt::db {

// While it lives, pages freed by DROP and DELETE are only released, not zeroed and written
// back (the library may be built to erase them, which costs every dropped working table
// its size in I/O a second time). The connection's own setting returns afterwards, however
// the scope is left.
class FastSecureDelete {
public:
    explicit FastSecureDelete(Connection& c) : c_(c), mode_(c.scalar("PRAGMA secure_delete").toInt())
    {
        c_.execute("PRAGMA secure_delete=FAST");
    }
    // The setting reads back as 0, 1 or 2 but is only set to FAST by name: "2" would mean on.
    ~FastSecureDelete()
    {
        try {
            c_.executeIgnoringErrors("PRAGMA secure_delete=" + (mode_ == 2 ? std::string("FAST") : std::to_string(mode_)));
        } catch (const DbError&) {
            // Refused: another thread holds the connection.
        }
    }
    FastSecureDelete(const FastSecureDelete&) = delete;
    FastSecureDelete& operator=(const FastSecureDelete&) = delete;

private:
    Connection& c_;
    long long mode_;
};

} // namespace vt::db
