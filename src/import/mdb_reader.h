#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Reading an Access (Jet 3 / Jet 4) file through mdbtools' libmdb, with the checks that
// keep a truncated or damaged file from being read as if it were whole.
namespace vt::access::mdb {

// The file as a whole cannot be read: it is no Access database, it is truncated, or its
// catalog is damaged.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One table cannot be read; the rest of the file may be fine.
class TableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Column types as the file stores them.
enum class ColumnType { YesNo, Byte, Integer, LongInteger, Currency, Single, Double, DateTime, Binary, Text, Ole,
                        Memo, ReplicationId, Decimal, Unsupported };

struct ColumnInfo {
    std::string name;
    ColumnType type = ColumnType::Unsupported;
    int size = 0;           // characters for text, bytes for binary
    int precision = 0;      // decimal columns
    int scale = 0;
    bool autoNumber = false;
};

struct IndexInfo {
    std::string name;
    bool primaryKey = false;
    bool unique = false;
    std::vector<std::pair<int, bool>> columns;  // column position (0-based), descending
};

// One field as read: NULL, integer, real, text, exact decimal (text that a NUMERIC
// column stores as a number), or bytes.
struct FieldValue {
    enum class Kind { Null, Integer, Real, Text, Decimal, Blob } kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;  // text, decimal or bytes
};

class Table;

class File {
public:
    // Opens the file read-only. Throws FileError when it is no Access database, is
    // truncated, or its catalog cannot be read.
    explicit File(const std::string& path);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::string formatName() const;  // "Jet 3", "Jet 4", "ACE"
    // User tables in catalog order; linked tables (their data lives elsewhere) apart.
    const std::vector<std::string>& tables() const;
    const std::vector<std::string>& linkedTables() const;

    // Reads a table's definition. Throws FileError when the table's pages lie beyond the
    // end of the file (the file is truncated) and TableError when the definition is
    // damaged.
    std::unique_ptr<Table> open(const std::string& table);

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

class Table {
public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& name() const;
    const std::vector<ColumnInfo>& columns() const;
    const std::vector<IndexInfo>& indexes() const;
    // The number of rows the table's definition records.
    long long declaredRows() const;

    // The next row, one value per column; false after the last. Throws TableError when a
    // row or one of its long values is damaged, or when fewer rows can be read than the
    // table records.
    bool next(std::vector<FieldValue>& row);

    struct Impl;
    explicit Table(std::unique_ptr<Impl> d);

private:
    std::unique_ptr<Impl> d_;
};

} // namespace vt::access::mdb
