#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vt::config {

// A plain INI file: [section] headers and name=value lines, kept in file order.
// Section and value names are matched without regard to case, like registry names.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string path);

    // Reads the file; false when it does not exist (the object is then empty).
    bool load();
    // Writes the whole file, creating its folder when needed; throws std::runtime_error
    // when it cannot be written. The file is replaced atomically.
    void save() const;

    const std::string& path() const { return path_; }
    bool hasSection(const std::string& section) const;
    bool has(const std::string& section, const std::string& name) const;
    std::optional<std::string> get(const std::string& section, const std::string& name) const;
    void set(const std::string& section, const std::string& name, const std::string& value);
    void remove(const std::string& section, const std::string& name);
    void addSection(const std::string& section);
    std::vector<std::string> names(const std::string& section) const;

private:
    struct Entry {
        std::string name;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    Section* find(const std::string& section);
    const Section* find(const std::string& section) const;

    std::string path_;
    std::vector<Section> sections_;
};

} // namespace vt::config
