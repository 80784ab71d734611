#include "db/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <utility>
#include <vector>

namespace vt::db {

namespace fs = std::filesystem;

namespace {

using FileId = std::pair<dev_t, ino_t>;

struct OpenDatabases {
    std::mutex mutex;
    std::vector<std::pair<FileId, std::string>> files;  // one entry per open connection
};

OpenDatabases& open_databases()
{
    static OpenDatabases d;
    return d;
}

bool file_id(const std::string& path, FileId& id)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

} // namespace

void register_open_database(const std::string& path)
{
    FileId id;
    if (!file_id(path, id)) return;
    auto& d = open_databases();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.files.emplace_back(id, path);
}

void unregister_open_database(const std::string& path)
{
    auto& d = open_databases();
    std::lock_guard<std::mutex> lock(d.mutex);
    for (auto it = d.files.begin(); it != d.files.end(); ++it)
        if (it->second == path) {
            d.files.erase(it);
            return;
        }
}

bool is_open_database(const std::string& path)
{
    FileId id;
    if (!file_id(path, id)) return false;
    auto& d = open_databases();
    std::lock_guard<std::mutex> lock(d.mutex);
    for (const auto& f : d.files)
        if (f.first == id) return true;
    return false;
}

void write_output_file(const std::string& path, const std::function<void(const std::string& tempPath)>& fill)
{
    if (path.empty()) throw OutputFileError("no output file named");
    if (is_open_database(path)) throw OutputFileError(path + ": this is the open database; choose another output file");
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        const auto resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (fs::is_directory(target, ec)) throw OutputFileError(path + ": is a folder");
    const bool exists = fs::exists(target, ec);
    if (exists && ::access(target.c_str(), W_OK) != 0) throw OutputFileError(path + ": the file is write-protected");
    const auto folder = fs::absolute(target, ec).parent_path();
    if (!fs::is_directory(folder, ec)) throw OutputFileError(path + ": the folder " + folder.string() + " does not exist");

    static std::atomic<unsigned> counter{0};
    const fs::path temp = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "-" +
                                    std::to_string(counter++) + ".part");
    try {
        fill(temp.string());
        if (exists) fs::permissions(temp, fs::status(target).permissions(), fs::perm_options::replace, ec);
        fs::rename(temp, target);
    } catch (const fs::filesystem_error& e) {
        fs::remove(temp, ec);
        throw OutputFileError(path + ": " + e.code().message());
    } catch (...) {
        fs::remove(temp, ec);
        throw;
    }
}

void write_output_text(const std::string& path, const std::string& text)
{
    write_output_file(path, [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw OutputFileError(path + ": writing the file failed");
    });
}

} // namespace vt::db
