#include "db/connection.h"
#include "db/schema.h"
#include "engine/balance/plot_pipeline.h"
#include "regional_database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace vt;

// Every row of a table in the order it was written, every value to the last bit.
std::vector<std::string> dump(db::Connection& c, const std::string& table)
{
    std::vector<std::string> rows;
    for (auto cur = c.query("SELECT * FROM " + table + " ORDER BY rowid"); !cur.eof(); cur.next()) {
        std::string row;
        for (int i = 0; i < cur.fieldCount(); ++i) {
            const db::Value v = cur.field(i);
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", v.toDouble());
            row += (i ? "|" : "") + (v.isNull() ? std::string("NULL") : std::string(buf));
        }
        rows.push_back(row);
    }
    return rows;
}

class ParallelRun : public ::testing::Test {
protected:
    void SetUp() override { setenv("VELTRANO_CONFIG", dir_.file("rux.ini").c_str(), 1); }
    void make(const bench::RegionalDatabaseShape& shape)
    {
        db::Connection c(path_, db::Connection::Mode::ReadWriteCreate);
        db::create_schema(c);
        bench::fill_regional_database(c, shape);
    }
    void TearDown() override { unsetenv("VELTRANO_CONFIG"); }

    std::vector<std::vector<std::string>> runWith(const std::string& jobs)
    {
        // A run removes the old rows of its plots from rux_nresult and sim_result only.
        db::Connection(path_).executeIgnoringErrors("DELETE FROM rux_zbv");
        const auto r = test::run_cli({"run", "--db", path_, "GO", "nw", "--jobs", jobs});
        EXPECT_EQ(r.code, 0) << r.err;
        db::Connection c(path_);
        return {dump(c, "rux_nresult"), dump(c, "rux_zbv"), dump(c, "sim_result")};
    }

    test::TempDir dir_;
    std::string path_ = dir_.file("regional.db");
};

TEST_F(ParallelRun, WritesTheSameRowsWithOneAndWithSeveralThreads)
{
    make({40, 15, 1981, 7});
    const auto one = runWith("1");
    ASSERT_EQ(one[0].size(), 40u * 15u);
    EXPECT_EQ(one[1].size(), one[0].size());
    EXPECT_EQ(one[2].size(), one[0].size());
    EXPECT_TRUE(runWith("2") == one);
    EXPECT_TRUE(runWith("3") == one);
}

// A database as users bring them, in every shape at once: only primary keys, several crops
// and a catch crop in many years, plot ids with gaps, the events in random order.
TEST_F(ParallelRun, AUsersDatabaseOfAnyShapeGetsTheSameRowsWithOneAndTwoThreads)
{
    bench::RegionalDatabaseShape shape = bench::users_database_shape(30, 12, 5);
    shape.firstYear = 1981;
    shape.catchCrops = shape.idGaps = shape.shuffledEvents = true;
    make(shape);
    const auto one = runWith("1");
    ASSERT_EQ(one[0].size(), 30u * 12u);
    EXPECT_TRUE(runWith("2") == one);
}

// A pipeline over plots 0..n-1 whose simulation tags the output with the plot id.
engine::PlotPipeline counting_pipeline(int n, int& read, std::vector<long long>& written)
{
    engine::PlotPipeline p;
    p.read = [n, &read]() -> std::optional<engine::PlotInput> {
        if (read == n) return std::nullopt;
        engine::PlotInput in;
        in.fl_id = read++;
        return in;
    };
    p.simulate = [](const engine::PlotInput& in) {
        engine::PlotOutput out;
        out.fl_id = in.fl_id;
        return out;
    };
    p.write = [&written](engine::PlotOutput&& out, std::size_t) {
        written.push_back(out.fl_id);
        return true;
    };
    return p;
}

TEST(PlotPipeline, WritesInReadingOrderAndStopsWhenTheWriterSaysSo)
{
    for (int jobs : {1, 3}) {
        int read = 0;
        std::vector<long long> written;
        engine::PlotPipeline p = counting_pipeline(200, read, written);
        engine::run_plot_pipeline(p, jobs);
        ASSERT_EQ(written.size(), 200u);
        for (long long i = 0; i < 200; ++i) EXPECT_EQ(written[static_cast<size_t>(i)], i);

        read = 0;
        written.clear();
        p.write = [&written](engine::PlotOutput&& out, std::size_t) {
            written.push_back(out.fl_id);
            return out.fl_id != 17;
        };
        engine::run_plot_pipeline(p, jobs);
        EXPECT_EQ(written.size(), 18u);
        EXPECT_LE(read, 18 + 4 * jobs) << "plots in flight are bounded";
    }
}

TEST(PlotPipeline, AFailingSimulationReachesTheCallerAfterTheEarlierPlotsAreWritten)
{
    int read = 0;
    std::vector<long long> written;
    engine::PlotPipeline p = counting_pipeline(100, read, written);
    p.simulate = [](const engine::PlotInput& in) -> engine::PlotOutput {
        if (in.fl_id == 42) throw std::runtime_error("plot 42");
        engine::PlotOutput out;
        out.fl_id = in.fl_id;
        return out;
    };
    EXPECT_THROW(engine::run_plot_pipeline(p, 2), std::runtime_error);
    EXPECT_EQ(written.size(), 42u);
}

} // namespace

namespace {

TEST(RegionalDatabase, TheSameSeedGivesTheSameDatabase)
{
    const auto make = [](std::uint64_t seed) {
        auto c = vt::db::Connection::memory();
        vt::db::create_schema(*c);
        vt::bench::fill_regional_database(*c, {30, 4, 2001, seed});
        std::vector<std::string> all;
        for (const char* t : {"cultivation", "soilproperties", "climate_data", "measurements", "field_description"}) {
            const auto rows = dump(*c, t);
            all.insert(all.end(), rows.begin(), rows.end());
        }
        return all;
    };
    const auto first = make(3);
    EXPECT_EQ(make(3), first);
    EXPECT_NE(make(4), first);
}

} // namespace
