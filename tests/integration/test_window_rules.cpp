// The decisions the browser and result windows take about data, each made once in the
// workbench: the fields an action shows, the subject of an event without an item, the
// tillage filter, the parameter dialog of an item, the initial conditions that continue a
// stored state, the outlier refresh and the unit of a chart's value axis.
#include "support/browser_fixture.h"
#include "workbench/browser_common.h"
#include "workbench/browser_management.h"
#include "workbench/browser_site.h"
#include "workbench/outlier_refresh.h"
#include "workbench/results_data.h"

#include <gtest/gtest.h>

using namespace vt;
using namespace vt::workbench;

TEST(WindowRules, FieldsAndItemsOfEachAction)
{
    struct Case {
        int macode;
        int group;
        bool item, intensity, areaShare, keeps;
        const char* preset;
        ItemViewer viewer;
    };
    const Case cases[] = {
        {2, 1, true, true, true, false, "", ItemViewer::Crop},
        {9, 1, true, true, true, false, "", ItemViewer::Crop},
        {0, 1, true, true, true, false, "", ItemViewer::Crop},
        {3, 3, true, true, true, false, "", ItemViewer::Amendment},
        {4, 4, true, true, true, false, "", ItemViewer::None},
        {5, 5, false, true, true, false, "", ItemViewer::None},   // soil tillage: depth, no item
        {7, 7, false, true, true, false, "", ItemViewer::None},   // irrigation
        {14, 14, false, false, true, false, "", ItemViewer::None},
        {6, 6, true, true, false, false, "", ItemViewer::None},
        {21, 21, true, true, true, true, "-99", ItemViewer::None},
        {23, 23, true, true, true, false, "-99", ItemViewer::None},
        {99, -99, true, true, true, false, "", ItemViewer::None},
    };
    for (const auto& c : cases) {
        const auto f = action_fields(c.macode);
        EXPECT_EQ(f.itemGroup, c.group) << c.macode;
        EXPECT_EQ(f.itemShown, c.item) << c.macode;
        EXPECT_EQ(f.intensityShown, c.intensity) << c.macode;
        EXPECT_EQ(f.areaShareEditable, c.areaShare) << c.macode;
        EXPECT_EQ(f.itemKeepsIntensity, c.keeps) << c.macode;
        EXPECT_EQ(f.presetIntensity, c.preset) << c.macode;
        EXPECT_EQ(item_viewer_of_action(c.macode), c.viewer) << c.macode;
        EXPECT_EQ(item_key_of_event(c.macode, 17), c.group * 100000LL + 17) << c.macode;
    }
}

TEST(WindowRules, TillageAndIrrigationEventsAreNamedAndFiltered)
{
    auto c = test::browser_fixture();
    c->execute("insert into cultivation (cultivation_id, FL_ID, day, month, [year], Macode, Item_IX, Quantity, Sim_Quantity) "
               "values (6, 12, 1, 10, 1991, 5, 0, 30, 100), (7, 12, 1, 6, 1991, 7, 0, 40, 100), "
               "(8, 12, 1, 6, 1992, 14, -99, 0, 100)");
    int named = 0;
    for (const auto& r : management_rows(*c, 12))
        if (!action_has_items(r.macode)) {
            EXPECT_EQ(r.subject, "-") << r.macode;
            ++named;
        }
    EXPECT_EQ(named, 3);
    const auto tillage = management_rows(*c, 12, ManagementFilter::Tillage);
    ASSERT_EQ(tillage.size(), 2u);
    EXPECT_EQ(tillage[0].macode, 5);
    EXPECT_EQ(tillage[1].macode, 14);
    for (int code : {0, 2, 3, 4, 7, 9}) EXPECT_FALSE(management_filter_accepts(ManagementFilter::Tillage, code)) << code;
    EXPECT_TRUE(management_filter_accepts(ManagementFilter::Tillage, 5));
    // The management report names the events by the same rule.
    const auto report = management_report_rows(*c, 12);
    ASSERT_EQ(report.rows.size(), 7u);
    const int subject = report.column("SUBJEKT"), macode = report.column("MACODE");
    for (const auto& r : report.rows) {
        if (eval::cell(r, macode).toInt() == 5) {
            EXPECT_EQ(eval::cell(r, subject).toString(), "-");
        }
    }
}

TEST(WindowRules, InitialConditionsThatContinueAStoredState)
{
    struct Case {
        const char* iCon;
        std::optional<long long> plot;
    };
    const Case cases[] = {
        {"obsval", std::nullopt}, {"null", std::nullopt}, {"RepIX", std::nullopt}, {" obsval ", std::nullopt},
        {"omstat", 12},           {"15", 15},             {" 15 ", 15},
    };
    for (const auto& c : cases) EXPECT_EQ(continued_state_plot(c.iCon, 12), c.plot) << c.iCon;
    // Plot 15 continues plot 12, whose stored state is of 1995: its first year is 1996.
    auto db = test::browser_fixture();
    const auto d = read_plot_description(*db, 15);
    ASSERT_TRUE(d);
    const auto other = continued_state_plot(d->iCon, 15);
    ASSERT_EQ(other, 12);
    EXPECT_EQ(continued_first_year(*db, *other), 1996);
    EXPECT_FALSE(continued_first_year(*db, 40));
}

TEST(WindowRules, OutlierRefreshAndItsReport)
{
    auto c = test::browser_fixture();
    const auto s = refresh_outlier_indication(*c);
    EXPECT_EQ(outlier_refresh_report(s, false),
              std::to_string(s.groups) + " groups tested, " + std::to_string(s.flagged) + " observations flagged");
    EXPECT_NE(outlier_refresh_report(s, true).find("Gruppen geprüft"), std::string::npos);
    auto empty = db::Connection::memory();
    EXPECT_THROW(refresh_outlier_indication(*empty), BrowserInputError);
}

TEST(WindowRules, ValueAxisTakesTheUnitOfTheProperty)
{
    auto c = test::browser_fixture();
    // The simulated microbial carbon (c_mic) and the observations are per 100 g of soil.
    EXPECT_EQ(property_axis_title(*c, 5, "x"), "Cmic [mg C/100 g]");
    EXPECT_EQ(property_axis_title(*c, 7, "x"), "Corg [%]");
    EXPECT_EQ(property_axis_title(*c, 42, "fallback"), "fallback");
    c->execute("update GLN_MWML set EINHEIT='mg C/kg' where M_IX=5");
    EXPECT_EQ(property_axis_title(*c, 5, "x"), "Cmic [mg C/kg]");
}
