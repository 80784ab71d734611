#include "db/connection.h"
#include "db/demo_database.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using vt::db::Connection;

namespace {

// The demo database is built once and only read by the tests below.
class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        db_ = Connection::memory().release();
        vt::db::create_demo_database(*db_);
    }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
    }
    static Connection& db() { return *db_; }
    static long long count(const std::string& sql) { return db().scalar(sql).toInt(); }

    // Rows of a query, each as the text of its first column, for failure messages.
    static std::vector<std::string> texts(const std::string& sql)
    {
        std::vector<std::string> out;
        for (auto cur = db().query(sql); !cur.eof(); cur.next()) out.push_back(cur.field(0).toString());
        return out;
    }

private:
    static inline Connection* db_ = nullptr;
};

using Rows = std::vector<std::string>;

TEST_F(DemoDatabase, HoldsThreeExperimentsEachWithOneLocationAndCode)
{
    EXPECT_EQ(count("select count(*) from (select distinct Location, versuch_code from field_description)"), 3);
    EXPECT_EQ(count("select count(distinct Location) from field_description"), 3);
    EXPECT_EQ(texts("select distinct f.versuch_code from field_description f "
                    "left join experiments e on e.vcode = f.versuch_code where e.exp_id is null"),
              Rows{});
    // Every plot takes part in the first run.
    EXPECT_EQ(count("select count(*) from field_description f join site_state s on s.FL_ID = f.FL_ID "
                    "where s.status = 1"),
              count("select count(*) from field_description"));
}

TEST_F(DemoDatabase, EveryPlotStartsWithOneInitialCarbonAndNitrogenInItsFirstYear)
{
    // Exactly one initial value of each (two would stop a run at the BAT index).
    for (int m_ix : {7, 0}) {
        EXPECT_EQ(texts("select f.FL_ID from field_description f join site_state s on s.FL_ID = f.FL_ID "
                        "where s.status = 1 and (select count(*) from measurements m where m.FL_ID = f.FL_ID "
                        "and m.M_IX = " + std::to_string(m_ix) + " and m.year_number = 0) <> 1"),
                  Rows{})
            << "M_IX " << m_ix;
    }
    // The run refuses plots whose initial observation lies before their first crop or
    // amendment year; here it lies in that year.
    EXPECT_EQ(texts("select m.FL_ID from measurements m where m.year_number = 0 and m.year <> "
                    "(select min(c.year) from cultivation c where c.FL_ID = m.FL_ID and c.Macode in (2, 3, 9))"),
              Rows{});
    // A later observation carries the number of the simulated year it ends.
    EXPECT_EQ(texts("select m.meas_ID from measurements m where m.year_number <> 0 and m.year_number <> "
                    "m.year - (select i.year from measurements i where i.FL_ID = m.FL_ID and i.M_IX = 7 "
                    "and i.year_number = 0) + 1"),
              Rows{});
}

TEST_F(DemoDatabase, EveryPlotYearHasItsClimateRowAndEveryStationItsLongTermRow)
{
    EXPECT_EQ(texts("select s.station from climate_station s where not exists (select 1 from climate_data d "
                    "where d.climate_ID = s.climate_ID and d.year = 0)"),
              Rows{});
    // Years from the first to the last management event of each plot (the run's time
    // span), built with a recursive walk over the years.
    EXPECT_EQ(texts("with recursive span(fl_id, climate_id, yr, last) as ("
                    " select f.FL_ID, f.climate_ID, min(c.year), max(c.year) from field_description f "
                    " join cultivation c on c.FL_ID = f.FL_ID group by f.FL_ID, f.climate_ID"
                    " union all select fl_id, climate_id, yr + 1, last from span where yr < last) "
                    "select fl_id || ':' || yr from span where not exists (select 1 from climate_data d "
                    "where d.climate_ID = span.climate_id and d.year = span.yr)"),
              Rows{});
    // A temperature below 0 stops a run; precipitation enters the BAT regression.
    EXPECT_EQ(count("select count(*) from climate_data where temperature < 0 or precipitation <= 0"), 0);
    EXPECT_EQ(texts("select s.station from climate_station s where s.year1_nd <= s.year0_nd or not exists "
                    "(select 1 from reg_ndeposit r where r.climate_id = s.climate_ID and r.year = 0)"),
              Rows{});
}

