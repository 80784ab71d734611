#include "eval/critical_correlation.h"
#include "eval/stats_accumulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using vt::eval::DynamicsChart;
using vt::eval::StatsAccumulator;

namespace {

bool has_line_starting(const StatsAccumulator& acc, const std::string& prefix)
{
    return std::any_of(acc.lines().begin(), acc.lines().end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

StatsAccumulator three_pairs()
{
    StatsAccumulator acc("rux_stat_corg");
    acc.reset(1);
    acc.add(2001, true, true, 0.9, 1.0);
    acc.add(2002, true, true, 1.0, 1.2);
    acc.add(2003, true, true, 1.2, 1.1);
    return acc;
}

TEST(StatsAccumulator, ThreePairsGiveTheKnownStatistics)
{
    const auto f = three_pairs().statistics();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->n, 3);
    EXPECT_NEAR(static_cast<double>(f->me), 0.2 / 3, 1e-12);
    EXPECT_NEAR(static_cast<double>(f->rmse), std::sqrt(0.06 / 3), 1e-12);
    EXPECT_NEAR(static_cast<double>(f->e), (0.1 / 1.0 + 0.2 / 1.2 - 0.1 / 1.1) / 3, 1e-12);
    EXPECT_NEAR(static_cast<double>(f->me), 0.0667, 5e-5);
    EXPECT_NEAR(static_cast<double>(f->rmse), 0.1414, 5e-5);
    ASSERT_TRUE(f->rKrit);
    EXPECT_NEAR(static_cast<double>(*f->rKrit), 12.71 / std::sqrt(12.71 * 12.71 + 1), 1e-12);
}

TEST(StatsAccumulator, ReportListsTheLinesInOrder)
{
    auto acc = three_pairs();
    acc.report();
    const auto& l = acc.lines();
    ASSERT_GE(l.size(), 12u);
    EXPECT_EQ(l[0], " N         =3");
    const std::vector<std::string> order{" mean error=", " rel.err =", " E        =", " RMSE     =", " RMSErel  =",
                                         " efficiency=", " s  =", " smw=", "        ", "critical r value =",
                                         " corr.(obs~sim) r=", " corr.(dif~ t } r="};
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(l[i + 1].rfind(order[i], 0), 0u) << "line " << i + 1 << ": " << l[i + 1];
    EXPECT_EQ(l[1], " mean error=0.0666666666667");
}

TEST(StatsAccumulator, CriticalRLineOnlyForThreeToSixtyOnePairs)
{
    struct Case { int n; bool line; };
    for (const Case c : {Case{2, false}, Case{3, true}, Case{61, true}, Case{62, false}}) {
        StatsAccumulator acc("rux_stat_corg");
        acc.reset(1);
        for (int i = 0; i < c.n; ++i) acc.add(2000 + i, true, true, 10 + (i * i) % 7, 11 + i % 5);
        acc.report();
        EXPECT_EQ(has_line_starting(acc, "critical r value ="), c.line) << "n = " << c.n;
        EXPECT_EQ(has_line_starting(acc, " N         ="), true) << "n = " << c.n;
    }
    EXPECT_FALSE(vt::eval::critical_t(2));
    EXPECT_DOUBLE_EQ(*vt::eval::critical_t(4), 4.3027);
    EXPECT_DOUBLE_EQ(*vt::eval::critical_t(10), 2.306);
    EXPECT_DOUBLE_EQ(*vt::eval::critical_t(32), 2.0423);
    EXPECT_DOUBLE_EQ(*vt::eval::critical_t(61), 2.001);
}

TEST(StatsAccumulator, OutlierIsDrawnButNotCounted)
{
    auto acc = three_pairs();
    acc.add(2004, true, false, 1.0, 5.0);
    EXPECT_EQ(acc.sums().n, 3);
    const auto& outliers = acc.chart().series[DynamicsChart::Outliers];
    ASSERT_EQ(outliers.size(), 1u);
    EXPECT_EQ(outliers[0].x, 2004);
    EXPECT_EQ(outliers[0].y, 5.0);
    EXPECT_EQ(acc.chart().series[DynamicsChart::Observed].size(), 3u);
    EXPECT_EQ(acc.chart().series[DynamicsChart::Simulated].size(), 4u);
    EXPECT_EQ(acc.chart().largest, 5.0);
}

TEST(StatsAccumulator, ZeroValuesAreNotCountedAndAnObservedZeroIsNotDrawn)
{
    StatsAccumulator acc("rux_stat_corg");
    acc.reset(1);
    acc.add(2001, true, true, 0.0, 1.0);
    acc.add(2002, true, true, 1.0, 0.0);
    EXPECT_EQ(acc.sums().n, 0);
    EXPECT_EQ(acc.chart().series[DynamicsChart::Observed].size(), 1u);
    EXPECT_EQ(acc.chart().series[DynamicsChart::Simulated].size(), 1u);
    EXPECT_EQ(acc.chart().smallest, 1.0);
    acc.report();
    EXPECT_TRUE(acc.lines().empty());
    EXPECT_TRUE(acc.storeStatement(true).empty());
}

TEST(StatsAccumulator, ConstantDifferenceReportsTheFailedCorrelation)
{
    StatsAccumulator acc("rux_stat_corg");
    acc.reset(1);
    for (int i = 0; i < 4; ++i) acc.add(2000 + i, true, true, 1.0 + i, 1.5 + i);  // d = 0.5 every year
    acc.report();
    // The error line takes the place of the critical value and both correlations.
    EXPECT_FALSE(has_line_starting(acc, "critical r value ="));
    EXPECT_FALSE(has_line_starting(acc, " corr.(obs~sim) r="));
    EXPECT_FALSE(has_line_starting(acc, " corr.(dif~ t } r="));
    const auto& l = acc.lines();
    const auto err = std::find(l.begin(), l.end(), " error in r calculation ");
    ASSERT_NE(err, l.end());
    ASSERT_NE(err, l.begin());
    EXPECT_EQ((err - 1)->rfind("        ", 0), 0u) << "follows the bias line: " << *(err - 1);
    const auto sql = acc.storeStatement(true);
    EXPECT_EQ(sql.find("R_sim"), std::string::npos);
    EXPECT_NE(sql.find(" ,R_krit="), std::string::npos);
}

TEST(StatsAccumulator, StoreStatementWritesRealNumbersWithADecimalPoint)
{
    const auto acc = three_pairs();
    const auto sql = acc.storeStatement(false);
    EXPECT_EQ(sql.rfind("update rux_stat_corg set N=3 ,RMS=", 0), 0u) << sql;
    EXPECT_EQ(sql.find(",SB="), std::string::npos);
    EXPECT_NE(sql.find(" where fl_id=1"), std::string::npos);
    EXPECT_EQ(sql.find(','), sql.find(" ,RMS=") + 1) << "no decimal comma in " << sql;
    EXPECT_NE(acc.storeStatement(true).find(" ,SB="), std::string::npos);
}

} // namespace

TEST(StatsAccumulator, StatisticsReadInTheirShortestForm)
{
    struct Case {
        long double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0089L - 7e-18L, "0.0089"},           // rounding noise of a sum of squares
        {0.0089L, "0.0089"},
        {2.0L / 30, "0.0666666666667"},         // a true repeating fraction keeps 12 digits
        {84123.5L, "84123.5"},
        {-2.5e-7L, "-2.5e-07"},
        {0.0L, "0"},
        {-0.0L, "0"},
        {3.0L, "3"},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::eval::display_number(c.value), c.text) << static_cast<double>(c.value);
}

TEST(StatsAccumulator, PerfectFitHasNoNegativeLackOfCorrelation)
{
    StatsAccumulator acc("rux_stat_corg");
    acc.reset(1);
    // Simulated values a fixed share above the observed ones: r is 1 up to rounding.
    for (int i = 0; i < 12; ++i) acc.add(2000 + i, true, true, 1.1 * (0.93 + 0.017 * i), 0.93 + 0.017 * i);
    const auto f = acc.statistics();
    ASSERT_TRUE(f && f->decomposition);
    EXPECT_GE(f->decomposition->lc, 0.0L);
    EXPECT_GE(f->decomposition->nu, 0.0L);
    acc.report();
    for (const auto& line : acc.lines()) EXPECT_EQ(line.find("e-2"), std::string::npos) << line;
}
