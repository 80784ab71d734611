// The parameter window's data operations: preselection lists, soil records, the initial
// SOM level, grid edits, table exports and the parameter viewers.
#include "db/connection.h"
#include "db/schema.h"
#include "support/temp_dir.h"
#include "workbench/params_rpx.h"
#include "workbench/params_selection.h"
#include "workbench/params_soil.h"
#include "workbench/params_table_edit.h"
#include "workbench/params_tables.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vt::workbench;
using vt::db::Value;

namespace {

class ParamsWorkbench : public ::testing::Test {
protected:
    std::unique_ptr<vt::db::Connection> db = vt::db::Connection::memory();
    void SetUp() override
    {
        vt::db::create_schema(*db);
        db->executeScript(
            "insert into gldpflan (ITEM_IX, NAME, ewr_ix, kop_ix, oeko_code) values (101, 'winter wheat', 1, 2, 5), "
            "(102, 'maize', 1, 9, 0);"
            "insert into gldopspa (item_ix, NAME, od, K, ETA) values (1, 'wheat roots', 0, 0.3, 0.25), "
            "(2, 'wheat straw', 0, 0.4, 0.2), (5, 'farmyard manure', -1, 0.1, 0.45);"
            "insert into gldmindg (item_ix, name) values (1, 'CAN'), (2, 'urea');"
            "insert into gldsel_crop ([select], ITEM_IX, Name, OEKO_code) values (-1, 101, 'winter wheat', 5), "
            "(0, 102, 'maize', 0);"
            "insert into gldsel_ops ([select], ITEM_IX, Name) values (0, 5, 'farmyard manure'), (1, 2, 'wheat straw');"
            "insert into gldsel_frt ([select], ITEM_IX, Name) values (0, 1, 'CAN');"
            "insert into soilproperties (soil_ID, profile, clay, silt) values (4, 'Loess', 20, 30), (6, 'Sand', 3, 7);"
            "insert into field_description (FL_ID, soil_ID, repix) values (1, 4, 29), (2, 4, 29), (3, 77, 29);");
    }
    long long count(const std::string& sql) { return db->scalar(sql).toInt(); }
    std::vector<long long> selected(const char* table)
    {
        std::vector<long long> out;
        for (auto cur = db->query(std::string("select [select] from ") + table + " order by _rowid_"); !cur.eof(); cur.next())
            out.push_back(cur.field(0).isNull() ? 99 : cur.field(0).toInt());
        return out;
    }
};

TEST_F(ParamsWorkbench, SelectionButtons)
{
    toggle_selection(*db, SelectionList::Crops, 2);
    toggle_selection(*db, SelectionList::Amendments, 2);  // 1 counts as true and becomes false
    EXPECT_EQ(selected("gldsel_crop"), (std::vector<long long>{-1, -1}));
    EXPECT_EQ(selected("gldsel_ops"), (std::vector<long long>{0, 0}));
    invert_selection(*db, SelectionList::Crops);
    EXPECT_EQ(selected("gldsel_crop"), (std::vector<long long>{0, 0}));
    select_all(*db, SelectionList::Amendments);
    EXPECT_EQ(selected("gldsel_ops"), (std::vector<long long>{-1, -1}));
    select_none(*db, SelectionList::Amendments);
    EXPECT_EQ(selected("gldsel_ops"), (std::vector<long long>{0, 0}));
}

TEST_F(ParamsWorkbench, UseAllRebuildsTheCropListButNotTheAmendmentList)
{
    db->execute("insert into gldpflan (ITEM_IX, NAME, oeko_code) values (103, 'sugar beet', 7)");
    db->execute("insert into gldopspa (item_ix, NAME, od) values (8, 'slurry', -1)");
    db->execute("insert into gldmindg (item_ix, name) values (3, 'AHL')");
    select_all(*db, SelectionList::Crops);
    select_all(*db, SelectionList::Amendments);
    select_all(*db, SelectionList::Fertilizers);
    EXPECT_EQ(count("select count(*) from gldsel_crop where [select]<>0"), 3);
    EXPECT_EQ(count("select OEKO_code from gldsel_crop where ITEM_IX=103"), 7);
    EXPECT_EQ(count("select count(*) from gldsel_ops"), 2);  // slurry waits for the next activation
    EXPECT_EQ(count("select count(*) from gldsel_frt where [select]<>0"), 3);
    // The rebuilt list keeps its yes/no column.
    EXPECT_EQ(table_columns(*db, "gldsel_crop").at(0).kind, ColumnKind::YesNo);
}

TEST_F(ParamsWorkbench, PostingASoilRecordAppliesTheMissingValueRule)
{
    SoilRecord r;
    r["clay"] = Value();
    r["silt"] = Value(0.0);
    r["fat"] = Value(12.5);
    r["bd"] = Value(-3.0);
    r["lmbd"] = Value();
    const auto stored = post_soil(*db, 4, r, kSoilPostRule);
    EXPECT_TRUE(stored.at("clay").isNull());  // clay is not under the rule
    EXPECT_EQ(stored.at("silt").toDouble(), -99);
    EXPECT_FALSE(stored.at("silt_org").toBool());
    EXPECT_EQ(stored.at("fat").toDouble(), 12.5);
    EXPECT_TRUE(stored.at("fat_org").toBool());
    EXPECT_EQ(stored.at("bd").toDouble(), -99);
    EXPECT_EQ(stored.at("lmbd").toDouble(), -99);
    EXPECT_FALSE(stored.at("lmbd_org").toBool());
    EXPECT_TRUE(stored.at("pv").isNull());  // not posted: left as it was
    EXPECT_EQ(read_soil(*db, 6).at("silt").toDouble(), 7);
}

TEST_F(ParamsWorkbench, SimpleSoil)
{
    EXPECT_EQ(simple_soil_missing({"-?-", "?", "0", "?", "-99"}),
              (std::vector<SimpleSoilField>{SimpleSoilField::Name, SimpleSoilField::SoilType, SimpleSoilField::Clay}));
    EXPECT_TRUE(simple_soil_missing({"Loam", "sL", "0", "12", "-99"}).empty());

    // A new soil named like an existing one gets "1" appended.
    EXPECT_EQ(save_simple_soil(*db, {"Loess", "sL", "2", "18", "-99"}, std::nullopt), "Loess1");
    const auto id = find_soil(*db, "Loess1");
    ASSERT_TRUE(id);
    EXPECT_EQ(*id, 7);
    const auto r = read_soil(*db, *id);
    EXPECT_EQ(r.at("ba_rbs").toString(), "sL");
    EXPECT_EQ(r.at("skelett").toDouble(), 2);
    EXPECT_EQ(r.at("silt").toDouble(), -99);
    EXPECT_TRUE(r.at("silt_org").toBool());  // silt -99 stays marked as given
    for (const char* col : {"fat", "bd", "pv", "fc", "pwp", "cif", "pd", "sand"}) {
        EXPECT_EQ(r.at(col).toDouble(), -99) << col;
        EXPECT_FALSE(r.at(std::string(col) + "_org").toBool()) << col;
    }
    // Edit mode keeps the name and the id; a bad number stores nothing.
    EXPECT_EQ(save_simple_soil(*db, {"Loess1", "T", "0", "40", "30"}, *id), "Loess1");
    EXPECT_EQ(read_soil(*db, *id).at("clay").toDouble(), 40);
    EXPECT_THROW(save_simple_soil(*db, {"Clay", "T", "0", "4o", "30"}, std::nullopt), CellError);
    EXPECT_FALSE(find_soil(*db, "Clay"));
}

TEST_F(ParamsWorkbench, SoilUseAndDeletion)
{
    EXPECT_EQ(plots_using_soil(*db, 4), 2);
    EXPECT_EQ(plots_using_soil(*db, 6), 0);
    EXPECT_EQ(delete_soil(*db, 6), 1);
    EXPECT_EQ(append_soil(*db, "new"), 5);
}

TEST_F(ParamsWorkbench, InitialSomLevelOfTheExample)
{
    db->execute("update soilproperties set silt=30, clay=20 where soil_ID=4");
    const auto classes = read_rpx_classes(*db);
    ASSERT_EQ(classes.size(), 5u);
    const auto s = initial_som(*db, 1, classes);
    EXPECT_NEAR(s.orpx, 41.549, 1e-9);
    EXPECT_NEAR(s.repix / s.orpx, 0.698, 5e-4);
    EXPECT_EQ(classes[static_cast<std::size_t>(s.level)].name, "very low");
    EXPECT_DOUBLE_EQ(rpx_suggestion(classes, 2, s.orpx), 1080.3);
    EXPECT_DOUBLE_EQ(rpx_level_value(classes, 0), 5);
    EXPECT_DOUBLE_EQ(rpx_level_value(classes, 4), 58);
    EXPECT_DOUBLE_EQ(save_repix(*db, 1, 1080.274), 1080.27);
    EXPECT_DOUBLE_EQ(db->scalar("select repix from field_description where fl_id=1").toDouble(), 1080.27);
    EXPECT_EQ(classes[static_cast<std::size_t>(initial_som(*db, 1, classes).level)].name, "normal");  // the saved level is found again
    EXPECT_THROW(initial_som(*db, 3, classes), std::runtime_error);  // a plot without soil
}

TEST_F(ParamsWorkbench, GridCellsRefuseValuesThatDoNotFit)
{
    const auto g = read_grid(*db, {"rpx_class", "", Value(), {"class_id"}});
    ASSERT_EQ(g.rows.size(), 5u);
    auto col = [&](const char* name) {
        for (const auto& c : g.columns)
            if (c.name == name) return c;
        return ColumnInfo{};
    };
    update_cell(*db, "rpx_class", g.rowIds[1], col("rpx_h"), "17,5");
    EXPECT_EQ(db->scalar("select rpx_h from rpx_class where class_id=2").toDouble(), 17.5);
    struct Bad {
        const char* column;
        const char* text;
    };
    for (const auto& b : std::vector<Bad>{{"rpx_h", "high"}, {"class_id", "2.5"}, {"class", "AB"}, {"class_id", "1e12"}})
        EXPECT_THROW(update_cell(*db, "rpx_class", g.rowIds[1], col(b.column), b.text), CellError) << b.text;
    EXPECT_EQ(db->scalar("select class||class_id from rpx_class where class_id=2").toString(), "B2");
    EXPECT_TRUE(cell_value(col("rpx_h"), " ").isNull());

    // A row the key of its table refuses stays as it was.
    const auto w = read_grid(*db, {"climate_data", "", Value(), {}});
    db->execute("insert into climate_data (climate_ID, [year]) values (1, 0), (1, 1990)");
    const auto cd = read_grid(*db, {"climate_data", "climate_ID", Value(1), {"year"}});
    ASSERT_EQ(cd.rows.size(), 2u);
    ColumnInfo year;
    for (const auto& c : cd.columns)
        if (c.name == "year") year = c;
    EXPECT_THROW(update_cell(*db, "climate_data", cd.rowIds[1], year, "0"), vt::db::DbError);
    EXPECT_EQ(count("select count(*) from climate_data where [year]=1990"), 1);
}

TEST_F(ParamsWorkbench, YesNoCells)
{
    const auto cols = table_columns(*db, "gldopspa");
    ColumnInfo od;
    for (const auto& c : cols)
        if (c.name == "od") od = c;
    EXPECT_EQ(cell_value(od, "yes"), Value(true));
    EXPECT_EQ(cell_value(od, "0"), Value(false));
    EXPECT_THROW(cell_value(od, "maybe"), CellError);
}

TEST_F(ParamsWorkbench, TableListAndExports)
{
    const auto tables = list_tables(*db);
    EXPECT_NE(std::find(tables.begin(), tables.end(), "soilproperties"), tables.end());
    EXPECT_NE(std::find(tables.begin(), tables.end(), "GLN_MWML"), tables.end());

    vt::test::TempDir dir;
    export_table_xlsx(*db, "gldpflan", dir.file("gldpflan.xlsx"));
    EXPECT_GT(std::filesystem::file_size(dir.file("gldpflan.xlsx")), 1000u);

    db->execute("insert into gldmindg (item_ix, name) values (3, 'K & <P> \"40\"')");
    const auto xml = table_xml(*db, "gldmindg");
    EXPECT_NE(xml.find("<s:AttributeType name='item_ix'"), std::string::npos);
    EXPECT_NE(xml.find("<z:row item_ix='3' name='K &amp; &lt;P&gt; &quot;40&quot;'/>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<z:row item_ix='1' name='CAN'/>"), std::string::npos);
    export_table_xml(*db, "gldmindg", dir.file("gldmindg.xml"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("gldmindg.xml")));
}

TEST_F(ParamsWorkbench, ParameterViewers)
{
    EXPECT_EQ(parameter_line("ITEM_IX", "101"), "ITEM_IX.....: 101");
    EXPECT_EQ(parameter_line("TS_GEHALT_LONGER", "1"), "TS_GEHALT_LO: 1");
    const auto crop = crop_parameters(*db, 101);
    ASSERT_EQ(crop.size(), 3u);
    EXPECT_EQ(crop[0].title, "gldpflan");
    EXPECT_EQ(crop[0].lines.at(1), "NAME........: winter wheat");
    EXPECT_EQ(crop[1].title, " root & crop residues");
    EXPECT_EQ(crop[1].lines.at(1), "NAME........: wheat roots");
    EXPECT_EQ(crop[2].lines.at(1), "NAME........: wheat straw");
    EXPECT_TRUE(crop_parameters(*db, 102)[2].lines.empty());  // kop_ix 9 names no substance
    EXPECT_EQ(amendment_parameters(*db, 5)[0].lines.at(1), "NAME........: farmyard manure");
    EXPECT_EQ(parameter_tables("HUMOD ").crops, "humod_crop_parm");
    EXPECT_FALSE(parameter_tables("HUMOD").amendmentFilter);
    EXPECT_EQ(parameter_tables("RUX").amendments, "gldopspa");
}

} // namespace
