#include "db/connection.h"
#include "engine/balance/state_store.h"

#include <gtest/gtest.h>

using namespace vt::engine;

namespace {

std::unique_ptr<vt::db::Connection> store_db()
{
    auto c = vt::db::Connection::memory();
    c->execute("create table som_state (fl_id integer, yr integer, c_am float, c_sm float, c_lts float, cnr_am float, "
               "cnr_sm float, cnr_lts float)");
    c->execute("create table fom_state (fl_id integer, yr integer, nr integer, fom_ix integer, fom_c float, "
               "fom_crflx float, fom_cnr float, fom_k float, fom_eta float)");
    return c;
}

OmState state(double c_am, int pools)
{
    OmState s{c_am, 20000, 15000, 8.5, 8.5, -99, {}};
    for (int i = 0; i < pools; ++i) s.pools.push_back(StoredPool{1000.0L / 3 + i, 12.5L, 40, 0.01L, 0.3L, 100 + i});
    return s;
}

TEST(StateStore, StoringTwiceReplacesTheFirstState)
{
    auto c = store_db();
    StateStore store(*c);
    store.store(3, 2010, state(8000, 3));
    store.store(3, 2010, state(9000, 2));
    store.store(3, 2011, state(1, 1));
    EXPECT_EQ(c->scalar("select count(*) from som_state where fl_id=3 and yr=2010").toInt(), 1);
    EXPECT_EQ(c->scalar("select count(*) from fom_state where fl_id=3 and yr=2010").toInt(), 2);

    const auto loaded = store.load(2010, 3, "omstat");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->c_am, 9000);
    EXPECT_EQ(loaded->total(), 9000 + 20000 + 15000);
    ASSERT_EQ(loaded->pools.size(), 2u);
    // 15 significant digits, and the pool's kind and reproduced carbon come back.
    EXPECT_EQ(static_cast<double>(loaded->pools[0].cops), 333.333333333333);
    EXPECT_EQ(loaded->pools[1].item_ix, 101);
    EXPECT_EQ(static_cast<double>(loaded->pools[1].repflx), 12.5);
    EXPECT_EQ(static_cast<double>(loaded->pools[1].k), 0.01);
}

TEST(StateStore, MissingStateIsReportedAndObsvalReadsOnlyPools)
{
    auto c = store_db();
    StateStore store(*c);
    std::string problem;
    EXPECT_FALSE(store.load(2000, 1, "7", &problem));
    EXPECT_EQ(problem, kNoInitialState);

    store.store(1, 2000, state(8000, 0));
    const auto pools = store.load(2000, 1, "obsval");
    ASSERT_TRUE(pools);
    EXPECT_EQ(pools->c_am, 0);  // the soil pools are not read
    EXPECT_TRUE(pools->pools.empty());
}

} // namespace
