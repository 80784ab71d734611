#include "db/connection.h"
#include "import/mdb_import.h"
#include "db/schema.h"
#include "db/sql_quote.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using vt::db::Connection;
using vt::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Access files made elsewhere; tests/data/access/README.md says where they come from.
const std::string kNorthwind = std::string(VELTRANO_TEST_DATA) + "/access/nwind.mdb";
const std::string kDates = std::string(VELTRANO_TEST_DATA) + "/access/DateTestDatabase.mdb";

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_all(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> files_in(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
}

vt::db::Value value(Connection& db, const std::string& sql) { return db.scalar(sql); }

// Every table of a database, its definition and its rows in stored order, as one text.
std::string dump(const std::string& path)
{
    Connection db(path, Connection::Mode::ReadOnly);
    std::string text;
    for (auto t = db.query("SELECT name, sql FROM sqlite_master ORDER BY name"); !t.eof(); t.next()) {
        const std::string name = t.getString("name");
        text += t.getString("sql") + "\n";
        if (!db.tableExists(name)) continue;
        std::string row;
        for (const auto& c : db.columns(name)) row += (row.empty() ? "" : "||'|'||") + ("quote(" + vt::db::quote_ident(c) + ")");
        for (auto r = db.query("SELECT " + row + " FROM " + vt::db::quote_ident(name) + " ORDER BY rowid"); !r.eof(); r.next())
            text += r.field(0).toString() + "\n";
    }
    return text;
}

// Starts a program with posix_spawn; returns its process id.
pid_t spawn(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ), 0);
    return pid;
}

TEST(MdbImport, NorthwindTablesRowsAndValues)
{
    TempDir dir;
    const std::string target = dir.file("northwind.db");
    const std::string before = read_all(kNorthwind);
    const auto r = vt::test::run_cli({"import", kNorthwind, target});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(read_all(kNorthwind), before);  // the source is only read

    Connection db(target, Connection::Mode::ReadOnly);
    const std::pair<const char*, long long> tables[] = {
        {"Order Details", 2155}, {"Orders", 830}, {"Products", 77}, {"Shippers", 3}, {"Categories", 8},
        {"Customers", 91},       {"Employees", 9}, {"Suppliers", 29}, {"Umsätze", 830}};
    for (const auto& [name, rows] : tables) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(db.tableExists(name));
        EXPECT_EQ(value(db, std::string("SELECT COUNT(*) FROM [") + name + "]").toInt(), rows);
        EXPECT_NE(r.out.find(std::string("  ") + name + " "), std::string::npos) << r.out;
    }
    // Only the user tables: no system tables, nothing else.
    EXPECT_EQ(value(db, "SELECT COUNT(*) FROM sqlite_master WHERE type='table'").toInt(), 9);

    // Columns in their order.
    EXPECT_EQ(db.columns("Order Details"),
              (std::vector<std::string>{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));

    // Yes/no as -1/0.
    EXPECT_EQ(value(db, "SELECT Discontinued FROM Products WHERE ProductID=5").toInt(), -1);
    EXPECT_EQ(value(db, "SELECT Discontinued FROM Products WHERE ProductID=1").toInt(), 0);
    EXPECT_EQ(value(db, "SELECT COUNT(*) FROM Products WHERE Discontinued<>0").toInt(), 8);

    // Currency: the exact amount; single: its decimal form.
    EXPECT_EQ(value(db, "SELECT typeof(Freight) FROM Orders WHERE OrderID=10248").toString(), "real");
    EXPECT_EQ(value(db, "SELECT Freight FROM Orders WHERE OrderID=10248").toDouble(), 32.38);
    EXPECT_EQ(value(db, "SELECT UnitPrice FROM Products WHERE ProductID=5").toDouble(), 21.35);
    EXPECT_EQ(value(db, "SELECT Discount FROM [Order Details] WHERE OrderID=10250 AND ProductID=51").toDouble(), 0.15);

    // Dates as ISO text, empty dates as NULL.
    EXPECT_EQ(value(db, "SELECT OrderDate FROM Orders WHERE OrderID=10248").toString(), "1994-08-04");
    EXPECT_EQ(value(db, "SELECT BirthDate FROM Employees WHERE LastName='Davolio'").toString(), "1948-12-08");
    EXPECT_TRUE(value(db, "SELECT ShippedDate FROM Orders WHERE OrderID=11008").isNull());
    EXPECT_EQ(value(db, "SELECT COUNT(*) FROM Customers WHERE Region IS NULL").toInt(), 60);

    // Text in UTF-8, in the table with the umlaut too.
    EXPECT_EQ(value(db, "SELECT ShipName FROM [Umsätze] WHERE OrderID=10249").toString(), "Toms Spezialitäten");
    EXPECT_EQ(value(db, "SELECT ShipCity FROM [Umsätze] WHERE OrderID=10249").toString(), "Münster");
    EXPECT_EQ(value(db, "SELECT Address FROM Customers WHERE ContactName='Horst Kloss'").toString(),
              "Taucherstraße 10");

    // Memo text and OLE objects stored over several pages come across whole.
    EXPECT_EQ(value(db, "SELECT Description FROM Categories WHERE CategoryID=1").toString(),
              "Soft drinks, coffees, teas, beers, and ales");
    EXPECT_EQ(value(db, "SELECT length(Picture) FROM Categories WHERE CategoryID=1").toInt(), 10746);
    EXPECT_EQ(value(db, "SELECT typeof(Photo) FROM Employees WHERE EmployeeID=1").toString(), "blob");
    EXPECT_EQ(value(db, "SELECT substr(Notes, 1, 28) FROM Employees WHERE EmployeeID=1").toString(),
              "Education includes a BA in p");

    // Keys and indexes as declared.
    EXPECT_EQ(value(db, "SELECT group_concat(name) FROM (SELECT name FROM pragma_table_info('Order Details') "
                        "WHERE pk>0 ORDER BY pk)").toString(),
              "OrderID,ProductID");
    EXPECT_EQ(value(db, "SELECT [unique] FROM pragma_index_list('Categories') WHERE name='Categories_CategoryName'")
                  .toInt(), 1);
    EXPECT_EQ(value(db, "SELECT COUNT(*) FROM pragma_index_list('Umsätze') WHERE origin='c'").toInt(), 5);

    // Northwind is no experiment database: imported as it is, and said so.
    EXPECT_NE(r.out.find("Schema adaptation: not applied ("), std::string::npos) << r.out;
    EXPECT_FALSE(db.tableExists("sim_result"));
    EXPECT_NE(r.out.find("4032 rows in 9 tables"), std::string::npos) << r.out;
}

TEST(MdbImport, DatesBefore1900AndInTheYear9999KeepTheirValues)
{
    // Both ways of reading (in a child process and in this one) give the same values.
    for (const bool isolate : {true, false}) {
        SCOPED_TRACE(isolate);
        TempDir dir;
        vt::access::MdbImportOptions options;
        options.isolate = isolate;
        const auto report = vt::access::import_mdb(kDates, dir.file("dates.db"), options);
        EXPECT_EQ(report.format, "Jet 4");
        ASSERT_EQ(report.tables.size(), 1u);
        EXPECT_EQ(report.tables[0].rows, 6);

        Connection db(dir.file("dates.db"), Connection::Mode::ReadOnly);
        struct Row {
            int id;
            const char* dateTime;
            const char* date;
            const char* time;
        };
        const Row rows[] = {{1, "2021-12-02", "2021-12-02", "2021-12-02"},
                            {2, "9999-01-01", "9999-01-01", "9999-01-01"},
                            {3, "1898-01-01", "1899-01-01", "1900-01-01"},
                            {4, "0632-01-01", "0633-01-01", "0634-01-01"}};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.id);
            auto c = db.query("SELECT * FROM DateTest WHERE IDCol=?", {row.id});
            ASSERT_FALSE(c.eof());
            EXPECT_EQ(c.field("DateTimeCol").toString(), row.dateTime);
            EXPECT_EQ(c.field("DateCol").toString(), row.date);
            EXPECT_EQ(c.field("TimeCol").toString(), row.time);
        }
        EXPECT_EQ(db.scalar("SELECT LongTextCol FROM DateTest WHERE IDCol=6").toString(), "New line\r\nin field");
        EXPECT_EQ(db.scalar("SELECT ShortTextCol FROM DateTest WHERE IDCol=2").toString(), "Year 1999");
    }
}

TEST(MdbImport, FilesThatAreNoWholeAccessDatabaseFailCleanly)
{
    const std::string northwind = read_all(kNorthwind);
    const std::string dates = read_all(kDates);
    // Damaged copies of Northwind (pages of 2048 bytes): a page copied over another page of
    // its table (its rows come twice), a definition whose page chain leads back to itself, a
    // catalog whose definition page was overwritten by a data page. They fail soon.
    const auto page = [&](int n) { return northwind.substr(static_cast<std::size_t>(n) * 2048, 2048); };
    const auto with_page = [&](int n, const std::string& bytes) {
        std::string copy = northwind;
        copy.replace(static_cast<std::size_t>(n) * 2048, 2048, bytes);
        return copy;
    };
    std::string loop = page(581);  // the definition of "Shippers"; bytes 4-7 name its next page
    loop[4] = static_cast<char>(581 & 0xFF);
    loop[5] = static_cast<char>(581 >> 8);
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"cut mid-page", northwind.substr(0, 1500000), "is truncated"},
        {"cut at a page boundary", northwind.substr(0, 733 * 2048), "is truncated"},
        {"Jet 4 cut at a page boundary", dates.substr(0, 30 * 4096), "is truncated"},
        {"text renamed", "Plot;Year;Corg\n1;1990;1.2\n", "is not an Access database"},
        {"empty", "", "is not an Access database"},
        {"data page of Orders duplicated", with_page(451, page(399)),
         "table \"Orders\" cannot be read: its rows break its own keys"},
        {"definition pages in a cycle", with_page(581, loop),
         "table \"Shippers\" cannot be read: its definition pages form a loop"},
        {"catalog definition overwritten", with_page(2, page(399)), "is damaged: its catalog cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir in, out;
        write_all(in.file("old.mdb"), c.bytes);
        const auto r = vt::test::run_cli({"import", in.file("old.mdb"), out.file("new.db")});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(files_in(out.path()).empty());  // no output, no temporary file
        EXPECT_EQ(read_all(in.file("old.mdb")), c.bytes);
    }
}

TEST(MdbImport, AnExistingTargetIsKeptUnlessForced)
{
    TempDir dir;
    const std::string target = dir.file("new.db");
    write_all(target, "precious");
    auto r = vt::test::run_cli({"import", kDates, target});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("exists already"), std::string::npos) << r.err;
    EXPECT_EQ(read_all(target), "precious");
    EXPECT_EQ(files_in(dir.path()).size(), 1u);

    r = vt::test::run_cli({"import", kDates, target, "--force"});
    ASSERT_EQ(r.code, 0) << r.err;
    Connection db(target, Connection::Mode::ReadOnly);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM DateTest").toInt(), 6);
    EXPECT_EQ(files_in(dir.path()).size(), 1u);

    // The Access file itself is never the target, not even with --force.
    TempDir src;
    const std::string copy = src.file("old.mdb");
    write_all(copy, read_all(kDates));
    r = vt::test::run_cli({"import", copy, copy, "--force"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(read_all(copy), read_all(kDates));
}

// Northwind with the one data page of "Shippers" wiped: the table's definition is whole,
// its rows are gone.
std::string northwind_with_broken_shippers()
{
    std::string bytes = read_all(kNorthwind);
    const std::uint32_t shippersDefinition = 581;  // the page that defines "Shippers" in this file
    int wiped = 0;
    for (std::size_t pg = 0; pg + 2048 <= bytes.size(); pg += 2048) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pg);
        const std::uint32_t owner = p[4] | p[5] << 8 | p[6] << 16 | static_cast<std::uint32_t>(p[7]) << 24;
        if (p[0] == 0x01 && owner == shippersDefinition) {
            std::fill(bytes.begin() + static_cast<long>(pg), bytes.begin() + static_cast<long>(pg) + 2048, '\0');
            ++wiped;
        }
    }
    EXPECT_EQ(wiped, 1);
    return bytes;
}

TEST(MdbImport, ABrokenTableFailsTheImportUnlessSkipped)
{
    TempDir dir;
    const std::string source = dir.file("broken.mdb");
    write_all(source, northwind_with_broken_shippers());
    TempDir out;

    auto r = vt::test::run_cli({"import", source, out.file("new.db")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("table \"Shippers\" cannot be read: only 0 of its 3 rows can be read"), std::string::npos)
        << r.err;
    EXPECT_TRUE(files_in(out.path()).empty());

    r = vt::test::run_cli({"import", source, out.file("new.db"), "--skip-broken-tables"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Skipped tables that cannot be read:\n  Shippers: only 0 of its 3 rows"), std::string::npos)
        << r.out;
    Connection db(out.file("new.db"), Connection::Mode::ReadOnly);
    EXPECT_FALSE(db.tableExists("Shippers"));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM Orders").toInt(), 830);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type='table'").toInt(), 8);
}

TEST(MdbImport, AnImportedExperimentDatabaseIsAdaptedWhollyOrNotAtAll)
{
    TempDir dir;
    const std::string old = dir.file("old.db");
    {
        Connection db(old, Connection::Mode::ReadWriteCreate);
        vt::db::create_schema(db);
        db.execute("DROP TABLE sim_result");  // as an older release left it
    }
    vt::access::MdbImportReport report;
    vt::access::adapt_imported_database(old, nullptr, report);
    EXPECT_TRUE(report.adapted) << report.adaptation;
    EXPECT_EQ(report.method, "RUX");
    EXPECT_TRUE(Connection(old).tableExists("sim_result"));

    // Not an experiment database: the adaptation stops at the first table it needs and
    // leaves nothing of what it did before.
    const std::string other = dir.file("other.db");
    Connection(other, Connection::Mode::ReadWriteCreate).execute("CREATE TABLE Orders (OrderID INTEGER)");
    vt::access::MdbImportReport otherReport;
    vt::access::adapt_imported_database(other, nullptr, otherReport);
    EXPECT_FALSE(otherReport.adapted);
    EXPECT_NE(otherReport.adaptation.find("cultivation"), std::string::npos) << otherReport.adaptation;
    Connection db(other, Connection::Mode::ReadOnly);
    EXPECT_EQ(db.scalar("SELECT group_concat(name) FROM sqlite_master").toString(), "Orders");
}

// The reader runs in its own process: a crash, a hang or runaway memory there fails the
// table it was reading, names it, and leaves no file; with skipping the other tables still
// come across.
TEST(MdbImport, AReaderThatCrashesHangsOrRunsOutOfMemoryOnATableFailsThatTable)
{
    struct Case {
        const char* fault;
        std::string reason;
        int stallSeconds = 1;
    };
    std::vector<Case> cases = {
        {"crash", "the Access reader failed on it (signal 6)"},
        {"hang", "reading it does not come to an end"},
    };
    // Builds with AddressSanitizer cannot limit the reader's address space.
    if (vt::access::reader_memory_is_limited())
        cases.push_back({"memory", "reading it needs more than the 200 MB of memory the Access reader may use", 60});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        TempDir dir;
        vt::access::MdbImportOptions options;
        options.stallSeconds = c.stallSeconds;
        options.memoryLimitMb = 200;
        options.readerFault = std::string(c.fault) + ":Shippers";
        try {
            vt::access::import_mdb(kNorthwind, dir.file("new.db"), options);
            ADD_FAILURE() << "the import did not fail";
        } catch (const vt::access::MdbImportError& e) {
            EXPECT_EQ(e.kind(), vt::access::MdbImportError::Kind::BrokenTable);
            EXPECT_EQ(std::string(e.what()), "table \"Shippers\" cannot be read: " + c.reason);
        }
        EXPECT_TRUE(files_in(dir.path()).empty());

        options.skipBrokenTables = true;
        const auto report = vt::access::import_mdb(kNorthwind, dir.file("new.db"), options);
        ASSERT_EQ(report.skipped.size(), 1u);
        EXPECT_EQ(report.skipped[0].name, "Shippers");
        EXPECT_EQ(report.skipped[0].reason, c.reason);
        EXPECT_EQ(report.tables.size(), 8u);
        EXPECT_EQ(report.totalRows(), 4032 - 3);
        EXPECT_EQ(files_in(dir.path()), std::vector<std::string>{"new.db"});
    }
}

// The command line and the desktop program (which imports on a worker thread) both start
// the reader process; either way the tables are those the reader gives in this process.
TEST(MdbImport, TheReaderProcessGivesTheSameTablesFromTheCommandLineAndFromAThread)
{
    for (const std::string& source : {kNorthwind, kDates}) {
        SCOPED_TRACE(source);
        TempDir dir;
        vt::access::MdbImportOptions inProcess;
        inProcess.isolate = false;
        vt::access::import_mdb(source, dir.file("in_process.db"), inProcess);

        const auto r = vt::test::run_cli({"import", source, dir.file("cli.db")});
        ASSERT_EQ(r.code, 0) << r.err;

        std::string failure;
        std::thread worker([&] {
            try {
                vt::access::import_mdb(source, dir.file("thread.db"));
            } catch (const std::exception& e) {
                failure = e.what();
            }
        });
        worker.join();
        ASSERT_EQ(failure, "");

        const std::string expected = dump(dir.file("in_process.db"));
        EXPECT_GT(expected.size(), 500u);
        EXPECT_EQ(dump(dir.file("cli.db")), expected);
        EXPECT_EQ(dump(dir.file("thread.db")), expected);
    }
}

// Ctrl-C or SIGTERM during an import removes its temporary file and stops its reader; a
// temporary that a killed import left behind is removed by the next import to that target.
TEST(MdbImport, AnInterruptedImportLeavesNoTemporaryFile)
{
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        TempDir dir;
        // A reader that creates its output, reports and then never ends.
        const std::string reader = dir.file("slow-reader");
        write_all(reader, "#!/bin/sh\nfor a; do target=$a; done\necho $$ > \"$target.pid\"\n"
                          ":> \"$target\"\nprintf 'F\\tJet 4\\n' >&3\nexec sleep 600\n");
        fs::permissions(reader, fs::perms::owner_all);
        TempDir out;
        ::setenv("VELTRANO_IMPORT_READER", reader.c_str(), 1);
        const pid_t cli = spawn({VELTRANO_CLI_PATH, "import", kDates, out.file("new.db")});
        ::unsetenv("VELTRANO_IMPORT_READER");

        // Wait for the reader's output beside the target.
        std::string pidFile;
        for (int i = 0; i < 1000 && pidFile.empty(); ++i) {
            for (const auto& name : files_in(out.path()))
                if (name.size() > 4 && name.substr(name.size() - 4) == ".pid") pidFile = out.file(name);
            if (pidFile.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_FALSE(pidFile.empty());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const pid_t readerPid = std::atoi(read_all(pidFile).c_str());
        ASSERT_GT(readerPid, 0);
        ::unlink(pidFile.c_str());
        EXPECT_EQ(files_in(out.path()).size(), 1u);  // the temporary

        ::kill(cli, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(cli, &status, 0), cli);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
        EXPECT_TRUE(files_in(out.path()).empty());
        // The reader was stopped with it: it is gone, or a zombie no one has collected yet.
        bool stopped = false;
        for (int i = 0; i < 200 && !stopped; ++i) {
            std::ifstream stat("/proc/" + std::to_string(readerPid) + "/stat");
            std::string pid, name, state;
            stopped = !(stat >> pid >> name >> state) || state == "Z";
            if (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(stopped);
    }

    // Temporaries of a process that is gone are removed; those of a running one are not.
    TempDir dir;
    const pid_t gone = spawn({"/bin/true"});
    ::waitpid(gone, nullptr, 0);
    const std::string stale = ".new.db.import-" + std::to_string(gone) + "-0.tmp";
    const std::string running = ".new.db.import-" + std::to_string(::getpid()) + "-99.tmp";
    for (const auto& name : {stale, stale + "-journal", running, std::string(".other.db.import-1-0.tmp")})
        write_all(dir.file(name), "left behind");
    vt::access::import_mdb(kDates, dir.file("new.db"));
    auto names = files_in(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{running, ".other.db.import-1-0.tmp", "new.db"}));
}

} // namespace

// A signal from outside is no fault of the table being read: under nohup the reader
// ignores a hangup as its parent does, and a reader stopped by a signal fails the import
// even where broken tables may be skipped.
TEST(MdbImport, ASignalFromOutsideNeverSkipsATable)
{
    struct Case {
        const char* fault;
        bool ignoreHangup;
        bool imported;
    };
    const Case cases[] = {{"hangup", true, true}, {"hangup", false, false}, {"terminate", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + (c.ignoreHangup ? " under nohup" : ""));
        struct sigaction previous {};
        struct sigaction ignore {};
        ignore.sa_handler = c.ignoreHangup ? SIG_IGN : SIG_DFL;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGHUP, &ignore, &previous);
        TempDir dir;
        vt::access::MdbImportOptions options;
        options.skipBrokenTables = true;
        options.readerFault = std::string(c.fault) + ":Shippers";
        try {
            const auto report = vt::access::import_mdb(kNorthwind, dir.file("new.db"), options);
            EXPECT_TRUE(c.imported);
            EXPECT_TRUE(report.skipped.empty());
            EXPECT_EQ(report.tables.size(), 9u);
        } catch (const vt::access::MdbImportError& e) {
            EXPECT_FALSE(c.imported) << e.what();
            EXPECT_EQ(e.kind(), vt::access::MdbImportError::Kind::Failed);
            EXPECT_NE(std::string(e.what()).find("stopped by signal"), std::string::npos) << e.what();
            EXPECT_TRUE(files_in(dir.path()).empty());
        }
        ::sigaction(SIGHUP, &previous, nullptr);
    }
}
