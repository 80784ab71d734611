#include "support/temp_dir.h"

#include "cli/command_registry.h"

#include <random>
#include <sstream>

namespace vt::test {

TempDir::TempDir()
{
    std::random_device rd;
    std::mt19937_64 gen(rd());
    path_ = std::filesystem::temp_directory_path() / ("veltrano-test-" + std::to_string(gen()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

CliResult run_cli(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = vt::cli::run_cli(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace vt::test
