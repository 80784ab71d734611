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
    bool isolate = true;            // read the Access file in a separate reader process (veltrano-import)
    // A reader that reports nothing for this long is stopped: it reports every thousand
    // rows and every second of work in SQLite, so silence means it is stuck in the Access
    // library.
    int stallSeconds = 10;
    // The reader process may use this much memory (address space) in MB; 0: 400 MB plus
    // the file's size. A damaged file that would make it grow beyond fails its table.
    long long memoryLimitMb = 0;
    // The reader program; empty: $VELTRANO_IMPORT_READER, else "veltrano-import" beside
    // the running program or in the folder above it.
    std::string readerProgram;
    // Test hook: "crash:T", "hang:T" or "memory:T" makes the reader process crash, hang or
    // exhaust its memory when it comes to table T.
    std::string readerFault;
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
// The source is only read, by a separate reader process (see reader_main), so that a
// crash, an endless loop or runaway memory in the Access library fails the import
// cleanly; its structure is checked before any table is copied. The new database is
// written to a temporary file beside the target and takes the target's name only when
// everything succeeded; on failure, Ctrl-C or SIGTERM no file is left behind, and the
// temporaries a killed import left are removed by the next. Throws MdbImportError.
MdbImportReport import_mdb(const std::string& source, const std::string& target, const MdbImportOptions& options = {},
                           const MdbImportProgressFn& progress = {});

// The adaptation step of the import on its own: runs the schema adaptation on the
// database at `path`, wholly or not at all, and records in `report` whether it applied,
// the model method, or why it did not apply.
void adapt_imported_database(const std::string& path, config::RuxSettings* settings, MdbImportReport& report);

// The reader process (the program veltrano-import): copies the Access file into a new
// SQLite file and reports on descriptor 3, line by line, to the import that started it.
//   veltrano-import --parent PID [--skip-broken-tables] [--exclude TABLE]... [--memory-mb N]
//                   [--fault KIND:TABLE] SOURCE TARGET
// Returns the process's exit code.
int reader_main(int argc, char** argv);

// Whether the reader process limits its memory (builds with AddressSanitizer cannot).
bool reader_memory_is_limited();

} // namespace vt::access
