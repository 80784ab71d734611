// Climate stations and the CSV exchange of their weather and deposition rows.
#include "db/connection.h"
#include "db/schema.h"
#include "support/temp_dir.h"
#include "workbench/climate_csv.h"
#include "workbench/climate_stations.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace vt::workbench;
using vt::db::Value;

namespace {

class ClimateWorkbench : public ::testing::Test {
protected:
    std::unique_ptr<vt::db::Connection> db = vt::db::Connection::memory();
    void SetUp() override
    {
        vt::db::create_schema(*db);
        db->executeScript(
            "insert into climate_station (climate_ID, station) values (3, 'Bad Lauchstädt'), (7, 'Müncheberg');"
            "insert into climate_data (climate_ID, [year], temperature, precipitation) values "
            "(3, 0, 8.7, 484), (3, 1990, 9.9, 420.5), (7, 0, 8.5, 520);"
            "insert into reg_ndeposit (climate_id, [year], N_dep_y) values (3, 0, 0), (3, 1990, 35.5), (7, 0, 20);"
            "insert into field_description (FL_ID, climate_ID) values (1, 3), (2, 3), (3, 7);");
    }
    long long count(const std::string& sql) { return db->scalar(sql).toInt(); }
};

TEST_F(ClimateWorkbench, NewStationHasOneWeatherRowAndOneDepositionRow)
{
    const auto r = create_station(*db, "Halle");
    ASSERT_EQ(r.outcome, StationCreation::Outcome::Created);
    EXPECT_EQ(r.id, 8);
    EXPECT_EQ(count("select count(*) from climate_data where climate_ID=8 and [year]=0 and temperature is null"), 1);
    EXPECT_EQ(count("select count(*) from climate_data where climate_ID=8"), 1);
    EXPECT_EQ(count("select count(*) from reg_ndeposit where climate_id=8 and [year]=0 and N_dep_y=0"), 1);
    EXPECT_EQ(count("select count(*) from reg_ndeposit where climate_id=8"), 1);
}

TEST_F(ClimateWorkbench, UsedOrEmptyNameCreatesNothing)
{
    EXPECT_EQ(create_station(*db, "Müncheberg").outcome, StationCreation::Outcome::NameUsed);
    EXPECT_EQ(create_station(*db, "-?-").outcome, StationCreation::Outcome::NoName);
    EXPECT_EQ(create_station(*db, "  ").outcome, StationCreation::Outcome::NoName);
    EXPECT_EQ(count("select count(*) from climate_station"), 2);
    EXPECT_EQ(count("select count(*) from climate_data"), 3);
}

TEST_F(ClimateWorkbench, FirstStationOfAnEmptyTableIsZero)
{
    db->executeScript("delete from climate_station; delete from climate_data; delete from reg_ndeposit");
    EXPECT_EQ(create_station(*db, "O'Brien \"north\"").id, 0);
    EXPECT_EQ(list_stations(*db).at(0).name, "O'Brien \"north\"");
}

TEST_F(ClimateWorkbench, DeletingAStationRemovesItsRowsAndKeepsThePlots)
{
    EXPECT_EQ(plots_using_station(*db, 3), 2);
    const auto d = delete_station(*db, 3);
    EXPECT_EQ(d.stations, 1);
    EXPECT_EQ(d.weatherRows, 2);
    EXPECT_EQ(d.depositionRows, 2);
    EXPECT_EQ(count("select count(*) from climate_data where climate_ID=3"), 0);
    EXPECT_EQ(count("select count(*) from reg_ndeposit where climate_id=3"), 0);
    EXPECT_EQ(count("select count(*) from climate_data"), 1);
    EXPECT_EQ(count("select count(*) from field_description where climate_ID=3"), 2);
}

TEST_F(ClimateWorkbench, ExportWritesAHeaderAndTheYearsInOrder)
{
    EXPECT_EQ(climate_csv_text(*db, 3, ClimateSeries::Weather),
              "year,temperature,precipitation\n0,8.7,484\n1990,9.9,420.5\n");
    EXPECT_EQ(climate_csv_text(*db, 3, ClimateSeries::Deposition), "year,N_dep_y\n0,0\n1990,35.5\n");
    create_station(*db, "Halle");
    EXPECT_EQ(climate_csv_text(*db, 8, ClimateSeries::Weather), "year,temperature,precipitation\n0,,\n");
}

TEST_F(ClimateWorkbench, GoodFileRoundTripsUnchanged)
{
    vt::test::TempDir dir;
    db->execute("insert into climate_data (climate_ID, [year], temperature, precipitation) values (3, 1991, -0.125, 0)");
    for (auto series : {ClimateSeries::Weather, ClimateSeries::Deposition}) {
        const auto before = climate_csv_text(*db, 3, series);
        const auto file = dir.file("station3.csv");
        export_climate_csv(*db, 3, series, file);
        // Into an empty station and back out again.
        const auto id = create_station(*db, series == ClimateSeries::Weather ? "copy w" : "copy d").id;
        db->execute("delete from climate_data where climate_ID=?", {Value(id)});
        db->execute("delete from reg_ndeposit where climate_id=?", {Value(id)});
        const auto r = import_climate_csv_file(*db, id, series, file);
        EXPECT_EQ(r.added, series == ClimateSeries::Weather ? 3 : 2);
        EXPECT_EQ(climate_csv_text(*db, id, series), before);
        // Into the station itself: every year replaced, nothing changed.
        const auto again = import_climate_csv_file(*db, 3, series, file);
        EXPECT_EQ(again.added, 0);
        EXPECT_EQ(climate_csv_text(*db, 3, series), before);
    }
}

TEST_F(ClimateWorkbench, SemicolonsAnyColumnOrderAndExtraColumns)
{
    const auto r = import_climate_csv(*db, 7,
                                      ClimateSeries::Weather,
                                      "\xEF\xBB\xBF" "Precipitation;station;YEAR;Temperature\r\n"
                                      "612,5;x;1990;9,25\r\n\r\n550;x;0;8\r\n");
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.replaced, 1);
    EXPECT_EQ(climate_csv_text(*db, 7, ClimateSeries::Weather), "year,temperature,precipitation\n0,8,550\n1990,9.25,612.5\n");
}

