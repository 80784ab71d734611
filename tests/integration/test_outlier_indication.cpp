#include "eval/grubbs_table.h"
#include "eval/outlier_indication.h"
#include "support/eval_fixture.h"

#include <gtest/gtest.h>

using vt::db::Connection;

namespace {

std::vector<long long> flagged(Connection& c)
{
    std::vector<long long> ids;
    for (auto cur = c.query("SELECT meas_id FROM tmp_outlist ORDER BY meas_id"); !cur.eof(); cur.next())
        ids.push_back(cur.getInt("meas_id"));
    return ids;
}

TEST(OutlierIndication, GrubbsTableHoldsTheCriticalValues)
{
    auto c = Connection::memory();
    EXPECT_TRUE(vt::eval::ensure_grubbs_table(*c));
    EXPECT_FALSE(vt::eval::ensure_grubbs_table(*c));
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM z_grubbs").toInt(), 200);
    EXPECT_EQ(c->scalar("SELECT Count(*) FROM z_grubbs WHERE ZGRUBB > 0").toInt(), 198);
    EXPECT_EQ(c->scalar("SELECT ZGRUBB FROM z_grubbs WHERE N=2").toDouble(), -99);
    struct Case { int n; double z; };
    for (const Case k : {Case{3, 1.1543}, Case{10, 2.2900}, Case{200, 3.6055}})
        EXPECT_NEAR(c->scalar("SELECT ZGRUBB FROM z_grubbs WHERE N=?", {k.n}).toDouble(), k.z, 5e-5) << k.n;
}

TEST(OutlierIndication, FlagsTheOneHighValueAmongTen)
{
    auto c = Connection::memory();
    vt::test::create_eval_tables(*c);
    std::vector<long long> ids;
    for (int i = 0; i < 10; ++i) ids.push_back(vt::test::add_observation(*c, 1, 7, 2000 + i, i + 1, i == 9 ? 5 : 1));
    vt::test::add_observation(*c, 1, 7, 1999, 0, 1);  // initial value: not part of the sample
    // Two observations of another property are never tested; equal values have no outlier.
    vt::test::add_observation(*c, 1, 0, 2001, 1, 1);
    vt::test::add_observation(*c, 1, 0, 2002, 2, 9);
    for (int i = 0; i < 5; ++i) vt::test::add_observation(*c, 2, 7, 2000 + i, i + 1, 3);

    for (int pass = 0; pass < 2; ++pass) {
        const auto s = vt::eval::prepare_outlier_indication(*c);
        EXPECT_EQ(s.groups, 1);
        EXPECT_EQ(flagged(*c), std::vector<long long>{ids[9]}) << "pass " << pass;
        EXPECT_NEAR(c->scalar("SELECT PG_MAX FROM outlier_check").toDouble(), 2.846, 5e-4);
        EXPECT_EQ(c->scalar("SELECT weight FROM measurements WHERE meas_ID=?", {ids[9]}).toDouble(), 0);
        EXPECT_EQ(c->scalar("SELECT Sum(weight) FROM measurements").toDouble(), 17);
    }
}

TEST(OutlierIndication, MissingMeasurementsLeaveNoResultTables)
{
    auto c = Connection::memory();
    const auto s = vt::eval::prepare_outlier_indication(*c);
    EXPECT_EQ(s.flagged, 0);
    EXPECT_FALSE(c->tableExists("tmp_outlist"));
    EXPECT_TRUE(c->tableExists("z_grubbs"));
}

} // namespace
