#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Decoding of the values an Access (Jet) file stores, independent of the reader that
// fetched their bytes.
namespace vt::access::mdb {

// A date/time as Access stores it: days since 1899-12-30; the whole part is the day
// (negative before the epoch) and the fraction, whatever the sign, the time of day.
// Gives "YYYY-MM-DD" for midnight and "YYYY-MM-DD HH:MM:SS" otherwise, in the proleptic
// Gregorian calendar, to the nearest second. Values outside Access's range (the years
// 100 to 9999) give nothing.
std::optional<std::string> access_date_iso(double days);

// A currency value (a 64-bit integer in ten-thousandths) as an exact decimal without
// trailing zeros: 123400 gives "12.34", -5 gives "-0.0005".
std::string currency_decimal(std::int64_t tenThousandths);

// A decimal value of a Jet 4 file (17 bytes: a sign byte with 0x80 for negative, then a
// 128-bit magnitude as four little-endian 32-bit words, the most significant first) as
// an exact decimal with `scale` digits after the point, trailing zeros removed.
std::string decimal_text(const unsigned char* bytes, int scale);

// A single-precision value as the double with the same shortest decimal form, so that
// 0.05f becomes 0.05 and not 0.0500000007.
double single_to_double(float v);

// A replication ID (16 bytes, the first three groups little-endian) as
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string guid_text(const unsigned char* bytes);

// Text of a Jet 4 file (UCS-2, optionally in the compressed form that starts FF FE) as
// UTF-8. Unpaired surrogates become U+FFFD.
std::string jet4_text_utf8(const unsigned char* bytes, std::size_t size);

// Little-endian integers and reals at the start of `p`.
std::int64_t read_le_int(const unsigned char* p, int bytes);
double read_le_double(const unsigned char* p);
float read_le_float(const unsigned char* p);

} // namespace vt::access::mdb
