#include "db/connection.h"
#include "db/schema.h"
#include "support/temp_dir.h"
#include "workbench/transfer_plots.h"

#include <gtest/gtest.h>

#include <filesystem>

using vt::db::Connection;
using vt::workbench::DataTransfer;

namespace {

// Source: plots 101 and 102 on soil 1 and station 1 (experiment "E1" with two references),
// plot 103 on soil 2 and station 2. Crop 10 leaves residues 5 and by-product 6; plot 101
// also has amendment 7.
void fill_source(Connection& c)
{
    vt::db::create_schema(c);
    c.executeScript(R"(
        insert into experiments values (1, 'E1', 'A', 'trial');
        insert into field_description (FL_ID, site_description, Location, versuch_code, climate_ID, soil_ID)
            values (101, 'p1', 'A', 'E1', 1, 1), (102, 'p2', 'A', 'E1', 1, 1), (103, 'p3', 'B', 'E1', 2, 2);
        insert into site_state (FL_ID, status) values (101, 0), (102, 0), (103, 0);
        insert into soilproperties (soil_ID, profile, clay) values (1, 'loam', 20), (2, 'sand', 5);
        insert into climate_station (climate_ID, station) values (1, 'S1'), (2, 'S2');
        insert into climate_data (climate_ID, [year], temperature, precipitation)
            values (1, 2000, 9, 500), (1, 2001, 9.5, 520), (2, 2000, 8, 600);
        insert into measurements (FL_ID, M_IX, [year], year_number, meas_value)
            values (101, 7, 2000, 0, 1.1), (101, 7, 2005, 5, 1.2), (102, 7, 2000, 0, 0.9), (103, 7, 2000, 0, 0.7);
        insert into cultivation (FL_ID, [year], Macode, Item_IX, Quantity)
            values (101, 2000, 2, 10, 60), (101, 2000, 3, 7, 300), (102, 2000, 2, 10, 55), (103, 2000, 2, 10, 40);
        insert into gldpflan (ITEM_IX, NAME, ewr_ix, kop_ix) values (10, 'wheat', 5, 6);
        insert into gldopspa (item_ix, NAME) values (5, 'residues'), (6, 'straw'), (7, 'manure');
        insert into referenzen (lit_id, autor, jahr) values (1, 'Miller', 1990), (2, 'Smith', 2001);
        insert into ref2vcode values (1, 'E1'), (2, 'E1');
    )");
}

long long count(Connection& c, const std::string& sql) { return c.scalar(sql).toInt(); }

class Transfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        src = std::make_unique<Connection>(dir.file("src.db"), Connection::Mode::ReadWriteCreate);
        fill_source(*src);
        Connection d(dst(), Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(d);
        d.executeScript("insert into gldopspa (item_ix, NAME) values (5, 'Ernterückstände');"
                        "insert into referenzen (lit_id, autor) values (2, 'Smith');"
                        "insert into ref2vcode values (2, 'E1');");
    }
    std::string dst() const { return dir.file("dst.db"); }
    vt::test::TempDir dir;
    std::unique_ptr<Connection> src;
};

TEST_F(Transfer, PlotsCopyWithTheirSoilAndStationOnce)
{
    DataTransfer t(*src);
    t.selectDestination(dst());
    EXPECT_TRUE(std::filesystem::exists(dir.file("dst.db.bak")));
    DataTransfer::Options o;
    o.keyCheck = false;
    auto done = t.copy({101}, o);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].copied);
    done = t.copy({102}, o);
    EXPECT_EQ(t.destinationPlots().rows.size(), 2u);
    t.disconnect();

    Connection d(dst());
    EXPECT_EQ(count(d, "select count(*) from experiments where vcode='E1'"), 1);
    EXPECT_EQ(count(d, "select count(*) from soilproperties where soil_ID=1"), 1);
    EXPECT_EQ(count(d, "select count(*) from climate_station"), 1);
    EXPECT_EQ(count(d, "select count(*) from climate_data where climate_ID=1"), 2);
    EXPECT_EQ(count(d, "select count(*) from measurements"), 3);
    EXPECT_EQ(count(d, "select count(*) from cultivation where FL_ID=101"), 2);
    EXPECT_EQ(count(d, "select count(*) from site_state"), 2);
    // The reference already linked is not duplicated; the other one comes along.
    EXPECT_EQ(count(d, "select count(*) from ref2vcode"), 2);
    EXPECT_EQ(count(d, "select count(*) from referenzen"), 2);
    for (Connection* c : {src.get(), &d}) EXPECT_FALSE(c->tableExists("movetab"));
    // The backup holds the destination as it was.
    Connection bak(dir.file("dst.db.bak"));
    EXPECT_EQ(count(bak, "select count(*) from field_description"), 0);
}

