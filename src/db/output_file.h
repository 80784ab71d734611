#pragma once
#include <functional>
#include <stdexcept>
#include <string>

namespace vt::db {

// An output file that cannot be written: the path names a database this process has open,
// a folder, a write-protected file, or writing failed. The message names the path.
class OutputFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the output file `path` (an export, a spreadsheet, a text table): `fill` writes a
// temporary file in the same folder, which takes the file's name only when it is
// complete, so that a failure leaves any earlier file as it was. A path that names a
// database this process has open (the same file by device and inode, whatever link or
// name leads to it) is refused before anything is written. A symbolic link is followed:
// the file it points to is replaced, keeping its permissions.
void write_output_file(const std::string& path, const std::function<void(const std::string& tempPath)>& fill);

// The same for a text written whole.
void write_output_text(const std::string& path, const std::string& text);

// Whether `path` names a database file that a connection of this process has open.
bool is_open_database(const std::string& path);

// Connections report their files here (by device and inode) while they are open.
void register_open_database(const std::string& path);
void unregister_open_database(const std::string& path);

} // namespace vt::db
