#pragma once
#include "db/connection.h"

#include <memory>
#include <string>

namespace vt::test {

// A small experiment database for the browser's operations: two experiments
// ("Nord" code 1: plots 10, 12 "Feld", 20; "Süd" code 2: plots 15, 40), management events
// and observations on plot 12, results, stored states and run rows keyed by plot 12, two
// crops, an amendment and a fertiliser offered for selection.
std::unique_ptr<db::Connection> browser_fixture(const std::string& path = ":memory:");

// Rows of `table` whose FL_ID is `flId`.
long long rows_of_plot(db::Connection& c, const std::string& table, long long flId);

} // namespace vt::test
