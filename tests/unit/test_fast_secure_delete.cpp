#include "db/connection.h"
#include "db/fast_secure_delete.h"

#include <gtest/gtest.h>

using vt::db::Connection;
using vt::db::FastSecureDelete;

namespace {

long long mode(Connection& c) { return c.scalar("PRAGMA secure_delete").toInt(); }

// Every setting the connection may start with comes back, also when scopes nest.
TEST(FastSecureDelete, RestoresTheSettingOfEachScope)
{
    for (const char* start : {"0", "1", "FAST"}) {
        auto c = Connection::memory();
        c->execute(std::string("PRAGMA secure_delete=") + start);
        const long long before = mode(*c);
        {
            FastSecureDelete outer(*c);
            EXPECT_EQ(mode(*c), 2) << start;
            {
                FastSecureDelete inner(*c);
                EXPECT_EQ(mode(*c), 2) << start;
            }
            EXPECT_EQ(mode(*c), 2) << "the inner scope restores FAST, not on; started " << start;
        }
        EXPECT_EQ(mode(*c), before) << start;
    }
}

} // namespace
