// Fuzz target of the Access reader: damaged copies of the test files, read table by table
// as the import reads them. The input is a list of damages applied to one of the files
// (so that the mutations reach deep into a file the reader accepts): overwritten bytes,
// pages copied over others (a duplicated page) and pages swapped (page chains that loop
// or lead astray). The reader must end every file with a row or an exception, never
// with a crash, undefined behaviour, runaway memory or an endless loop.
#include "import/mdb_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Base {
    std::string bytes;
    std::size_t pageSize;
};

const Base& base(unsigned which)
{
    static const Base files[] = {{read_all(VELTRANO_TEST_DATA "/access/DateTestDatabase.mdb"), 4096},
                                 {read_all(VELTRANO_TEST_DATA "/access/nwind.mdb"), 2048}};
    return files[which % 2];
}

unsigned u16(const std::uint8_t* p) { return p[0] | p[1] << 8; }

// The damaged file, in memory with a path the reader can open.
class MemoryFile {
public:
    explicit MemoryFile(const std::string& bytes) : fd_(::memfd_create("fuzz.mdb", 0))
    {
        if (fd_ >= 0 && ::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~MemoryFile()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const Base& b = base(data[0]);
    std::string bytes = b.bytes;
    const std::size_t pages = bytes.size() / b.pageSize;
    // Records of five bytes: kind, then two 16-bit numbers.
    for (std::size_t i = 1; i + 5 <= size; i += 5) {
        const std::uint8_t kind = data[i];
        const unsigned x = u16(data + i + 1), y = u16(data + i + 3);
        switch (kind % 4) {
        case 0:
        case 1: {  // one byte of a page: page x, offset from the low bits of y and the kind
            const std::size_t at = (x % pages) * b.pageSize + ((y | (kind & 0xF0u) << 12) % b.pageSize);
            bytes[at] = static_cast<char>(y >> 8 ^ kind);
            break;
        }
        case 2:  // page x copied over page y
            std::memcpy(&bytes[(y % pages) * b.pageSize], &bytes[(x % pages) * b.pageSize], b.pageSize);
            break;
        case 3: {  // pages x and y swapped
            std::string keep = bytes.substr((x % pages) * b.pageSize, b.pageSize);
            std::memcpy(&bytes[(x % pages) * b.pageSize], &bytes[(y % pages) * b.pageSize], b.pageSize);
            std::memcpy(&bytes[(y % pages) * b.pageSize], keep.data(), b.pageSize);
            break;
        }
        }
    }
    MemoryFile file(bytes);
    if (!file.ok()) return 0;
    try {
        vt::access::mdb::File mdb(file.path());
        for (const auto& name : mdb.tables()) {
            try {
                auto table = mdb.open(name);
                std::vector<vt::access::mdb::FieldValue> row;
                while (table->next(row)) {
                }
            } catch (const vt::access::mdb::TableError&) {
            }
        }
    } catch (const vt::access::mdb::FileError&) {
    }
    return 0;
}
