#pragma once
#include "options/command_options.h"
#include "workbench/run_setup.h"

#include <string>

namespace vt::cli {

// The setup of `veltrano-cli run` on `database`: the switches as given, the current folder
// as the work folder, the settings file's values for everything else.
workbench::RunSetup cli_run_setup(const options::RunOptions& opt, const std::string& database);

} // namespace vt::cli
