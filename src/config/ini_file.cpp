#include "config/ini_file.h"

#include "base/text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vt::config {

namespace {

using base::trim;
bool iequal(const std::string& a, const std::string& b) { return base::iequals(a, b); }

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::load()
{
    sections_.clear();
    std::ifstream in(path_);
    if (!in) return false;
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        const std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            const std::string name = trim(t.substr(1, t.size() - 2));
            addSection(name);
            current = find(name);
            continue;
        }
        const auto eq = t.find('=');
        if (eq == std::string::npos || !current) continue;
        std::string value = trim(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        set(current->name, trim(t.substr(0, eq)), value);
    }
    return true;
}

void IniFile::save() const
{
    namespace fs = std::filesystem;
    const fs::path target(path_);
    if (target.has_parent_path()) fs::create_directories(target.parent_path());
    const fs::path tmp = target.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write settings file " + path_);
        for (const auto& s : sections_) {
            out << '[' << s.name << "]\n";
            for (const auto& e : s.entries) {
                // Values with leading or trailing blanks are quoted so that they read back whole.
                const bool quote = !e.value.empty() && (e.value.front() == ' ' || e.value.back() == ' ' ||
                                                        (e.value.front() == '"' && e.value.back() == '"'));
                out << e.name << '=' << (quote ? "\"" + e.value + "\"" : e.value) << '\n';
            }
            out << '\n';
        }
        if (!out) throw std::runtime_error("cannot write settings file " + path_);
    }
    fs::rename(tmp, target);
}

IniFile::Section* IniFile::find(const std::string& section)
{
    for (auto& s : sections_)
        if (iequal(s.name, section)) return &s;
    return nullptr;
}

const IniFile::Section* IniFile::find(const std::string& section) const
{
    for (const auto& s : sections_)
        if (iequal(s.name, section)) return &s;
    return nullptr;
}

bool IniFile::hasSection(const std::string& section) const { return find(section) != nullptr; }

bool IniFile::has(const std::string& section, const std::string& name) const { return get(section, name).has_value(); }

std::optional<std::string> IniFile::get(const std::string& section, const std::string& name) const
{
    if (const Section* s = find(section))
        for (const auto& e : s->entries)
            if (iequal(e.name, name)) return e.value;
    return std::nullopt;
}

void IniFile::set(const std::string& section, const std::string& name, const std::string& value)
{
    addSection(section);
    Section* s = find(section);
    for (auto& e : s->entries)
        if (iequal(e.name, name)) {
            e.value = value;
            return;
        }
    s->entries.push_back({name, value});
}

void IniFile::remove(const std::string& section, const std::string& name)
{
    if (Section* s = find(section))
        std::erase_if(s->entries, [&](const Entry& e) { return iequal(e.name, name); });
}

void IniFile::addSection(const std::string& section)
{
    if (!find(section)) sections_.push_back({section, {}});
}

std::vector<std::string> IniFile::names(const std::string& section) const
{
    std::vector<std::string> out;
    if (const Section* s = find(section))
        for (const auto& e : s->entries) out.push_back(e.name);
    return out;
}

} // namespace vt::config