TEST_F(DemoDatabase, EveryManagedYearHasACropAndEveryItemExists)
{
    // A year without a crop would leave the plot without carbon input that year; only the
    // four years in which the whole Hoosfield experiment was fallowed have none (and no
    // event at all).
    EXPECT_EQ(texts("select FL_ID from cultivation group by FL_ID "
                    "having max(year) - min(year) + 1 - case when FL_ID between 201 and 203 then 4 else 0 end "
                    "<> count(distinct case when Macode in (2, 9) then year end)"),
              Rows{});
    EXPECT_EQ(texts("select distinct year from cultivation where FL_ID between 201 and 203 "
                    "and year in (1912, 1933, 1943, 1967)"),
              Rows{});
    struct Case {
        const char* what;
        const char* orphans;
    };
    const std::vector<Case> cases = {
        {"crop", "select cultivation_id from cultivation where Macode in (0, 2, 9) "
                 "and Item_IX not in (select ITEM_IX from gldpflan)"},
        {"amendment", "select cultivation_id from cultivation where Macode = 3 "
                      "and Item_IX not in (select item_ix from gldopspa where od <> 0)"},
        {"fertiliser", "select cultivation_id from cultivation where Macode = 4 "
                       "and Item_IX not in (select item_ix from gldmindg)"},
        {"residues", "select ITEM_IX from gldpflan where ewr_ix not in (select item_ix from gldopspa)"},
        {"by-product", "select distinct p.ITEM_IX from cultivation c join gldpflan p on p.ITEM_IX = c.Item_IX "
                       "where c.Macode = 9 and p.kop_ix not in (select item_ix from gldopspa)"},
        {"crop selection", "select ITEM_IX from gldpflan where ITEM_IX not in (select ITEM_IX from gldsel_crop)"},
        {"amendment selection", "select item_ix from gldopspa where od <> 0 "
                                "and item_ix not in (select ITEM_IX from gldsel_ops)"},
        {"seed", "select ITEM_IX from gldpflan where nsaat_ix not in (select nsaat_ix from n_saat_input)"},
    };
    for (const auto& k : cases) EXPECT_EQ(texts(k.orphans), Rows{}) << k.what;
}

TEST_F(DemoDatabase, QuantitiesAreInTheUnitsOfTheCarbonFormulas)
{
    // dt/ha with N in percent: N in the main product between 10 and 250 kg/ha.
    EXPECT_EQ(texts("select c.cultivation_id from cultivation c join gldpflan p on p.ITEM_IX = c.Item_IX "
                    "where c.Macode in (2, 9) and c.Quantity * p.N_Gehalt not between 10 and 250"),
              Rows{});
    // Fresh matter in dt/ha with fractions: a dressing brings 500 to 5000 kg C/ha.
    EXPECT_EQ(texts("select c.cultivation_id from cultivation c join gldopspa o on o.item_ix = c.Item_IX "
                    "where c.Macode = 3 and c.Quantity * 100 * o.TS_GEHALT * o.C_GEH_TS not between 500 and 5000"),
              Rows{});
    EXPECT_EQ(texts("select NAME from gldopspa where TS_GEHALT not between 0.01 and 1 or C_GEH_TS not between 0.1 "
                    "and 0.6 or ETA not between 0 and 1 or K <= 0 or CNR <= 0 or CNR_alt <= 0"),
              Rows{});
}

TEST_F(DemoDatabase, EstimatedSoilValuesAreMarkedAsNotGiven)
{
    const std::vector<std::string> properties = {"silt", "sand", "FAT", "PWP", "FC", "PV", "PD", "BD",
                                                 "cif", "max_lts", "deg", "lmbd"};
    long long missing = 0;
    long long given = 0;
    for (const auto& p : properties) {
        EXPECT_EQ(count("select count(*) from soilproperties where " + p + " = -99 and " + p + "_org <> 0"), 0) << p;
        EXPECT_EQ(count("select count(*) from soilproperties where " + p + "_org <> 0 and not " + p + " > 0"), 0)
            << p;
        missing += count("select count(*) from soilproperties where " + p + "_org = 0");
        given += count("select count(*) from soilproperties where " + p + "_org <> 0");
    }
    EXPECT_GT(missing, 0);
    EXPECT_GT(given, 0);
    EXPECT_EQ(texts("select soil_ID from soilproperties where not clay > 0 or skelett <> 0"), Rows{});
}

TEST_F(DemoDatabase, HasOneObviousCarbonOutlierForTheOutlierIndication)
{
    // Grubbs' statistic of the largest later carbon value of each plot; 2.46 is the
    // critical value for 13 values at 5 %.
    const std::string grubbs = "select f.site_description from measurements m join field_description f "
                               "on f.FL_ID = m.FL_ID where m.M_IX = 7 and m.year_number > 0 group by f.site_description "
                               "having (max(m.meas_value) - avg(m.meas_value)) / StDev(m.meas_value) > 3";
    EXPECT_EQ(texts(grubbs), Rows{"ploughed, irrigated"});
}

TEST_F(DemoDatabase, KeepsThePublishedFigures)
{
    // Bad Lauchstädt, October 2008, and Hoosfield 1998 (stock / (1.25 * 23 * 100)).
    struct Case {
        const char* plot;
        int m_ix;
        int year;
        double value;
    };
    const std::vector<Case> cases = {
        {"no fertiliser", 7, 2008, 1.77},        {"mineral NPK", 7, 2008, 2.11},
        {"farmyard manure + NPK", 7, 2008, 2.59}, {"farmyard manure + NPK", 5, 2008, 26.4},
        {"unfertilised", 7, 1998, 27.4 / 28.75},  {"farmyard manure every year", 7, 1998, 93.0 / 28.75},
        {"farmyard manure every year", 7, 1852, 30.7 / 28.75},
    };
    for (const auto& k : cases) {
        const auto v = db().scalar("select m.meas_value from measurements m join field_description f "
                                   "on f.FL_ID = m.FL_ID where f.site_description = ? and m.M_IX = ? and m.year = ?",
                                   {k.plot, k.m_ix, k.year});
        ASSERT_FALSE(v.isNull()) << k.plot << " " << k.year;
        EXPECT_NEAR(v.toDouble(), k.value, 0.0005) << k.plot << " " << k.year;
    }
}

} // namespace
