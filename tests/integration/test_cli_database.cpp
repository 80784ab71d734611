#include "workbench/database_file.h"
#include "db/connection.h"
#include "db/schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using vt::test::run_cli;

namespace {

// Each test gets its own settings file.
class CliDatabase : public ::testing::Test {
protected:
    vt::test::TempDir dir;
    std::optional<std::string> savedConfig;

    void SetUp() override
    {
        if (const char* v = std::getenv("VELTRANO_CONFIG")) savedConfig = v;
        setenv("VELTRANO_CONFIG", dir.file("rux.ini").c_str(), 1);
    }
    void TearDown() override
    {
        if (savedConfig)
            setenv("VELTRANO_CONFIG", savedConfig->c_str(), 1);
        else
            unsetenv("VELTRANO_CONFIG");
    }

    bool onlyFile(const std::string& name) const
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename() != "rux.ini") ++n;
        return n == 1 && fs::exists(dir.path() / name);
    }
};

TEST_F(CliDatabase, CreateThenAdaptShowsTheModelAndStoresTheMethod)
{
    const auto db = dir.file("new.db");
    auto created = run_cli({"create", db});
    ASSERT_EQ(created.code, 0) << created.err;
    EXPECT_TRUE(onlyFile("new.db"));  // the temporary file is gone

    auto adapted = run_cli({"adapt", db});
    ASSERT_EQ(adapted.code, 0) << adapted.err;
    EXPECT_EQ(adapted.out, "Veltrano; Model=RUX\n");
    std::ifstream ini(dir.file("rux.ini"));
    const std::string settings((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(settings.find("methode=RUX"), std::string::npos);
}

TEST_F(CliDatabase, CreateNeverOverwritesWithoutForce)
{
    const auto db = dir.file("kept.db");
    std::ofstream(db) << "precious";
    auto refused = run_cli({"create", db});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("use --force"), std::string::npos);
    std::ifstream in(db);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "precious");

    auto forced = run_cli({"create", "--force", "--demo", db});
    ASSERT_EQ(forced.code, 0) << forced.err;
    vt::db::Connection c(db);
    EXPECT_TRUE(c.tableExists("field_description"));
    EXPECT_TRUE(onlyFile("kept.db"));
}

TEST_F(CliDatabase, BadFilesGetAClearMessage)
{
    const auto text = dir.file("notes.txt");
    std::ofstream(text) << "this is not a database\n";
    const auto locked = dir.file("locked.db");
    ASSERT_EQ(run_cli({"create", locked}).code, 0);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"adapt", dir.file("missing.db")}, "database not found: " + dir.file("missing.db")},
        {{"adapt", text}, "file is not a database"},
        {{"adapt", locked}, "database is read-only: " + locked},
        {{"adapt", dir.path().string()}, "not a database file: "},
        {{"create", "--force", locked}, "database is read-only: " + locked},
        {{"create", dir.file("no/such/folder.db")}, "folder not found: "},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.args[0] + " " + k.args.back());
        auto r = run_cli(k.args);
        EXPECT_NE(r.code, 0);
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    // Nothing was written beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST_F(CliDatabase, FailedCreationLeavesNothingBehind)
{
    const auto db = dir.file("trials.db");
    std::ofstream(db) << "earlier";
    auto fail = [](vt::db::Connection& c) {
        vt::db::create_schema(c);
        c.execute("insert into no_such_table values (1)");
    };
    EXPECT_THROW(vt::workbench::write_new_database(db, true, fail), vt::db::DbError);
    EXPECT_TRUE(onlyFile("trials.db"));
    std::ifstream in(db);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "earlier");
}

} // namespace

namespace {

// No command writes its output onto the database it has open, whatever name, link or hard
// link leads there; output files appear whole or not at all.
TEST_F(CliDatabase, OutputNeverLandsOnTheOpenDatabase)
{
    const std::string db = dir.file("tc1.db");
    ASSERT_EQ(run_cli({"create", "--demo", db}).code, 0);
    const std::string symlink = dir.file("link.csv"), hardlink = dir.file("hard.xlsx");
    fs::create_symlink(db, symlink);
    fs::create_hard_link(db, hardlink);
    const auto tables = [&] { return vt::db::Connection(db).scalar("select count(*) from sqlite_master").toInt(); };
    const auto before = tables();
    const std::vector<std::vector<std::string>> cases = {
        {"climate", "export", "--db", db, "--station", "1", db},
        {"climate", "export", "--db", db, "--station", "1", symlink},
        {"climate", "export", "--db", db, "--station", "1", "--deposition", hardlink},
        {"export", "--db", db, "--table", "cultivation", "--xlsx", db},
        {"export", "--db", db, "--table", "cultivation", "--xlsx", hardlink},
        {"export", "--db", db, "--query", "select * from cultivation", "--csv", symlink},
        {"nbalance", "--db", db, "--xlsx", hardlink},
    };
    for (const auto& args : cases) {
        const auto r = run_cli(args);
        EXPECT_EQ(r.code, 2) << args[0] << " " << args.back() << ": " << r.out << r.err;
        EXPECT_NE(r.err.find("open database"), std::string::npos) << r.err;
        EXPECT_EQ(tables(), before) << args[0] << " " << args.back();
    }
    EXPECT_TRUE(fs::is_symlink(symlink));

    // Elsewhere the file is written whole through a temporary name; a link is followed.
    const std::string target = dir.file("weather.csv"), viaLink = dir.file("weather-link.csv");
    { std::ofstream(target) << "old"; }
    fs::create_symlink(target, viaLink);
    ASSERT_EQ(run_cli({"climate", "export", "--db", db, "--station", "1", viaLink}).code, 0);
    EXPECT_TRUE(fs::is_symlink(viaLink));
    std::ifstream in(target);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "year,temperature,precipitation");
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

} // namespace

namespace {

// Every command that opens an existing database opens it the same way: a missing file and a
// folder get the same message and exit code 2, whichever command names them.
TEST_F(CliDatabase, EveryCommandRefusesAMissingDatabaseAlike)
{
    const std::string missing = dir.file("missing.db");
    const std::string folder = dir.path().string();
    const std::vector<std::vector<std::string>> commands = {
        {"adapt", "@"},
        {"run", "--db", "@", "GO", "nw"},
        {"report", "--db", "@"},
        {"outliers", "--db", "@"},
        {"stats", "--db", "@"},
        {"evaluate", "--db", "@", "--plot", "1"},
        {"nbalance", "--db", "@"},
        {"export", "--db", "@", "--table", "t", "--csv", dir.file("t.csv")},
        {"plot", "delete", "--db", "@", "--plot", "1"},
    };
    for (const auto& [path, message] : {std::pair{missing, "database not found: " + missing},
                                        std::pair{folder, "not a database file: " + folder}}) {
        for (auto args : commands) {
            for (auto& a : args)
                if (a == "@") a = path;
            SCOPED_TRACE(args[0] + " " + path);
            const auto r = run_cli(args);
            EXPECT_EQ(r.code, 2);
            EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        }
    }
}

} // namespace
