#pragma once
#include <string>
#include <string_view>

struct sqlite3;

namespace vt::db {

// Format(value, format) for the forms users' queries use: number patterns of "0", "#",
// "." and "," (thousands), a trailing "%", the named formats "Fixed", "Standard",
// "Percent", "General Number", and date patterns of yyyy, yy, mm, dd, hh, nn, ss on an
// ISO date text. Any other format gives the value as CStr gives it.
std::string jet_format(std::string_view value, bool numeric, double number, std::string_view format);

// Registers the text functions of users' queries under the names the Jet translator
// writes: jet_concat (the & operator: Null counts as "", numbers as CStr writes them, Null
// when every operand is Null), nz, jet_left, jet_right, jet_mid, jet_len, jet_format.
void register_jet_text_functions(sqlite3* db);

} // namespace vt::db
