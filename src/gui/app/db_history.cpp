#include "gui/app/db_history.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vt::gui {

namespace {

std::string normalised(const std::string& p)
{
    std::error_code ec;
    auto n = fs::weakly_canonical(fs::path(p), ec);
    return ec ? fs::path(p).lexically_normal().string() : n.string();
}

} // namespace

bool same_file(const std::string& a, const std::string& b) { return normalised(a) == normalised(b); }

DbHistory::DbHistory(const std::string& folder)
    : file_((fs::path(folder.empty() ? "." : folder) / kFileName).string())
{
}

void DbHistory::load()
{
    entries_.clear();
    std::ifstream in(file_);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::error_code ec;
        if (!fs::is_regular_file(line, ec)) continue;
        if (indexOf(line) < 0) entries_.push_back(line);
    }
}

void DbHistory::save() const
{
    std::error_code ec;
    const auto dir = fs::path(file_).parent_path();
    if (!dir.empty()) fs::create_directories(dir, ec);
    std::ofstream out(file_, std::ios::trunc);
    for (const auto& e : entries_) out << e << '\n';
    out.flush();
    if (!out) throw std::runtime_error("cannot write the database history " + file_);
}

int DbHistory::add(const std::string& path)
{
    if (const int i = indexOf(path); i >= 0) return i;
    entries_.push_back(path);
    return static_cast<int>(entries_.size()) - 1;
}

int DbHistory::indexOf(const std::string& path) const
{
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (same_file(entries_[i], path)) return static_cast<int>(i);
    return -1;
}

} // namespace vt::gui