TEST_F(ClimateWorkbench, FileWithOneBadRowWritesNothingAndNamesTheLine)
{
    struct Case {
        const char* what;
        ClimateSeries series;
        std::string text;
        int line;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"too warm", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9,500\n1991,41,500\n1992,8,500\n", 3,
         "temperature 41"},
        {"too wet", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9,6000.5\n", 2, "precipitation"},
        {"negative rain", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9,-1\n", 2, "precipitation"},
        {"not a number", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9,5OO\n", 2, "not a number"},
        {"decimal comma in a comma file", ClimateSeries::Weather, "year,temperature,precipitation\n1990,\"9,5\",500\n",
         2, "not a number"},
        {"year with a fraction", ClimateSeries::Weather, "year,temperature,precipitation\n1990.5,9,500\n", 2, "whole"},
        {"year out of range", ClimateSeries::Weather, "year,temperature,precipitation\n19900,9,500\n", 2, "year 19900"},
        {"year twice", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9,500\n\n1990,8,400\n", 4,
         "also on line 2"},
        {"missing year", ClimateSeries::Weather, "year,temperature,precipitation\n,9,500\n", 2, "year is missing"},
        {"missing column", ClimateSeries::Weather, "year,temperature\n1990,9\n", 1, "precipitation"},
        {"deposition too high", ClimateSeries::Deposition, "year,N_dep_y\n1990,20\n1991,501\n", 3, "N_dep_y"},
        {"empty values", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9,500\n2020,,\n", 3, "temperature is empty"},
        {"empty long-term mean", ClimateSeries::Weather, "year,temperature,precipitation\n0,,\n", 2, "temperature is empty"},
        {"empty precipitation", ClimateSeries::Weather, "year;temperature;precipitation\n1990;9; \n", 2, "precipitation is empty"},
        {"short line", ClimateSeries::Weather, "year,temperature,precipitation\n1990,9\n", 2, "precipitation is empty"},
        {"empty deposition", ClimateSeries::Deposition, "year,N_dep_y\n1990,\n", 2, "N_dep_y is empty"},
    };
    const auto weather = climate_csv_text(*db, 3, ClimateSeries::Weather);
    const auto deposition = climate_csv_text(*db, 3, ClimateSeries::Deposition);
    for (const auto& k : cases) {
        try {
            import_climate_csv(*db, 3, k.series, k.text);
            ADD_FAILURE() << k.what << ": accepted";
        } catch (const ClimateCsvError& e) {
            EXPECT_EQ(e.line(), k.line) << k.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("line " + std::to_string(k.line) + ":"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(k.says), std::string::npos) << k.what << ": " << e.what();
        }
        EXPECT_EQ(climate_csv_text(*db, 3, ClimateSeries::Weather), weather) << k.what;
        EXPECT_EQ(climate_csv_text(*db, 3, ClimateSeries::Deposition), deposition) << k.what;
    }
}

TEST_F(ClimateWorkbench, ImportIntoAMissingStationIsRefused)
{
    EXPECT_THROW(import_climate_csv(*db, 99, ClimateSeries::Deposition, "year,N_dep_y\n1990,20\n"), std::runtime_error);
    EXPECT_EQ(count("select count(*) from reg_ndeposit where climate_id=99"), 0);
}

TEST_F(ClimateWorkbench, CommandLineExportAndImport)
{
    vt::test::TempDir dir;
    const auto file = dir.file("dep.csv");
    const auto path = dir.file("c.db");
    {
        vt::db::Connection c(path, vt::db::Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(c);
        c.execute("insert into climate_station (climate_ID, station) values (1, 'a')");
        c.execute("insert into reg_ndeposit (climate_id, [year], N_dep_y) values (1, 2000, 12.5)");
    }
    auto out = vt::test::run_cli({"climate", "export", "--db", path, "--station", "1", "--deposition", file});
    ASSERT_EQ(out.code, 0) << out.err;
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "year,N_dep_y\n2000,12.5\n");

    std::ofstream(file) << "year;N_dep_y\n2000;13\n2001;14,5\n";
    auto in1 = vt::test::run_cli({"climate", "import", "--db", path, "--station", "1", "--deposition", file});
    ASSERT_EQ(in1.code, 0) << in1.err;
    EXPECT_EQ(in1.out, "reg_ndeposit: 1 years replaced, 1 years added\n");

    std::ofstream(file) << "year,temperature,precipitation\n2000,8,500\n2001,8,x\n";
    auto bad = vt::test::run_cli({"climate", "import", "--db", path, "--station", "1", file});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("line 3: precipitation \"x\" is not a number"), std::string::npos) << bad.err;
    auto missing = vt::test::run_cli({"climate", "export", "--db", path, "--station", "4", file});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("unknown climate station 4"), std::string::npos) << missing.err;
    vt::db::Connection c(path);
    EXPECT_EQ(c.scalar("select count(*) from climate_data").toInt(), 0);
    EXPECT_EQ(c.scalar("select sum(N_dep_y) from reg_ndeposit").toDouble(), 27.5);
}

} // namespace
