#include "db/connection.h"
#include "db/demo_database.h"
#include "db/schema.h"
#include "support/temp_dir.h"
#include "workbench/transfer_plots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

using vt::db::Connection;
using vt::workbench::DataTransfer;

namespace {

// Source: plots 101 and 102 on soil 1 and station 1 (experiment "E1" with two references),
// plot 103 on soil 2 and station 2. Crop 10 leaves residues 5 and by-product 6 and has no
// green part (grd_ix 0); plot 101 also has amendment 7.
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
        insert into gldpflan (ITEM_IX, NAME, ewr_ix, kop_ix, grd_ix) values (10, 'wheat', 5, 6, 0);
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
        // Plot 101 exists; the destination refuses the site_state row of plot 103, the
        // copy's last step.
        d.executeScript("insert into field_description (FL_ID, Location) values (101, 'old');"
                        "create trigger no_103 before insert on site_state when new.FL_ID = 103 "
                        "begin select raise(abort, 'refused by the destination'); end;");
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
        EXPECT_FALSE(e.alreadyThere());
        EXPECT_NE(std::string(e.what()).find("refused by the destination"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("nothing of plot 103 was copied"), std::string::npos) << e.what();
    }
    try {
        t.copy({101}, o);
        FAIL() << "no error";
    } catch (const vt::workbench::TransferError& e) {
        EXPECT_TRUE(e.alreadyThere());
        EXPECT_EQ(std::string(e.what()), "plot 101 is in the destination already (the same FL_ID); nothing of it was copied");
    }
    t.disconnect();
    Connection d(dst());
    EXPECT_EQ(count(d, "select count(*) from field_description where FL_ID=102"), 1);  // done before stays done
    for (const char* table : {"field_description", "measurements", "cultivation", "site_state"})
        EXPECT_EQ(count(d, std::string("select count(*) from ") + table + " where FL_ID=103"), 0) << table;
    EXPECT_EQ(count(d, "select count(*) from soilproperties where soil_ID=2"), 0);
    EXPECT_EQ(count(d, "select count(*) from climate_data where climate_ID=2"), 0);
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
    // Only what was copied is reported: plot 102 needed nothing more.
    EXPECT_NE(r.out.find("plot 101: amendment records copied: 6, 7\nplot 101: crop records copied: 10\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("plot 102: amendment"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("plot 101 copied: experiments 1, soilproperties 1, climate_station 1, climate_data 2, reg_ndeposit 0, "
                         "ref2vcode 1, referenzen 1, measurements 2, cultivation 2, field_description 1, site_state 1"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("soil 1 \"loam\" is in the destination with the same content: reused"), std::string::npos) << r.out;
    // A plot that is there already: refused with the true reason, nothing changes.
    r = vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "101", "--no-key-check"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("plot 101 is in the destination already (the same FL_ID); nothing of it was copied; no plot was "
                         "copied"),
              std::string::npos)
        << r.err;
    // A plot that fails after others were copied: the message says which stay copied.
    r = vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "103,999", "--no-key-check"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("plot 103 copied:"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("plot 999 is not in the open database; copied before it: plots 103"), std::string::npos) << r.err;
    EXPECT_EQ(vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "1x"}).code, 2);
}

