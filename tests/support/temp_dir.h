#pragma once
#include <filesystem>
#include <vector>
#include <string>

namespace vt::test {

// A fresh folder under the system's temporary folder, removed with its contents at the
// end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs veltrano-cli in the same process; captures both streams.
struct CliResult {
    int code;
    std::string out;
    std::string err;
};
CliResult run_cli(const std::vector<std::string>& args);

} // namespace vt::test
