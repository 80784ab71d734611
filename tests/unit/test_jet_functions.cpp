#include "db/connection.h"
#include "db/jet_functions.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

using vt::db::Connection;

namespace {

struct ScalarCase {
    const char* expr;
    const char* expected;  // the result as text; "NULL" for a NULL result
};

class JetScalar : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(JetScalar, GivesJetResult)
{
    auto c = Connection::memory();
    const auto v = c->scalar(std::string("SELECT ") + GetParam().expr);
    const std::string got = v.isNull() ? "NULL" : v.toString();
    EXPECT_EQ(got, GetParam().expected) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(Functions, JetScalar,
    ::testing::Values(
        ScalarCase{"Int(3.7)", "3"},
        ScalarCase{"Int(-3.2)", "-4"},  // largest integer not above, not truncation
        ScalarCase{"Int(-3)", "-3"},
        ScalarCase{"Int('2.9')", "2"},
        ScalarCase{"Int(NULL)", "NULL"},
        ScalarCase{"Val('  12.5 kg')", "12.5"},
        ScalarCase{"Val('1 2 3')", "123"},  // blanks inside the number are skipped
        ScalarCase{"Val('abc')", "0"},
        ScalarCase{"Val('')", "0"},
        ScalarCase{"Val('-4e2x')", "-400"},
        ScalarCase{"Val('&HFF')", "255"},
        ScalarCase{"CDbl('2.25')", "2.25"},
        ScalarCase{"CDbl(3)", "3"},
        ScalarCase{"CStr(2.5)", "2.5"},
        ScalarCase{"CStr(7)", "7"},
        ScalarCase{"Str(5)", " 5"},  // leading blank for non-negative numbers
        ScalarCase{"Str(0)", " 0"},
        ScalarCase{"Str(-1.5)", "-1.5"},
        ScalarCase{"instr('abcabc','c')", "3"},
        ScalarCase{"instr(4,'abcabc','c')", "6"},  // Jet order: start first
        ScalarCase{"instr(1,'Plot NOTILL since 1990','notill',0)", "6"},
        ScalarCase{"instr(1,'ploughed','notill',0)", "0"},
        ScalarCase{"instr(NULL,'x')", "NULL"},
        ScalarCase{"Abs(-2.5)", "2.5"},
        ScalarCase{"Abs(-3)", "3"},
        ScalarCase{"Abs(NULL)", "NULL"},
        ScalarCase{"IIF(1>0,'yes','no')", "yes"}),
    [](const ::testing::TestParamInfo<ScalarCase>& info) {
        std::string name;
        for (const char* p = info.param.expr; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name + "_" + std::to_string(info.index);
    });

TEST(JetFunctions, StDevIsTheSampleStandardDeviation)
{
    auto c = Connection::memory();
    c->execute("CREATE TABLE t (x REAL)");
    for (double x : {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}) c->execute("INSERT INTO t VALUES (?)", {x});
    EXPECT_NEAR(c->scalar("SELECT StDev(x) FROM t").toDouble(), std::sqrt(32.0 / 7.0), 1e-14);
    c->execute("DELETE FROM t WHERE x <> 2");
    EXPECT_TRUE(c->scalar("SELECT StDev(x) FROM t").isNull());  // one value: no deviation
}

TEST(JetFunctions, CDblOfTextThatIsNoNumberFails)
{
    auto c = Connection::memory();
    EXPECT_THROW(c->scalar("SELECT CDbl('twelve')"), vt::db::DbError);
}

} // namespace
