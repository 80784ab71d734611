#pragma once
#include <string>
#include <vector>

namespace vt::gui {

// The list of databases used before: "glddbhist.txt" in the program folder, one path
// per line. A file is listed once however its path was written, and files that no
// longer exist are dropped when the list is loaded.
class DbHistory {
public:
    static constexpr const char* kFileName = "glddbhist.txt";

    DbHistory() = default;
    // `folder` holds the history file; an empty folder means the working folder.
    explicit DbHistory(const std::string& folder);

    const std::string& file() const { return file_; }
    // Reads the file (a missing file gives an empty list), dropping missing databases
    // and repeated entries.
    void load();
    // Rewrites the whole file; throws std::runtime_error when it cannot be written.
    void save() const;

    // Appends the path unless it is listed already; returns its index either way.
    int add(const std::string& path);
    int indexOf(const std::string& path) const;
    const std::vector<std::string>& entries() const { return entries_; }

private:
    std::string file_;
    std::vector<std::string> entries_;
};

// Whether two paths name the same file (relative paths, "." and ".." resolved).
bool same_file(const std::string& a, const std::string& b);

} // namespace vt::gui
