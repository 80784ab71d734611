#include "engine/soil/fom_pools.h"

#include <gtest/gtest.h>

using namespace vt::engine;

namespace {

TEST(OpsList, SameMaterialSharesAPoolWithCarbonWeightedAge)
{
    OpsList list;
    list.create_opsprm();
    list.add_ops_rec(0.1L, 20, 0.01L, 0.3L, 1000, 0, 4);
    list.pools()[0].age = 3;  // a year-old pool, say
    list.add_ops_rec(0.9L, 20, 0.01L, 0.3L, 500, 1, 4);
    ASSERT_EQ(list.pools().size(), 1u);
    const OpsRecord& r = list.pools()[0];
    EXPECT_EQ(r.cops, 1500);
    EXPECT_EQ(r.age, (3 * 1000 + 1 * 500.0L) / 1500);
    // The first addition fixes pop and the mark.
    EXPECT_EQ(r.pop, 0.1L);
    EXPECT_EQ(r.mkd, 0);
}

TEST(OpsList, AnyDifferenceOpensANewPoolAtTheEnd)
{
    struct Case {
        const char* what;
        long double cnr, k, eta;
        int ix;
    };
    for (const Case& c : {Case{"cnr", 21, 0.01L, 0.3L, 4}, Case{"k", 20, 0.02L, 0.3L, 4},
                         Case{"eta", 20, 0.01L, 0.31L, 4}, Case{"item_ix", 20, 0.01L, 0.3L, 5}}) {
        OpsList list;
        list.add_ops_rec(0, 20, 0.01L, 0.3L, 1000, 0, 4);
        list.add_ops_rec(0, 7, 0.05L, 0.5L, 10, 0, 9);
        list.add_ops_rec(0.5L, c.cnr, c.k, c.eta, 250, 1, c.ix);
        ASSERT_EQ(list.pools().size(), 3u) << c.what;
        const OpsRecord& r = list.pools()[2];
        EXPECT_EQ(r.cops, 250) << c.what;
        EXPECT_EQ(r.age, 1) << c.what;
        EXPECT_EQ(r.repflx, 0) << c.what;
        EXPECT_EQ(r.mkd, 1) << c.what;
        EXPECT_EQ(r.item_ix, c.ix) << c.what;
        EXPECT_EQ(list.pools()[0].cops, 1000) << c.what;
    }
}

TEST(OpsList, EmptyListTurnsOverNothing)
{
    OpsList list;
    OpsFlux f;
    f.dnmin = f.dcrep = f.cminops = f.mr = 7;
    f.dnsom = 2;
    list.opsturnover(0.1L, 8.5L, f);
    EXPECT_EQ(f.dnmin, 0);
    EXPECT_EQ(f.dcrep, 0);
    EXPECT_EQ(f.cminops, 0);
    EXPECT_EQ(f.mr, 0);
    EXPECT_EQ(f.dnsom, 2);  // the running sum is the caller's to reset
    EXPECT_EQ(list.get_c_ops(), 0);
    EXPECT_EQ(list.get_n_ops(), 0);
    EXPECT_EQ(list.cops4corg(), 0);
}

TEST(OpsList, DecomposedCarbonIsMineralisedOrPassedOn)
{
    struct Case {
        long double eta;
        long double cnr;
    };
    for (const Case c : {Case{0, 20}, Case{1, 20}, Case{0.35L, 12}, Case{1, 8.5L}}) {
        OpsList list;
        list.add_ops_rec(0, c.cnr, 0.02L, c.eta, 1000, 0, 1);
        OpsFlux f;
        list.opsturnover(0.5L, 8.5L, f);
        const long double a = 0.5L * 0.02L * 1000;
        EXPECT_EQ(list.pools()[0].cops, 1000 - a);
        EXPECT_EQ(f.dcrep, a * c.eta);
        EXPECT_EQ(f.cminops, a * (1 - c.eta));
        EXPECT_EQ(list.pools()[0].repflx, a * c.eta);
        EXPECT_EQ(f.dnsom, a / c.cnr);
        EXPECT_EQ(f.dnmin, a / c.cnr - a * c.eta / 8.5L);
    }
    // Material at the soil's C/N ratio passed on entirely binds all its nitrogen.
    OpsList list;
    list.add_ops_rec(0, 8.5L, 0.02L, 1, 1000, 0, 1);
    OpsFlux f;
    list.opsturnover(0.5L, 8.5L, f);
    EXPECT_EQ(f.dnmin, 0);
}

TEST(OpsList, MarkedShareOfTheReproductionFlux)
{
    OpsFlux f;
    OpsList unmarked;
    unmarked.add_ops_rec(0, 20, 0.01L, 0.4L, 1000, 0, 1);
    unmarked.opsturnover(0.1L, 8.5L, f);
    EXPECT_EQ(f.mr, 0);

    OpsList marked;
    marked.add_ops_rec(0, 20, 0.01L, 0.4L, 1000, 1, 1);
    marked.add_ops_rec(0, 30, 0.01L, 0.4L, 500, 1, 2);
    marked.opsturnover(0.1L, 8.5L, f);
    EXPECT_EQ(f.mr, 1);

    OpsList mixed;
    mixed.add_ops_rec(0, 20, 0.01L, 0.4L, 1000, 1, 1);
    mixed.add_ops_rec(0, 30, 0.01L, 0.4L, 3000, 0, 2);
    mixed.opsturnover(0.1L, 8.5L, f);
    EXPECT_NEAR(static_cast<double>(f.mr), 0.25, 1e-15);
}

TEST(OpsList, StepsAccumulateGrossNitrogenAndConserveCarbon)
{
    OpsList list;
    list.add_ops_rec(0.2L, 20, 0.012L, 0.3L, 1200, 0, 1);
    list.add_ops_rec(0.0L, 60, 0.003L, 0.5L, 2500, 1, 2);
    list.add_ops_rec(0.5L, 9, 0.04L, 0.2L, 300, 0, 3);
    const double before = list.get_c_ops();
    OpsFlux f;
    long double mineralised = 0, passed = 0, dnsomSteps = 0;
    for (int i = 0; i < 500; ++i) {
        const long double nBefore = list.get_n_ops();
        list.opsturnover(0.1L, 8.5L, f);
        mineralised += f.cminops;
        passed += f.dcrep;
        dnsomSteps += nBefore - list.get_n_ops();
    }
    EXPECT_NEAR(before - list.get_c_ops(), static_cast<double>(mineralised + passed), 1e-9);
    EXPECT_NEAR(static_cast<double>(f.dnsom), static_cast<double>(dnsomSteps), 1e-9);
    long double pop = 0;
    for (const OpsRecord& r : list.pools()) pop += r.cops * r.pop;
    EXPECT_EQ(list.cops4corg(), static_cast<double>(pop));

    list.destroy_opsprm();
    EXPECT_TRUE(list.empty());
}

} // namespace
