#pragma once
// The names of the per-user settings (section [rux] of the settings file), in one table:
// every reader and writer of a setting names it by these constants, never by a literal.

namespace vt::config::key {

inline constexpr const char* database = "database";        // the database used last
inline constexpr const char* dbq = "DBQ";                   // the database chosen last in the file dialog
inline constexpr const char* ppath = "ppath";              // the program's folder
inline constexpr const char* methode = "methode";          // the database's model method (a copy)
inline constexpr const char* language = "language";        // "E" or "D"
inline constexpr const char* version = "version";          // the release that wrote the settings last
inline constexpr const char* korvanic = "korvanic";        // 1: an M= switch binds the method to the database
inline constexpr const char* power = "power";
inline constexpr const char* ptfmode = "ptfmode";          // pedotransfer method 1..4
inline constexpr const char* pf_wp = "pf_wp";              // pF of the wilting point, in tenths
inline constexpr const char* pf_fk = "pf_fk";              // pF of field capacity, in tenths
inline constexpr const char* recalc_bat = "recalc_bat";    // recalculate the BAT before a run
inline constexpr const char* soil_scheme = "soil_scheme";  // the texture scheme ("RBS")
inline constexpr const char* dyn_bd = "dyn_bd";            // bulk density follows the carbon content
inline constexpr const char* dyn_lts = "dyn_lts";          // the long-term stable pool is dynamic
inline constexpr const char* hassink = "hassink";          // Hassink saturation of the long-term stable pool
inline constexpr const char* scenario = "scenario";        // save the SOM state: 0 never, 1 finally, 2 every year
inline constexpr const char* r_call = "r_call";            // the R program
inline constexpr const char* r_script = "r_script";        // the evaluation's R script
inline constexpr const char* r_result = "r_result";        // the file the R script writes
inline constexpr const char* sp_a_sql = "sp_a_sql";        // the R analysis window's SQL script
inline constexpr const char* sp_a_r = "sp_a_r";            // the R analysis window's R script
inline constexpr const char* pdf_reader = "pdf_reader";
inline constexpr const char* pdf_dir = "pdf_dir";
inline constexpr const char* regmode = "REGMODE";          // "REG": regional area shares

} // namespace vt::config::key
