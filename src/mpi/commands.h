#pragma once
#include "options/command_error.h"
#include "options/command_options.h"

#include <stdexcept>
#include <string>

namespace vt::mpi {

using options::CommandError;

// The commands on rank 0; each returns the exit code or throws CommandError.
int run_command(const options::RunOptions& o);
int calibrate_command(const options::CalibrateOptions& o);
int uncertainty_command(const options::UncertaintyOptions& o);

} // namespace vt::mpi
