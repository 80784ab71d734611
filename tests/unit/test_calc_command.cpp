#include "engine/soil/bat_formula.h"
#include "engine/soil/soil_physics.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

using vt::test::run_cli;

namespace {

// The name=value lines of a calculator's output.
std::map<std::string, double> values(const std::string& out)
{
    std::map<std::string, double> v;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) v[line.substr(0, eq)] = std::stod(line.substr(eq + 1));
    }
    return v;
}

TEST(CalcCommand, BatPrintsTilledAndUntilled)
{
    const auto r = run_cli({"calc", "bat", "--temp", "8.5", "--precip", "600", "--fat", "6"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("BAT=47.016\nBATnotill=39.743", 0), 0u) << r.out;
    // Printed to the last digit: the text reads back to the same number.
    EXPECT_EQ(values(r.out).at("BATnotill"), vt::engine::bat_without_tillage(6, 47.016));
}

TEST(CalcCommand, SoilPrintsEveryPropertyWithGivenValuesKept)
{
    const auto r = run_cli({"calc", "soil", "--clay", "18", "--silt", "45", "--corg", "1.4", "--bd", "1.38", "--ptf", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto v = values(r.out);
    for (const char* name : {"clay", "silt", "sand", "FAT", "BD", "PD", "PV", "FC", "PWP", "cif", "max_lts", "lmbd",
                             "deg", "fine", "medium", "coarse", "pore_sum", "Corg", "Norg"})
        EXPECT_EQ(v.count(name), 1u) << name;
    EXPECT_EQ(v.at("BD"), 1.38);
    EXPECT_EQ(v.at("PD"), vt::engine::particle_density(1.4, 18));
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
}

TEST(CalcCommand, SoilWithoutSiltTakesItFromTheFineFractionAsARunDoes)
{
    const auto r = run_cli({"calc", "soil", "--clay", "10", "--silt", "0", "--fat", "20", "--corg", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(values(r.out).at("silt"), vt::engine::silt_from_fat(10, 20));
    EXPECT_EQ(values(r.out).at("FAT"), 20);
}

TEST(CalcCommand, StockAndContentRoundTrip)
{
    const auto s = run_cli({"calc", "stock", "--corg", "1.25", "--clay", "22"});
    ASSERT_EQ(s.code, 0) << s.err;
    const double stock = values(s.out).at("stock");
    EXPECT_EQ(stock, vt::engine::carbon_stock_of_content(1.25, 22));  // printed to the last digit
    const auto c = run_cli({"calc", "stock", "--stock", s.out.substr(6, s.out.size() - 7), "--clay", "22"});
    ASSERT_EQ(c.code, 0) << c.err;
    EXPECT_NEAR(values(c.out).at("Corg"), 1.25, 1e-10);
}

TEST(CalcCommand, SteadyStatePrintsItsFiveValues)
{
    const auto r = run_cli({"calc", "steady-state", "--repix", "20", "--clay", "15", "--silt", "40"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto v = values(r.out);
    EXPECT_EQ(v.size(), 5u);
    EXPECT_NEAR(v.at("rep_ss"), 20, 0.2);
    EXPECT_GT(v.at("Corg"), 0.1);
}

TEST(CalcCommand, BadInputEndsWithAMessageAndCodeTwo)
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"calc", "soil", "--clay=-5", "--silt", "40", "--corg", "1"}, "--clay must lie between 0 and 100"},
        {{"calc", "soil", "--clay", "60", "--silt", "50", "--corg", "1"}, "clay + silt must not exceed 100"},
        {{"calc", "soil", "--clay", "abc", "--silt", "40", "--corg", "1"}, "--clay: \"abc\" is not a number"},
        {{"calc", "soil", "--clay", "nan", "--silt", "40", "--corg", "1"}, "is not a number"},
        {{"calc", "soil", "--clay", "20", "--silt", "40", "--corg", "1", "--ptf", "5"}, "--ptf must be"},
        {{"calc", "soil", "--clay", "20", "--silt", "40", "--corg", "1", "--bd", "0"}, "--bd must be above 0"},
        {{"calc", "soil", "--clay", "20", "--silt", "40"}, "--corg is required"},
        {{"calc", "bat", "--temp", "-1", "--precip", "600", "--fat", "6"}, "below 0"},
        {{"calc", "bat", "--temp", "8", "--precip", "0", "--fat", "6"}, "--precip must be above 0"},
        {{"calc", "steady-state", "--repix", "-3", "--clay", "15", "--silt", "40"}, "--repix must not be negative"},
        {{"calc", "stock", "--clay", "20"}, "either --stock or --corg"},
        {{"calc", "stock", "--clay", "20", "--stock", "5", "--corg", "1"}, "either --stock or --corg"},
        {{"calc", "stock", "--clay", "20", "--stock", "1e7"}, "beyond the range"},
    };
    for (const auto& c : cases) {
        const auto r = run_cli(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
}

TEST(CalcCommand, RunawaySteadyStateFailsWithoutPrinting)
{
    const auto r = run_cli({"calc", "steady-state", "--repix", "120", "--clay", "45", "--silt", "30"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("repix=120"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace
