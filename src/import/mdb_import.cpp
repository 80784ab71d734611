#include "import/mdb_import.h"

#include "config/rux_settings.h"
#include "db/adapt_datamodel.h"
#include "db/connection.h"
#include "db/sql_quote.h"
#include "import/import_temporaries.h"
#include "import/mdb_reader.h"
#include "import/reader_process.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <set>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vt::access {

namespace fs = std::filesystem;
using mdb::ColumnType;
using mdb::FieldValue;
using db::AdaptResult;
using db::Connection;
using db::DbError;
using db::Statement;
using db::Transaction;
using db::quote_ident;

long long MdbImportReport::totalRows() const
{
    long long n = 0;
    for (const auto& t : tables) n += t.rows;
    return n;
}

namespace {

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// What the copy tells whoever runs it, table by table.
class CopySink {
public:
    virtual ~CopySink() = default;
    virtual void format(const std::string& name) = 0;
    virtual void tableStarted(const std::string& name, int number, int count, long long rows) = 0;
    virtual void rowsCopied(const std::string& name, long long rows) = 0;
    virtual void tableDone(const MdbImportedTable& table) = 0;
    virtual void tableSkipped(const std::string& name, const std::string& reason) = 0;
    virtual void note(const std::string& text) = 0;
    // The copy is busy in SQLite (an index of a large table, the commit), not stuck in the
    // Access library; called at most about once a second.
    virtual void busy() {}
};

std::string sql_type(const mdb::ColumnInfo& c)
{
    switch (c.type) {
    case ColumnType::YesNo: return "YESNO";
    case ColumnType::Byte: return "BYTE";
    case ColumnType::Integer: return "SMALLINT";
    case ColumnType::LongInteger: return "INTEGER";
    case ColumnType::Currency: return "CURRENCY";  // numeric: exact decimals up to 15 digits stay numbers
    case ColumnType::Single: return "REAL";
    case ColumnType::Double: return "DOUBLE";
    case ColumnType::DateTime: return "DATETIME";
    case ColumnType::Text: return "VARCHAR(" + std::to_string(c.size) + ")";
    case ColumnType::Memo: return "TEXT";
    case ColumnType::Ole: return "LONGBINARY";
    case ColumnType::Binary: return "VARBINARY(" + std::to_string(c.size) + ")";
    case ColumnType::ReplicationId: return "GUID";
    case ColumnType::Decimal: return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    case ColumnType::Unsupported: return "BLOB";
    }
    return "BLOB";
}

void bind_field(sqlite3_stmt* st, int index, const FieldValue& v)
{
    switch (v.kind) {
    case FieldValue::Kind::Null: sqlite3_bind_null(st, index); break;
    case FieldValue::Kind::Integer: sqlite3_bind_int64(st, index, v.integer); break;
    case FieldValue::Kind::Real: sqlite3_bind_double(st, index, v.real); break;
    case FieldValue::Kind::Text:
    case FieldValue::Kind::Decimal:
        sqlite3_bind_text(st, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        break;
    case FieldValue::Kind::Blob:
        sqlite3_bind_blob(st, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        break;
    }
}

// Copies one table into the open transaction; throws mdb::TableError when it cannot be
// read, DbError when it cannot be written.
MdbImportedTable copy_table(mdb::Table& table, Connection& db, int number, int count, CopySink& sink)
{
    const std::string& name = table.name();
    const auto& cols = table.columns();
    sink.tableStarted(name, number, count, table.declaredRows());
    const auto unwritable = [](const std::string& n) { return n.empty() || n.find(']') != std::string::npos; };
    if (unwritable(name) || std::any_of(cols.begin(), cols.end(), [&](const auto& c) { return unwritable(c.name); }))
        throw mdb::TableError("its name or a column name is empty or holds \"]\", which no SQL name can");

    // An autonumber column that is the whole primary key becomes SQLite's row key, so
    // that new rows receive the next number as they did in Access.
    const mdb::IndexInfo* pk = nullptr;
    for (const auto& idx : table.indexes())
        if (idx.primaryKey && !pk) pk = &idx;
    int rowKey = -1;
    if (pk && pk->columns.size() == 1 && cols[pk->columns[0].first].autoNumber &&
        cols[pk->columns[0].first].type == ColumnType::LongInteger)
        rowKey = pk->columns[0].first;

    std::string ddl = "CREATE TABLE " + quote_ident(name) + " (";
    for (std::size_t i = 0; i < cols.size(); ++i) {
        if (i) ddl += ", ";
        ddl += quote_ident(cols[i].name) + " " + sql_type(cols[i]);
        if (static_cast<int>(i) == rowKey) ddl += " PRIMARY KEY";
        if (cols[i].type == ColumnType::Unsupported)
            sink.note("column " + quoted(cols[i].name) + " of table " + quoted(name) +
                      " has a type the import cannot read; it is left empty");
    }
    if (pk && rowKey < 0) {
        ddl += ", PRIMARY KEY (";
        for (std::size_t k = 0; k < pk->columns.size(); ++k)
            ddl += (k ? ", " : "") + quote_ident(cols[pk->columns[k].first].name);
        ddl += ")";
    }
    ddl += ")";
    try {
        db.execute(ddl);
    } catch (const DbError& e) {
        throw mdb::TableError(std::string("its definition cannot be written in SQL: ") + e.what());
    }

    std::string insert = "INSERT INTO " + quote_ident(name) + " VALUES (";
    for (std::size_t i = 0; i < cols.size(); ++i) insert += i ? ",?" : "?";
    insert += ")";
    Statement st = db.prepare(insert);

    MdbImportedTable done;
    done.name = name;
    done.primaryKey = pk != nullptr;
    long long keptDates = 0;
    std::vector<FieldValue> row;
    while (table.next(row)) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            bind_field(st.handle(), static_cast<int>(i) + 1, row[i]);
            if (cols[i].type == ColumnType::DateTime && row[i].kind == FieldValue::Kind::Real) ++keptDates;
        }
        st.execute();
        if (++done.rows % 1000 == 0) sink.rowsCopied(name, done.rows);
    }
    if (done.rows > table.declaredRows())
        sink.note("table " + quoted(name) + " holds " + std::to_string(done.rows) + " rows, more than the " +
                  std::to_string(table.declaredRows()) + " its definition records; all were imported");
    if (keptDates > 0)
        sink.note("table " + quoted(name) + ": " + std::to_string(keptDates) +
                  " date values lie outside the years 100 to 9999 and are kept as the stored numbers");

    for (const auto& idx : table.indexes()) {
        if (idx.primaryKey) continue;
        std::string base = name + "_" + idx.name;
        std::string indexName = base;
        for (int n = 2; db.scalar("SELECT COUNT(*) FROM sqlite_master WHERE name = ? COLLATE NOCASE", {indexName}).toInt() > 0;
             ++n)
            indexName = base + "_" + std::to_string(n);
        std::string keys;
        for (const auto& [col, descending] : idx.columns)
            keys += (keys.empty() ? "" : ", ") + quote_ident(cols[col].name) + (descending ? " DESC" : "");
        const std::string tail = " INDEX " + quote_ident(indexName) + " ON " + quote_ident(name) + " (" + keys + ")";
        if (idx.unique && !db.executeIgnoringErrors("CREATE UNIQUE" + tail)) {
            db.execute("CREATE" + tail);
            sink.note("index " + quoted(idx.name) + " of table " + quoted(name) +
                      " is not unique in the imported data; it was created as an ordinary index");
        } else if (!idx.unique) {
            db.execute("CREATE" + tail);
        }
        ++done.indexes;
    }
    sink.rowsCopied(name, done.rows);
    return done;
}

// The test hook of MdbImportOptions::readerFault: "crash:T", "hang:T", "memory:T", or a
// signal from outside: "hangup:T", "terminate:T".
void inject_fault(const std::string& fault, const std::string& table)
{
    const std::size_t colon = fault.find(':');
    if (colon == std::string::npos || fault.substr(colon + 1) != table) return;
    const std::string kind = fault.substr(0, colon);
    if (kind == "crash") std::abort();
    if (kind == "hangup") ::raise(SIGHUP);
    if (kind == "terminate") ::raise(SIGTERM);
    if (kind == "hang")
        for (;;) ::pause();
    if (kind == "memory") {
        std::vector<std::unique_ptr<char[]>> blocks;
        for (;;) {
            blocks.emplace_back(new char[16 << 20]);
            std::memset(blocks.back().get(), 1, 16 << 20);
        }
    }
}

// Reads the Access file and writes every table into a new SQLite file at `path`.
void copy_access_file(const std::string& source, const std::string& path, const MdbImportOptions& options,
                      const std::set<std::string>& excluded, CopySink& sink)
{
    std::unique_ptr<mdb::File> file;
    try {
        file = std::make_unique<mdb::File>(source);
    } catch (const mdb::FileError& e) {
        throw MdbImportError(MdbImportError::Kind::BadSource, e.what());
    }
    sink.format(file->formatName());
    for (const auto& linked : file->linkedTables())
        sink.note("linked table " + quoted(linked) + " was not imported: its data lives in another file");

    Connection db(path, Connection::Mode::ReadWriteCreate);
    struct Busy {
        CopySink& sink;
        std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    } busy{sink};
    sqlite3_progress_handler(
        db.handle(), 100000,
        [](void* p) {
            auto& b = *static_cast<Busy*>(p);
            const auto now = std::chrono::steady_clock::now();
            if (now - b.last > std::chrono::seconds(1)) {
                b.last = now;
                b.sink.busy();
            }
            return 0;
        },
        &busy);
    db.execute("PRAGMA journal_mode=MEMORY");
    db.execute("PRAGMA synchronous=OFF");
    Transaction tx(db);
    const auto& names = file->tables();
    const int count = static_cast<int>(names.size());
    for (int i = 0; i < count; ++i) {
        const std::string& name = names[i];
        if (excluded.count(name)) continue;
        // Announced before libmdb reads the definition, so that a reader failing there
        // is known to have failed on this table; announced again with its size.
        sink.tableStarted(name, i + 1, count, 0);
        if (!options.readerFault.empty()) inject_fault(options.readerFault, name);
        db.execute("SAVEPOINT import_table");
        try {
            auto table = file->open(name);
            const MdbImportedTable done = copy_table(*table, db, i + 1, count, sink);
            db.execute("RELEASE import_table");
            sink.tableDone(done);
            continue;
        } catch (const mdb::FileError& e) {
            throw MdbImportError(MdbImportError::Kind::BadSource, e.what());
        } catch (const mdb::TableError& e) {
            db.execute("ROLLBACK TO import_table");
            db.execute("RELEASE import_table");
            if (!options.skipBrokenTables)
                throw MdbImportError(MdbImportError::Kind::BrokenTable,
                                     "table " + quoted(name) + " cannot be read: " + e.what());
            sink.tableSkipped(name, e.what());
        } catch (const DbError& e) {
            if (e.code() == SQLITE_NOMEM) throw std::bad_alloc();
            if (e.code() != SQLITE_CONSTRAINT)
                throw MdbImportError(MdbImportError::Kind::Failed,
                                     "cannot write table " + quoted(name) + ": " + e.what());
            db.execute("ROLLBACK TO import_table");
            db.execute("RELEASE import_table");
            const std::string reason = std::string("its rows break its own keys: ") + e.what();
            if (!options.skipBrokenTables)
                throw MdbImportError(MdbImportError::Kind::BrokenTable,
                                     "table " + quoted(name) + " cannot be read: " + reason);
            sink.tableSkipped(name, reason);
        }
    }
    tx.commit();
}

// Collects what the copy reports into the import report and passes progress on.
class Collector : public CopySink {
public:
    Collector(MdbImportReport& report, const MdbImportProgressFn& progress) : report_(report), progress_(progress) {}

    void format(const std::string& name) override { report_.format = name; }
    void tableStarted(const std::string& name, int number, int count, long long rows) override
    {
        current_ = name;
        now_ = {name, number, count, 0, rows};
        if (progress_) progress_(now_);
    }
    void rowsCopied(const std::string& name, long long rows) override
    {
        now_.table = name;
        now_.rows = rows;
        if (progress_) progress_(now_);
    }
    void tableDone(const MdbImportedTable& table) override
    {
        report_.tables.push_back(table);
        current_.clear();
    }
    void tableSkipped(const std::string& name, const std::string& reason) override
    {
        report_.skipped.push_back({name, reason});
        current_.clear();
    }
    void note(const std::string& text) override { report_.notes.push_back(text); }

    // The table being read when the reader stopped, if any.
    const std::string& current() const { return current_; }

private:
    MdbImportReport& report_;
    const MdbImportProgressFn& progress_;
    MdbImportProgress now_;
    std::string current_;
};

// The copy's reports as lines between the reading child process and the caller.
std::string escape(const std::string& s)
{
    std::string out;
    for (char ch : s) {
        if (ch == '\\') out += "\\\\";
        else if (ch == '\t') out += "\\t";
        else if (ch == '\n') out += "\\n";
        else out += ch;
    }
    return out;
}

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (ch == '\t') {
            fields.emplace_back();
        } else if (ch == '\\' && i + 1 < line.size()) {
            const char n = line[++i];
            fields.back() += n == 't' ? '\t' : n == 'n' ? '\n' : n;
        } else {
            fields.back() += ch;
        }
    }
    return fields;
}

class LineSink : public CopySink {
public:
    explicit LineSink(int fd) : fd_(fd) {}
    void send(std::initializer_list<std::string> fields)
    {
        std::string line;
        for (const auto& f : fields) line += (line.empty() ? "" : "\t") + escape(f);
        write_line(fd_, line);
    }
    void format(const std::string& name) override { send({"F", name}); }
    void tableStarted(const std::string& name, int number, int count, long long rows) override
    {
        send({"B", name, std::to_string(number), std::to_string(count), std::to_string(rows)});
    }
    void rowsCopied(const std::string& name, long long rows) override { send({"R", name, std::to_string(rows)}); }
    void tableDone(const MdbImportedTable& t) override
    {
        send({"T", t.name, std::to_string(t.rows), std::to_string(t.indexes), t.primaryKey ? "1" : "0"});
    }
    void tableSkipped(const std::string& name, const std::string& reason) override { send({"S", name, reason}); }
    void note(const std::string& text) override { send({"N", text}); }
    void busy() override { send({"K"}); }

private:
    int fd_;
};

// Replays a line from the child on the collector; records the end of the copy.
struct Replay {
    explicit Replay(Collector& s) : sink(s) {}
    Collector& sink;
    bool done = false;
    bool failed = false;
    bool outOfMemory = false;
    MdbImportError::Kind kind = MdbImportError::Kind::Failed;
    std::string message;

    void operator()(const std::string& line)
    {
        const auto f = split(line);
        const auto at = [&](std::size_t i) -> const std::string& {
            static const std::string none;
            return i < f.size() ? f[i] : none;
        };
        const auto num = [&](std::size_t i) { return std::atoll(at(i).c_str()); };
        const std::string& tag = at(0);
        if (tag == "F") sink.format(at(1));
        else if (tag == "B") sink.tableStarted(at(1), static_cast<int>(num(2)), static_cast<int>(num(3)), num(4));
        else if (tag == "R") sink.rowsCopied(at(1), num(2));
        else if (tag == "T") sink.tableDone({at(1), num(2), static_cast<int>(num(3)), at(4) == "1"});
        else if (tag == "S") sink.tableSkipped(at(1), at(2));
        else if (tag == "N") sink.note(at(1));
        else if (tag == "D") done = true;
        else if (tag == "M") outOfMemory = true;
        else if (tag == "E") {
            failed = true;
            kind = static_cast<MdbImportError::Kind>(num(1));
            message = at(2);
        }
    }
};

// Address space for the reader: room for libmdb, SQLite and the C++ run time, plus the file.
long long memory_limit_mb(const std::string& source, const MdbImportOptions& options)
{
    if (options.memoryLimitMb > 0) return options.memoryLimitMb;
    std::error_code ec;
    const auto bytes = fs::file_size(source, ec);
    return 400 + (ec ? 0 : static_cast<long long>(bytes >> 20) + 1);
}

std::string reader_program(const MdbImportOptions& options)
{
    if (!options.readerProgram.empty()) return options.readerProgram;
    if (const char* env = std::getenv("VELTRANO_IMPORT_READER"); env && *env) return env;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        // Beside the program; the test programs sit one folder below it.
        for (const fs::path& dir : {self.parent_path(), self.parent_path().parent_path()}) {
            const fs::path candidate = dir / "veltrano-import";
            if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        }
    }
    throw MdbImportError(MdbImportError::Kind::Failed,
                         "the Access reader program \"veltrano-import\" is not installed beside " +
                             (ec ? std::string("this program") : quoted(self.string())));
}

// Reads the source into the file at `temp`, in a reader process unless told otherwise;
// fills the report's tables, skipped tables and notes. `started` receives the process id
// of each reader process.
void copy_into(const std::string& source, const fs::path& temp, const MdbImportOptions& options,
               const MdbImportProgressFn& progress, MdbImportReport& report, const std::function<void(pid_t)>& started)
{
    if (!options.isolate) {
        Collector sink(report, progress);
        copy_access_file(source, temp.string(), options, {}, sink);
        return;
    }

    const long long memoryMb = memory_limit_mb(source, options);
    const std::string program = reader_program(options);
    // A table on which the reader crashes, hangs or runs out of memory is left out on the
    // next attempt when broken tables may be skipped.
    std::set<std::string> excluded;
    std::vector<MdbSkippedTable> crashed;
    for (;;) {
        MdbImportReport attempt;
        Collector sink(attempt, progress);
        Replay replay(sink);
        remove_quietly(temp);
        std::vector<std::string> args = {program, "--parent", std::to_string(::getpid()), "--memory-mb",
                                         std::to_string(memoryMb)};
        if (options.skipBrokenTables) args.emplace_back("--skip-broken-tables");
        for (const auto& t : excluded) args.insert(args.end(), {"--exclude", t});
        if (!options.readerFault.empty()) args.insert(args.end(), {"--fault", options.readerFault});
        args.insert(args.end(), {"--", source, temp.string()});
        ChildOutcome outcome;
        try {
            outcome = run_process(args, std::ref(replay), options.stallSeconds, started);
        } catch (const std::runtime_error& e) {
            throw MdbImportError(MdbImportError::Kind::Failed, e.what());
        }
        if (replay.failed) throw MdbImportError(replay.kind, replay.message);
        if (replay.done && outcome.exited && outcome.exitCode == 0) {
            attempt.skipped.insert(attempt.skipped.begin(), crashed.begin(), crashed.end());
            report.format = attempt.format;
            report.tables = std::move(attempt.tables);
            report.skipped = std::move(attempt.skipped);
            report.notes = std::move(attempt.notes);
            return;
        }

        // A signal sent from outside (a hangup, Ctrl-C, kill) says nothing about the table.
        const bool fromOutside = !outcome.stalled && (outcome.signal == SIGHUP || outcome.signal == SIGINT ||
                                                      outcome.signal == SIGTERM || outcome.signal == SIGQUIT ||
                                                      outcome.signal == SIGPIPE || outcome.signal == SIGUSR1 ||
                                                      outcome.signal == SIGUSR2);
        if (fromOutside)
            throw MdbImportError(MdbImportError::Kind::Failed,
                                 "the Access reader was stopped by signal " + std::to_string(outcome.signal) +
                                     (sink.current().empty() ? std::string() : " while reading table " + quoted(sink.current())) +
                                     "; nothing was imported");
        // glib ends the program when an allocation fails; its last words say so.
        const bool outOfMemory = replay.outOfMemory || outcome.errorTail.find("failed to allocate") != std::string::npos;
        const std::string how = outOfMemory ? "reading it needs more than the " + std::to_string(memoryMb) +
                                                  " MB of memory the Access reader may use"
                                : outcome.stalled ? "reading it does not come to an end"
                                : outcome.signal  ? "the Access reader failed on it (signal " +
                                                       std::to_string(outcome.signal) + ")"
                                                  : "the Access reader stopped on it";
        if (sink.current().empty())
            throw MdbImportError(MdbImportError::Kind::BadSource,
                                 quoted(source) + " is damaged: the Access reader failed while opening it (" + how + ")");
        if (!options.skipBrokenTables || excluded.count(sink.current()))
            throw MdbImportError(MdbImportError::Kind::BrokenTable,
                                 "table " + quoted(sink.current()) + " cannot be read: " + how);
        excluded.insert(sink.current());
        crashed.push_back({sink.current(), how});
    }
}

