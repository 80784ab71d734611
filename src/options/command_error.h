#pragma once
#include <stdexcept>
#include <string>

namespace vt::options {

// A failure that ends a command of veltrano-cli or veltrano-mpi with a message and an exit
// code (2: bad input).
class CommandError : public std::runtime_error {
public:
    CommandError(const std::string& message, int exitCode = 2) : std::runtime_error(message), code_(exitCode) {}
    int exitCode() const { return code_; }

private:
    int code_;
};

} // namespace vt::options
