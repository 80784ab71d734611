#pragma once
#include "workbench/browser_common.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace vt::cli {

// Prints what a plot or experiment operation changed, one line per table
// ("field_description: 1 row"), headed "dry run: nothing changed" in a dry run.
void print_change_report(std::ostream& out, const workbench::ChangeReport& r);

// A whole number given to an option; a CommandError (exit code 2) naming the option otherwise.
long long integer_option(const std::string& text, const std::string& option);

// Runs an operation; refused input becomes a CommandError with exit code 2.
workbench::ChangeReport run_operation(const std::function<workbench::ChangeReport()>& op);

} // namespace vt::cli
