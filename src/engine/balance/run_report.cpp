#include "engine/balance/run_report.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <stdexcept>

namespace vt::engine {

void write_run_report(const std::filesystem::path& file, const std::vector<std::string>& lines)
{
    std::ofstream f(file, std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write the run report " + file.string());
    for (const std::string& l : lines) f << l << '\n';
}

std::string clock_time()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

} // namespace vt::engine