void sync_file(const fs::path& p)
{
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void adapt_imported_database(const std::string& path, config::RuxSettings* settings, MdbImportReport& report)
{
    // All or nothing: a database that cannot be adapted keeps exactly the imported tables.
    Connection db(path, Connection::Mode::ReadWrite);
    db.execute("SAVEPOINT import_adapt");
    try {
        const AdaptResult result = db::adapt_datamodel(db, config::methode_store(settings));
        db.execute("RELEASE import_adapt");
        report.adapted = true;
        report.method = result.methode;
    } catch (const DbError& e) {
        db.executeIgnoringErrors("ROLLBACK TO import_adapt");
        db.executeIgnoringErrors("RELEASE import_adapt");
        report.adapted = false;
        report.adaptation = e.what();
    }
}

MdbImportReport import_mdb(const std::string& source, const std::string& target, const MdbImportOptions& options,
                           const MdbImportProgressFn& progress)
{
    using Kind = MdbImportError::Kind;
    std::error_code ec;
    if (!fs::exists(source, ec)) throw MdbImportError(Kind::BadSource, "cannot open " + quoted(source) + ": no such file");
    if (target.empty()) throw MdbImportError(Kind::BadTarget, "no target database given");
    const fs::path targetPath(target);
    if (fs::exists(targetPath, ec)) {
        if (fs::equivalent(source, targetPath, ec))
            throw MdbImportError(Kind::BadTarget, quoted(target) + " is the Access file itself; choose another name");
        if (!fs::is_regular_file(targetPath, ec)) throw MdbImportError(Kind::BadTarget, quoted(target) + " is not a file");
        if (!options.force)
            throw MdbImportError(Kind::BadTarget, quoted(target) + " exists already; it was kept (use --force to replace it)");
        if (::access(targetPath.c_str(), W_OK) != 0)
            throw MdbImportError(Kind::BadTarget, quoted(target) + " is read-only; it was kept");
    }
    if (targetPath.has_parent_path() && !fs::is_directory(targetPath.parent_path(), ec))
        throw MdbImportError(Kind::BadTarget, "the folder of " + quoted(target) + " does not exist");

    remove_stale_temporaries(targetPath);
    const fs::path temp = temporary_beside(targetPath);
    TemporaryGuard guard(temp);
    MdbImportReport report;
    try {
        copy_into(source, temp, options, progress, report, [&guard](pid_t pid) { guard.setReader(pid); });
        guard.setReader(0);
        if (options.adapt) adapt_imported_database(temp.string(), options.settings, report);
        else report.adaptation = "not asked for";
        sync_file(temp);
        if (options.force) {
            fs::rename(temp, targetPath);
        } else if (::link(temp.c_str(), targetPath.c_str()) != 0) {
            // link() refuses to replace a file that appeared meanwhile; where the file
            // system has no links, look first and rename.
            if (errno == EEXIST || fs::exists(targetPath))
                throw MdbImportError(Kind::BadTarget, quoted(target) + " exists already; it was kept");
            fs::rename(temp, targetPath);
        }
        remove_quietly(temp);
    } catch (const MdbImportError&) {
        remove_quietly(temp);
        throw;
    } catch (const std::exception& e) {
        remove_quietly(temp);
        throw MdbImportError(Kind::Failed, std::string("cannot write ") + quoted(target) + ": " + e.what());
    }
    return report;
}

bool reader_memory_is_limited()
{
    // A sanitizer's shadow memory needs terabytes of address space: builds with one go without.
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#endif
#endif
    return true;
}

namespace {

// Limits the address space of this (reader) process.
void limit_memory(long long megabytes)
{
    if (!reader_memory_is_limited()) return;
    const rlim_t bytes = static_cast<rlim_t>(megabytes) << 20;
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &limit);
}

} // namespace

int reader_main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    long long parent = 0;
    long long memoryMb = 0;
    MdbImportOptions options;
    std::set<std::string> excluded;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--") {
            files.assign(args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (a == "--parent" && hasValue) parent = std::atoll(args[++i].c_str());
        else if (a == "--memory-mb" && hasValue) memoryMb = std::atoll(args[++i].c_str());
        else if (a == "--exclude" && hasValue) excluded.insert(args[++i]);
        else if (a == "--fault" && hasValue) options.readerFault = args[++i];
        else if (a == "--skip-broken-tables") options.skipBrokenTables = true;
        else files.push_back(a);
    }
    if (files.size() != 2 || parent <= 0 || ::fcntl(kReportDescriptor, F_GETFD) < 0) {
        std::fprintf(stderr,
                     "veltrano-import is the Access reader of \"veltrano-cli import\" and the desktop program; "
                     "it is not run by hand\n");
        return 2;
    }
    // The reader ends with the import that started it (an interrupted import leaves no
    // reader behind); when that import is gone already, there is nothing to do.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != static_cast<pid_t>(parent)) return 1;
    if (memoryMb > 0) limit_memory(memoryMb);

    LineSink lines(kReportDescriptor);
    try {
        copy_access_file(files[0], files[1], options, excluded, lines);
        lines.send({"D"});
    } catch (const std::bad_alloc&) {
        lines.send({"M"});
        return 4;
    } catch (const MdbImportError& e) {
        lines.send({"E", std::to_string(static_cast<int>(e.kind())), e.what()});
    } catch (const std::exception& e) {
        lines.send({"E", std::to_string(static_cast<int>(MdbImportError::Kind::Failed)), e.what()});
    }
    return 0;
}

} // namespace vt::access
