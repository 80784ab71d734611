#pragma once
#include "options/command_error.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::cli {

// Where a command writes: the log and results to `out`, messages to `err`.
struct Context {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // progress bars only on a terminal
};

using options::CommandError;

// Each command file registers itself with a static Registrar: the function adds the
// subcommand to the application and sets its callback. The callback may throw
// CommandError; any other exception ends the command with exit code 1.
using CommandSetup = std::function<void(CLI::App& app, Context& ctx)>;

struct Registrar {
    Registrar(const std::string& name, CommandSetup setup);
};

// Runs the command line as veltrano-cli does, writing to the given streams; returns the
// exit code. Tests call it in the same process.
int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal = false);

} // namespace vt::cli