TEST_F(Transfer, AWriteProtectedSourceIsEnough)
{
    src.reset();
    std::filesystem::permissions(dir.file("src.db"), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    const auto r = vt::test::run_cli({"transfer", "--from", dir.file("src.db"), "--to", dst(), "--plots", "103",
                                      "--copy-missing"});
    EXPECT_EQ(r.code, 0) << r.err;
    Connection d(dst());
    EXPECT_EQ(count(d, "select count(*) from field_description where FL_ID=103"), 1);
}

// Every column of every row, source against destination (ids the copy re-points or
// renumbers aside).
std::string rows_text(Connection& c, const std::string& sql, const std::vector<std::string>& skip = {})
{
    std::string out;
    for (auto cur = c.query(sql); !cur.eof(); cur.next()) {
        for (int i = 0; i < cur.fieldCount(); ++i) {
            std::string name = cur.fieldName(i);
            for (auto& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
            out += name + "=" + (cur.field(i).isNull() ? "NULL" : cur.field(i).toString()) + " ";
        }
        out += "\n";
    }
    return out;
}

TEST_F(Transfer, RowsArriveWholeAndRecordsWithTakenIdsGetNewOnes)
{
    src->executeScript(R"(
        update soilproperties set skelett = 20, max_lts = 5000, fchw = 0.3 where soil_ID = 1;
        update field_description set repix = 40, rep_cnt = 2, mw_BAT = 25.5, i_con = 'obsval', notill = 1 where FL_ID = 101;
        update site_state set status = 1, res_val = 3.5 where FL_ID = 101;
        update measurements set weight = 0.25, vrnz = 0.01, Month = 4, day = 2 where FL_ID = 101;
        update cultivation set FL_ID_alt = 7, day = 3, month = 4, Sim_Quantity = 61 where FL_ID = 101;
        update climate_station set year0_nd = 1990, year1_nd = 2010, ndep_0 = 20, ndep_1 = 15 where climate_ID = 1;
        update climate_data set day = 1, month = 1 where climate_ID = 1;
        insert into reg_ndeposit values (1, 1990, 20), (1, 2000, 18);
        update experiments set exp_id = 1;
        update gldopspa set K = 0.6 where item_ix = 6;
    )");
    {
        // The destination uses soil 1, station 1 and experiment 1 / "E1" for other things.
        Connection d(dst());
        d.executeScript(R"(
            insert into soilproperties (soil_ID, profile, clay) values (1, 'Podzol on dune sand', 3), (7, 'x', 1);
            insert into climate_station (climate_ID, station) values (1, 'Oberstdorf');
            insert into climate_data (climate_ID, [year], temperature) values (1, 2000, 4);
            insert into experiments values (1, 'E1', 'Z', 'another trial');
            insert into gldopspa (item_ix, NAME, K) values (6, 'straw', 0.9), (7, 'manure', null);
            insert into gldpflan (ITEM_IX, NAME, ewr_ix, kop_ix, grd_ix) values (10, 'wheat', 5, 6, 0);
        )");
    }
    DataTransfer t(*src);
    t.selectDestination(dst());
    DataTransfer::Options o;
    o.keyCheck = false;
    auto done = t.copy({101}, o);
    ASSERT_TRUE(done[0].copied);
    // Amendment 6 differs (K), so crop 10, whose by-product it is, is copied too.
    const std::vector<std::string> expectNotes = {
        "experiment E1 \"trial\" copied as experiment 2 (the destination's experiment E1 holds other content)",
        "soil 1 \"loam\" copied as soil 8 (the destination's soil 1 holds other content)",
        "station 1 \"S1\" copied as station 2 (the destination's station 1 holds other content)",
        "amendment 6 \"straw\" copied as amendment 8 (the destination's amendment 6 holds other content)",
        "crop 10 \"wheat\" copied as crop 11 (its residue, by-product or green part was copied under a new id)"};
    EXPECT_EQ(done[0].notes, expectNotes);
    // Plot 102 shares soil, station and experiment: the copies are found by their content.
    done = t.copy({102}, o);
    ASSERT_TRUE(done[0].copied);
    EXPECT_EQ(done[0].notes.at(1), "soil 1 \"loam\" is in the destination with the same content as soil 8: reused, the "
                                   "plot refers to soil 8");
    EXPECT_EQ(done[0].notes.at(3), "amendment 6 \"straw\" is in the destination as amendment 8: reused");
    EXPECT_EQ(done[0].notes.at(4), "crop 10 \"wheat\" is in the destination as crop 11: reused");
    t.disconnect();

    Connection d(dst());
    EXPECT_EQ(count(d, "select count(*) from experiments where exp_id = 1"), 1);
    EXPECT_EQ(rows_text(d, "select Item_IX from cultivation where FL_ID = 101 order by Macode"), "item_ix=11 \nitem_ix=7 \n");
    EXPECT_EQ(rows_text(d, "select kop_ix, ewr_ix from gldpflan where ITEM_IX = 11"), "kop_ix=8 ewr_ix=5 \n");
    EXPECT_EQ(rows_text(d, "select soil_ID, climate_ID, versuch_code from field_description order by FL_ID"),
              "soil_id=8 climate_id=2 versuch_code=2 \nsoil_id=8 climate_id=2 versuch_code=2 \n");
    EXPECT_EQ(rows_text(d, "select profile from soilproperties where soil_ID = 1"), "profile=Podzol on dune sand \n");
    const std::vector<std::pair<std::string, std::string>> same = {
        {"select * from field_description where FL_ID = 101", "select * from field_description where FL_ID = 101"},
        {"select * from site_state where FL_ID = 101", "select * from site_state where FL_ID = 101"},
        {"select * from measurements where FL_ID = 101 order by [year]", "select * from measurements where FL_ID = 101 order by [year]"},
        {"select * from cultivation where FL_ID = 101 order by Macode", "select * from cultivation where FL_ID = 101 order by Macode"},
        {"select * from soilproperties where soil_ID = 1", "select * from soilproperties where soil_ID = 8"},
        {"select * from climate_station where climate_ID = 1", "select * from climate_station where climate_ID = 2"},
        {"select * from climate_data where climate_ID = 1 order by [year]", "select * from climate_data where climate_ID = 2 order by [year]"},
        {"select * from reg_ndeposit where climate_id = 1 order by [year]", "select * from reg_ndeposit where climate_id = 2 order by [year]"},
        {"select * from experiments where vcode = 'E1'", "select * from experiments where vcode = '2'"},
    };
    const std::vector<std::string> renumbered = {"soil_id", "climate_id", "versuch_code", "meas_id", "cultivation_id",
                                                 "exp_id", "vcode", "item_ix"};
    for (const auto& [a, b] : same) {
        const std::string fromSource = rows_text(*src, a, renumbered);
        EXPECT_FALSE(fromSource.empty()) << a;
        EXPECT_EQ(rows_text(d, b, renumbered), fromSource) << a;
    }
}

// The demo's plots, one by one, into a database whose soils, stations and experiments
// carry the same ids with other content: every plot keeps its own, a second transfer is
// refused and changes nothing, and the transferred plot simulates as in the source.
TEST(TransferDemo, PlotsKeepTheirOwnRecordsAndSimulateAsInTheSource)
{
    vt::test::TempDir dir;
    const std::string from = dir.file("demo.db"), to = dir.file("other.db");
    std::vector<long long> plots;
    {
        Connection s(from, Connection::Mode::ReadWriteCreate);
        vt::db::create_demo_database(s);
        s.execute("update site_state set status = case when FL_ID = 101 then 1 else 0 end");
        for (auto cur = s.query("select FL_ID from field_description order by FL_ID"); !cur.eof(); cur.next())
            plots.push_back(cur.field(0).toInt());
    }
    {
        Connection d(to, Connection::Mode::ReadWriteCreate);
        vt::db::create_demo_database(d);
        d.executeScript(R"(
            delete from field_description; delete from site_state; delete from measurements; delete from cultivation;
            update soilproperties set profile = 'Podzol on dune sand', clay = 3;
            update climate_station set station = 'Oberstdorf';
            update climate_data set temperature = temperature - 5;
            update experiments set herkunft = 'another trial';
        )");
    }
    ASSERT_GE(plots.size(), 3u);
    for (long long p : plots) {
        const auto r = vt::test::run_cli({"transfer", "--from", from, "--to", to, "--plots", std::to_string(p), "--copy-missing"});
        ASSERT_EQ(r.code, 0) << p << "\n" << r.out << r.err;
    }
    const auto again = vt::test::run_cli({"transfer", "--from", from, "--to", to, "--plots", "101", "--no-key-check"});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("plot 101 is in the destination already"), std::string::npos) << again.err;

    const std::string own = "select f.FL_ID, s.profile, s.clay, s.skelett, c.station, e.herkunft, e.location, "
                            "(select sum(temperature) from climate_data w where w.climate_ID = f.climate_ID) as t "
                            "from field_description f left join soilproperties s on s.soil_ID = f.soil_ID "
                            "left join climate_station c on c.climate_ID = f.climate_ID "
                            "left join experiments e on e.vcode = f.versuch_code order by f.FL_ID";
    {
        Connection s(from), d(to);
        EXPECT_EQ(rows_text(d, own), rows_text(s, own));
        EXPECT_EQ(count(d, "select count(*) from (select exp_id from experiments group by exp_id having count(*) > 1)"), 0);
    }
    for (const std::string& db : {from, to}) {
        const auto r = vt::test::run_cli({"run", "--db", db, "GO", "nw"});
        ASSERT_EQ(r.code, 0) << db << "\n" << r.err;
    }
    Connection s(from), d(to);
    const std::string result = "select * from rux_nresult where fl_id = 101 order by year_num";
    const std::string expected = rows_text(s, result);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(rows_text(d, result), expected);
}

} // namespace
