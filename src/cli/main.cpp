#include "cli/command_registry.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return vt::cli::run_cli(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
