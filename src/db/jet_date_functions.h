#pragma once
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace vt::db {

// A date of the users' dialect. Dates are stored as text in one form that SQLite's own
// date functions read as well: "yyyy-mm-dd" for a date without time of day,
// "yyyy-mm-dd hh:mm:ss" with one, "hh:mm:ss" for a time alone (the day 1899-12-30, as in
// the dialect). A number is read as the dialect's date serial (days since 1899-12-30).
struct JetDate {
    long long days = 0;     // days since 1970-01-01
    long long seconds = 0;  // of the day, 0..86399
};

std::optional<JetDate> parse_jet_date(std::string_view text);
std::string jet_date_text(const JetDate& d);

// Format of a date: yyyy yy q mmmm mmm mm m dddd ddd dd d hh h nn n ss s AM/PM, and the
// named forms "General Date", "Long Date", "Medium Date", "Short Date", "Long Time",
// "Short Time".
std::string format_jet_date(const JetDate& d, std::string_view format);

// Registers Now, Date, Time, Year, Month, Day, Weekday, Hour, Minute, Second,
// DateSerial, DateAdd, DateDiff, DatePart and IsDate.
void register_jet_date_functions(sqlite3* db);

} // namespace vt::db
