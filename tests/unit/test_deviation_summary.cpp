#include "engine/balance/deviation_summary.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vt::engine;

namespace {

TEST(DeviationSummary, ClassesTakeTheLowerBoundAndLeaveTheUpper)
{
    const struct { double d; int cls; } cases[] = {{-0.6, 0}, {-0.5, 1}, {-0.3, 1}, {-0.25, 2}, {-0.05, 3},
                                                   {0.0, 3},  {0.05, 4}, {0.25, 5}, {0.49, 5},  {0.5, 6}};
    for (const auto& c : cases) EXPECT_EQ(deviation_class(c.d), c.cls) << c.d;
}

TEST(DeviationSummary, LogLinesAndStatistics)
{
    const DeviationSummary s = summarise_deviations({0.1, -0.1, 0.3, -0.7});
    EXPECT_EQ(s.n, 4);
    EXPECT_NEAR(s.meanError, -0.1, 1e-12);
    EXPECT_NEAR(s.rmse, std::sqrt((0.01 + 0.01 + 0.09 + 0.49) / 4), 1e-12);
    const auto lines = s.logLines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], " CL1<-0.5=>1 / 25.0%");
    EXPECT_EQ(lines[3], " CL4<0.05=>0 / 0.0%");
    EXPECT_EQ(lines[6], " CL7>0.5=>0 / 0.0%");
    EXPECT_EQ(lines[7], " N=4");
    EXPECT_EQ(lines[12], "        no significant bias detected");

    // A consistent negative deviation is a bias too.
    EXPECT_TRUE(summarise_deviations({-0.2, -0.21, -0.19}).bias);
    EXPECT_TRUE(summarise_deviations({}).logLines().empty());
    EXPECT_EQ(summarise_deviations({0.2}).logLines().size(), 10u);
}

} // namespace
