#include "integration/run_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The command reads the per-user settings; each test gets its own empty ones.
class RunCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VELTRANO_CONFIG", settings_.file("rux.ini").c_str(), 1);
        f_.addSoil(1, 15, 40);
        f_.addClimate(1, 0, 8.5, 600);
        f_.addPlot(1);
        f_.addEvent(1, 2001, 2, 1, 60);
        f_.addEvent(1, 2004, 3, 201, 10);
        f_.addMeasurement(1, 7, 2001, 0, 1.2);
    }
    void TearDown() override { unsetenv("VELTRANO_CONFIG"); }

    vt::test::TempDir settings_;
    vt::test::RunFixture f_;
};

TEST_F(RunCommand, PreparesUnattendedWithTheSwitchesAsGiven)
{
    auto r = vt::test::run_cli({"run", "--db", f_.path(), "GO", "nw", "--prepare-only"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("method : RUX\n"), std::string::npos);
    EXPECT_NE(r.out.find("tmp bat :4\n"), std::string::npos);

    r = vt::test::run_cli({"run", "DB=" + f_.path(), "BAT=0", "--prepare-only"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("tmp bat :2\n"), std::string::npos);
}

TEST_F(RunCommand, ARunThatDoesNotFinishEndsWithANonZeroCode)
{
    const auto r = vt::test::run_cli({"run", "--db", f_.path(), "ID=1;drop table cultivation", "--prepare-only"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("is not a plot number"), std::string::npos);
    EXPECT_TRUE(f_.db().tableExists("cultivation"));

    EXPECT_EQ(vt::test::run_cli({"run", "--db", settings_.file("missing.db"), "--prepare-only"}).code, 2);
}

} // namespace
