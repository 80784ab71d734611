#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace vt::engine {

// Saves the run log as the run report, one line per log line, replacing an earlier file.
void write_run_report(const std::filesystem::path& file, const std::vector<std::string>& lines);

// The current time of day as the run log shows it ("14:03:27").
std::string clock_time();

} // namespace vt::engine
