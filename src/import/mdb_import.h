#pragma once
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::config {
class RuxSettings;
}

namespace vt::access {

struct MdbImportOptions {
    bool force = false;             // replace an existing target
    bool skipBrokenTables = false;  // leave out tables that cannot be read instead of failing
    bool adapt = true;              // bring an experiment database to the current layout afterwards
    config::RuxSettings* settings = nullptr;  // handed to the adaptation, which records the method there
    bool isolate = true;            // read the Access file in a child process (a crash there fails cleanly)
    int stallSeconds = 120;         // a reader that reports nothing for this long is stopped
    // Test hook: called by the reader before it reads each table (in the child process
    // when isolated), so that tests can make the reader fail on a table.
    std::function<void(const std::string& table)> beforeTable;
};

// Where an import stands: table `tableNumber` (1-based) of `tableCount`, `rows` of its
// `tableRows` rows copied.
struct MdbImportProgress {
    std::string table;
    int tableNumber = 0;
    int tableCount = 0;
    long long rows = 0;
    long long tableRows = 0;
};
using MdbImportProgressFn = std::function<void(const MdbImportProgress&)>;

struct MdbImportedTable {
    std::string name;
    long long rows = 0;
    int indexes = 0;          // indexes created besides the primary key
    bool primaryKey = false;
};

struct MdbSkippedTable {
    std::string name;
    std::string reason;
};

struct MdbImportReport {
    std::string format;                   // "Jet 3", "Jet 4", "ACE"
    std::vector<MdbImportedTable> tables; // in the order of the Access catalog
    std::vector<MdbSkippedTable> skipped; // only with skipBrokenTables
    std::vector<std::string> notes;       // what the user should know: linked tables, odd values
    bool adapted = false;                 // the schema adaptation ran to its end
    std::string method;                   // the database's model method, once adapted
    std::string adaptation;               // why it did not apply, when it did not

    long long totalRows() const;
};

class MdbImportError : public std::runtime_error {
public:
    enum class Kind {
        BadSource,    // not an Access database, truncated, damaged, missing
        BrokenTable,  // a table cannot be read (and skipping was not asked for)
        BadTarget,    // the target exists (without force), is the source, or is no file
        Failed,       // writing the new database failed
    };
    MdbImportError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Copies every user table of an Access file (.mdb) into a new SQLite database at `target`:
// columns in order with their types, all rows, the primary key and the indexes the file
// declares. Dates become ISO text, yes/no -1/0, currency exact decimals, text UTF-8, empty
// values NULL. Then the schema adaptation brings an experiment database to the current
// layout. It applies wholly or not at all: a file that is no experiment database (it
// lacks the tables the adaptation works on) is imported as it is, and the report says
// why the adaptation did not apply.
//
// The source is only read. The new database is written to a temporary file beside the
// target and takes the target's name only when everything succeeded; on failure no file
// is left behind. Throws MdbImportError.
MdbImportReport import_mdb(const std::string& source, const std::string& target, const MdbImportOptions& options = {},
                           const MdbImportProgressFn& progress = {});

// The adaptation step of the import on its own: runs the schema adaptation on the
// database at `path`, wholly or not at all, and records in `report` whether it applied,
// the model method, or why it did not apply.
void adapt_imported_database(const std::string& path, config::RuxSettings* settings, MdbImportReport& report);

} // namespace vt::access
