#include "config/rux_settings.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using vt::config::RuxSettings;

namespace {

TEST(RuxSettings, FirstStartWritesDefaultsThatReadBack)
{
    vt::test::TempDir dir;
    const auto path = dir.file("cfg/rux.ini");
    {
        RuxSettings s(path);
        EXPECT_FALSE(s.exists());
        s.writeFirstStartDefaults("/data/rux_demo.db", "/data");
    }
    RuxSettings s(path);
    EXPECT_TRUE(s.exists());
    EXPECT_EQ(s.textOr("methode", "?"), "RUX");
    EXPECT_DOUBLE_EQ(s.tenthsOr("pf_wp", 0), 4.2);
    EXPECT_DOUBLE_EQ(s.tenthsOr("pf_fk", 0), 1.8);
    EXPECT_EQ(s.integerOr("ptfmode", 0), 3);
    EXPECT_TRUE(s.flagOr("recalc_bat", false));
    EXPECT_EQ(s.textOr("database", ""), "/data/rux_demo.db");
}

TEST(RuxSettings, UnreadableValuesFallBackWithAWarning)
{
    vt::test::TempDir dir;
    const auto path = dir.file("rux.ini");
    std::ofstream(path) << "[rux]\nptfmode=three\npf_wp=\nDYN_BD=1\n";
    RuxSettings s(path);
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& w) { warnings.push_back(w); };
    EXPECT_EQ(s.integerOr("ptfmode", 3, warn), 3);
    EXPECT_DOUBLE_EQ(s.tenthsOr("pf_wp", 4.2, warn), 4.2);
    EXPECT_TRUE(s.flagOr("dyn_bd", false, warn));  // names match without regard to case
    EXPECT_FALSE(s.flagOr("hassink", false, warn));
    EXPECT_EQ(warnings.size(), 2u);
}

TEST(RuxSettings, TextKeepsBlanksAndQuotes)
{
    vt::test::TempDir dir;
    const auto path = dir.file("rux.ini");
    {
        RuxSettings s(path);
        s.setText("methode", "LUFA        ");
        s.setText("database", "/home/anna/Müller's \"trials\".db");
        s.save();
    }
    RuxSettings s(path);
    EXPECT_EQ(s.textOr("methode", ""), "LUFA        ");
    EXPECT_EQ(s.textOr("database", ""), "/home/anna/Müller's \"trials\".db");
}

} // namespace
