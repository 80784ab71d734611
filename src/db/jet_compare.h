#pragma once
#include <string>
#include <string_view>

struct sqlite3;

namespace vt::db {

// Text comparison of the users' dialect: letter case is ignored (umlauts and the other
// letters of Latin-1, Latin Extended-A, Greek and Cyrillic included), and accented letters
// sort beside their base letter ("bad" < "bäd" < "bae", as in a German dictionary).
// Returns <0, 0 or >0; 0 means equal for =, IN, GROUP BY and every other comparison.
int jet_text_compare(std::string_view a, std::string_view b);

// LIKE with the dialect's wildcards: * any run of characters, ? one character, # one digit,
// [abc], [a-z] and [!a-z] one character of (not of) the list; letter case ignored.
// Throws std::invalid_argument for a pattern with an unclosed "[".
bool jet_like(std::string_view text, std::string_view pattern);

// ALIKE: the same with ANSI wildcards, % any run and _ one character.
bool jet_alike(std::string_view text, std::string_view pattern);

// Registers the collation JET and the functions jet_like and jet_alike.
void register_jet_compare(sqlite3* db);

} // namespace vt::db
