#pragma once
#include "options/command_options.h"

#include <stdexcept>
#include <string>

namespace vt::mpi {

// A failure that ends a command with a message and an exit code (2: bad input).
class CommandError : public std::runtime_error {
public:
    CommandError(const std::string& message, int exitCode = 2) : std::runtime_error(message), code_(exitCode) {}
    int exitCode() const { return code_; }

private:
    int code_;
};

// The commands on rank 0; each returns the exit code or throws CommandError.
int run_command(const options::RunOptions& o);
int calibrate_command(const options::CalibrateOptions& o);
int uncertainty_command(const options::UncertaintyOptions& o);

} // namespace vt::mpi