TEST_F(Transfer, AFailingPlotLeavesTheDestinationAsItWasForThatPlot)
{
    {
        Connection d(dst());
        // Plot 101 exists; station 2 lacks its station row but has a weather row that the
        // copy of plot 103 collides with at its last step.
        d.executeScript("insert into field_description (FL_ID, Location) values (101, 'old');"
                        "insert into climate_data (climate_ID, [year], temperature) values (2, 2000, 1);");
    }
    DataTransfer t(*src);
    t.selectDestination(dst());
    DataTransfer::Options o;
    o.keyCheck = false;
    try {
        t.copy({102, 103}, o);
        FAIL() << "no error";
    } catch (const vt::workbench::TransferError& e) {
        EXPECT_EQ(e.plot(), 103);
        EXPECT_EQ(e.table(), "climate_data");
        EXPECT_NE(std::string(e.what()).find("plot 103, table climate_data: "), std::string::npos) << e.what();
    }
    try {
        t.copy({101}, o);
        FAIL() << "no error";
    } catch (const vt::workbench::TransferError& e) {
        EXPECT_EQ(std::string(e.what()), "plot 101, table field_description: the plot id exists in the destination already");
    }
    t.disconnect();
    Connection d(dst());
    EXPECT_EQ(count(d, "select count(*) from field_description where FL_ID=102"), 1);  // done before stays done
    for (const char* table : {"field_description", "measurements", "cultivation", "site_state"})
        EXPECT_EQ(count(d, std::string("select count(*) from ") + table + " where FL_ID=103"), 0) << table;
    EXPECT_EQ(count(d, "select count(*) from soilproperties where soil_ID=2"), 0);
    EXPECT_EQ(count(d, "select count(*) from field_description where FL_ID=101"), 1);
    EXPECT_EQ(count(d, "select count(*) from measurements where FL_ID=101"), 0);
}

TEST_F(Transfer, KeyCheckListsHitsAndMissingRecords)
{
    DataTransfer t(*src);
    t.selectDestination(dst());
    auto lists = t.keyCheck(101);
    EXPECT_EQ(lists.amendmentHits, std::vector<std::string>{"5 ==>src: residues ==>dst: Ernterückstände"});
    EXPECT_EQ(lists.amendmentsMissing, (std::vector<long long>{6, 7}));
    EXPECT_EQ(lists.cropsMissing, std::vector<long long>{10});
    EXPECT_EQ(lists.messageLines().front(), "Trefferliste Ops:");

    // Without an answer a plot with missing records is not copied.
    DataTransfer::Options o;
    EXPECT_FALSE(t.copy({101}, o)[0].copied);
    t.copyParameterRecord(DataTransfer::Record::Amendment, 6);
    t.copyParameterRecord(DataTransfer::Record::Amendment, 7);
    t.copyParameterRecord(DataTransfer::Record::Crop, 10);
    lists = t.keyCheck(101);
    EXPECT_TRUE(lists.complete());
    EXPECT_EQ(lists.cropHits, std::vector<std::string>{"10 ==>src: wheat ==>dst: wheat"});
    EXPECT_TRUE(t.copy({101}, o)[0].copied);
}

TEST_F(Transfer, TheCommandCopiesAndReports)
{
    src.reset();
    auto r = vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "101,102"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("plot 101: not copied, the destination lacks parameter records (amendments 6, 7; crops 10)"),
              std::string::npos)
        << r.err;
    r = vt::test::run_cli(
        {"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "101,102", "--copy-missing"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("backup written: " + dst() + ".bak"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("plot 101 copied: experiments 1, ref2vcode 1, referenzen 1, measurements 2, cultivation 2, "
                         "field_description 1, site_state 1, soilproperties 1, climate_station 1, climate_data 2"),
              std::string::npos)
        << r.out;
    r = vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "101", "--no-key-check"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("plot 101, table field_description: the plot id exists"), std::string::npos) << r.err;
    EXPECT_EQ(vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "1x"}).code, 2);
}

} // namespace
