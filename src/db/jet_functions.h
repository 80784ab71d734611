#pragma once
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace vt::db {

// Val: the number at the start of a text; blanks are skipped, reading stops at the
// first character that cannot continue a number; "" or no digits give 0.
double jet_val(std::string_view text);

// CStr: a number as text, with a decimal point ("3", "2.5").
std::string jet_cstr(double v);

// Str: like CStr, with a leading blank for numbers that are not negative.
std::string jet_str(double v);

// instr(start, haystack, needle): 1-based position of needle at or after start, 0 when
// absent. Comparison ignores case as the database engine's text comparison does.
long long jet_instr(long long start, std::string_view haystack, std::string_view needle);

// Registers Int, Val, CDbl, CStr, Str, instr, StDev and Abs on a connection, and with
// them every other function, the collation JET and the LIKE of the users' dialect.
void register_jet_functions(sqlite3* db);

// Round, CInt, CLng, Fix, Sgn, IsNull, IsNumeric, Switch, Choose, Space, String, StrComp,
// InStrRev, Replace, Sqr, Log, Exp, First, Last, StDevP, Var, VarP, the operators /, \, Mod
// and + (jet_div, jet_intdiv, jet_mod, jet_add), and the date and comparison functions.
void register_jet_more_functions(sqlite3* db);

} // namespace vt::db
