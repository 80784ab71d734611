#include "db/connection.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportCommand, ShowsPairsAndStatisticsPerPlot)
{
    vt::test::TempDir dir;
    const std::string file = dir.file("r.db");
    {
        vt::db::Connection c(file, vt::db::Connection::Mode::ReadWriteCreate);
        c.executeScript(
            "create table field_description (FL_ID int, Location text, site_description text);"
            "insert into field_description values (1, 'Rothamsted', 'Nil'), (2, 'Askov', 'NPK');"
            "create table site_state (FL_ID int, status int);"
            "insert into site_state values (1, 1), (2, 1);"
            "create table sim_result (fl_id int, m_ix int, year_num int, year_ int, sim_value float);"
            "insert into sim_result values (1, 7, 1, 2001, 1.0), (1, 7, 2, 2002, 1.1), (2, 7, 1, 2001, 2.0);"
            "create table measurements (meas_ID int, FL_ID int, M_IX int, [year] int, year_number int, meas_value double);"
            "insert into measurements values (1, 1, 7, 2001, 1, 1.2), (2, 1, 7, 2002, 2, 1.0), (3, 2, 7, 2001, 1, 2.3);"
            "create table tmp_outlist (fl_id int, m_ix int, meas_id int);");
    }
    const auto r = vt::test::run_cli({"report", "--db", file});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Plot 1  Rothamsted - Nil"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   2002         2     1.000      1.100   -0.100"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   n=2  mean error=0.050  RMSE=0.158"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("All plots: n=3  mean error=0.133"), std::string::npos) << r.out;

    EXPECT_EQ(vt::test::run_cli({"report", "--db", dir.file("none.db")}).code, 2);
}

} // namespace
