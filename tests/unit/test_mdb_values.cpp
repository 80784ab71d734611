#include "import/reader_process.h"
#include "import/mdb_values.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <unistd.h>

using namespace vt::access::mdb;

namespace {

TEST(AccessDate, DaysSinceEpochBecomeIsoText)
{
    struct Case {
        double days;
        const char* iso;
    };
    const Case cases[] = {
        {0, "1899-12-30"},
        {2, "1900-01-01"},
        {60, "1900-02-28"},  // no 29 February 1900
        {61, "1900-03-01"},
        {-728, "1898-01-01"},
        {-463126, "0632-01-01"},
        {-657434, "0100-01-01"},
        {2958101, "9999-01-01"},
        {44532.5, "2021-12-02 12:00:00"},
        {2958465 + 86399.0 / 86400, "9999-12-31 23:59:59"},
        {-1.25, "1899-12-29 06:00:00"},          // before the epoch the fraction is still the time of day
        {1 - 0.2 / 86400, "1899-12-31"},          // rounding to the second carries into the next day
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        ASSERT_TRUE(access_date_iso(c.days).has_value());
        EXPECT_EQ(*access_date_iso(c.days), c.iso);
    }
}

TEST(AccessDate, ValuesOutsideAccessRangeGiveNothing)
{
    EXPECT_FALSE(access_date_iso(2958466).has_value());
    EXPECT_FALSE(access_date_iso(-657435).has_value());
    EXPECT_FALSE(access_date_iso(std::nan("")).has_value());
    EXPECT_FALSE(access_date_iso(1e300).has_value());
}

TEST(MdbValues, CurrencyIsAnExactDecimal)
{
    EXPECT_EQ(currency_decimal(323800), "32.38");
    EXPECT_EQ(currency_decimal(970000), "97");
    EXPECT_EQ(currency_decimal(0), "0");
    EXPECT_EQ(currency_decimal(-5), "-0.0005");
    EXPECT_EQ(currency_decimal(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
}

TEST(MdbValues, DecimalIsExact)
{
    unsigned char bytes[17] = {};
    bytes[13] = 0x39;  // 12345 in the least significant word, which comes last
    bytes[14] = 0x30;
    EXPECT_EQ(decimal_text(bytes, 2), "123.45");
    EXPECT_EQ(decimal_text(bytes, 7), "0.0012345");
    EXPECT_EQ(decimal_text(bytes, 0), "12345");
    bytes[0] = 0x80;
    EXPECT_EQ(decimal_text(bytes, 3), "-12.345");
    bytes[1] = 0x01;  // 2^96 + 12345 in the most significant word
    EXPECT_EQ(decimal_text(bytes, 0), "-79228162514264337593543962681");
    unsigned char zero[17] = {0x80};
    EXPECT_EQ(decimal_text(zero, 2), "0");
}

TEST(MdbValues, SingleKeepsItsDecimalForm)
{
    EXPECT_EQ(single_to_double(0.15f), 0.15);
    EXPECT_EQ(single_to_double(-3.4e38f), -3.4e38);
}

TEST(MdbValues, Jet4TextPlainAndCompressed)
{
    const unsigned char plain[] = {'S', 0, 't', 0, 'r', 0, 0xE4, 0, 0xDF, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(jet4_text_utf8(plain, sizeof plain), "Str\xC3\xA4\xC3\x9F\xE2\x82\xAC\xF0\x9F\x98\x80");
    // Compressed: single bytes, then a zero byte switching to full code units and back.
    const unsigned char packed[] = {0xFF, 0xFE, 'M', 0xFC, 'n', 0, 0xAC, 0x20, 0, 'x'};
    EXPECT_EQ(jet4_text_utf8(packed, sizeof packed), "M\xC3\xBCn\xE2\x82\xAC" "x");
    const unsigned char lone[] = {0x3D, 0xD8, 'a', 0};
    EXPECT_EQ(jet4_text_utf8(lone, sizeof lone), "\xEF\xBF\xBD" "a");
}

// Programs started with posix_spawn report lines on descriptor 3; how they end is told.
TEST(ReaderProcess, LinesArriveAndACrashIsReported)
{
    std::vector<std::string> lines;
    auto collect = [&](const std::string& l) { lines.push_back(l); };
    pid_t pid = 0;
    auto ok = vt::access::run_process({"/bin/sh", "-c", "echo one >&3; echo two >&3; echo noise; echo said >&2"},
                                      collect, 10, [&](pid_t p) { pid = p; });
    EXPECT_GT(pid, 0);
    EXPECT_TRUE(ok.exited);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(ok.errorTail, "said\n");

    auto crash = vt::access::run_process({"/bin/sh", "-c", "echo before >&3; kill -ABRT $$"}, collect, 10);
    EXPECT_FALSE(crash.exited);
    EXPECT_EQ(crash.signal, SIGABRT);
    EXPECT_EQ(lines.back(), "before");

    EXPECT_THROW(vt::access::run_process({"/nonexistent/reader"}, collect, 10), std::runtime_error);
}

TEST(ReaderProcess, ASilentProgramIsStopped)
{
    auto hang = vt::access::run_process({"/bin/sh", "-c", "exec sleep 600"}, [](const std::string&) {}, 1);
    EXPECT_TRUE(hang.stalled);
    EXPECT_EQ(hang.signal, SIGKILL);
}

} // namespace
