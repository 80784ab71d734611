#include "db/connection.h"

#include "db/busy.h"
#include "db/jet_functions.h"
#include "db/output_file.h"
#include "db/sql_quote.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace vt::db {

namespace {

// SQLite counts every allocation under a global mutex unless told otherwise; nothing here
// reads those counts, and a regional run makes millions of allocations. The setting must
// precede SQLite's initialisation, hence before the first connection of the process.
void configure_library()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);  // refused once SQLite is initialised: harmless
    });
}

// Replaces the FTS3 tokenizer function: with two arguments it installs a tokenizer from a
// pointer given as a blob, with one it returns a pointer. Neither is for scripts.
void refuse_tokenizer_function(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_error(context, "fts3_tokenizer is not available", -1);
}

} // namespace

std::string failure_message(int code, const std::string& engineMessage)
{
    if ((code & 0xff) == SQLITE_BUSY)
        return "another program is writing to this database (" + engineMessage + " after waiting " +
               std::to_string(kBusyTimeoutMs / 1000) + " s); try again when it has finished";
    return engineMessage;
}

Connection::Connection(const std::string& path, Mode mode) : path_(path)
{
    configure_library();
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::ReadWriteCreate: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    }
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("cannot open database " + path + ": " + msg, rc);
    }
    try {
        configure();
        // SQLite opens lazily; reading the schema tells a database from any other file.
        scalar("SELECT COUNT(*) FROM sqlite_master");
    } catch (const DbError& e) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("cannot open database " + path + ": " + e.what(), e.code());
    }
    register_open_database(path_);
}

std::unique_ptr<Connection> Connection::memory()
{
    configure_library();
    std::unique_ptr<Connection> c(new Connection());
    c->path_ = ":memory:";
    if (sqlite3_open(":memory:", &c->db_) != SQLITE_OK) throw DbError("cannot open an in-memory database");
    c->configure();
    return c;
}

Connection::~Connection()
{
    if (path_ != ":memory:") unregister_open_database(path_);
    sqlite3_close_v2(db_);
}

void Connection::profileStatements(StatementObserver observer, double thresholdMs)
{
    if (!observer) {
        sqlite3_trace_v2(db_, 0, nullptr, nullptr);
        profile_.reset();
        return;
    }
    profile_ = std::make_unique<Profile>(Profile{std::move(observer), thresholdMs});
    sqlite3_trace_v2(
        db_, SQLITE_TRACE_PROFILE,
        [](unsigned, void* context, void* stmt, void* ns) -> int {
            const auto* p = static_cast<const Profile*>(context);
            const double ms = static_cast<double>(*static_cast<sqlite3_int64*>(ns)) / 1e6;
            if (ms >= p->thresholdMs) {
                const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
                p->observer(sql ? sql : "", ms);
            }
            return 0;
        },
        profile_.get());
}

// Every connection runs in the engine's defensive mode (no writes to the schema table, no
// journal switched off), without extension loading and without the FTS3 tokenizer
// function, so that a script can change the user's data but never run code of its own; it
// waits kBusyTimeoutMs for a lock another program holds.
void Connection::configure()
{
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 0);
    // A script is the user's SQL on the user's own database: it may read and change the
    // data, never corrupt the file's structure or reach the process's memory.
    int set = -1;
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, &set);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, &set);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, &set);
    for (int args : {1, 2})
        sqlite3_create_function_v2(db_, "fts3_tokenizer", args, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr, refuse_tokenizer_function,
                                   nullptr, nullptr, nullptr);
    register_jet_functions(db_);
}

bool Connection::readOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

bool in_transaction(Connection& c) { return sqlite3_get_autocommit(c.handle()) == 0; }

int Connection::execute(const std::string& sql)
{
    hold_->check();
    Statement st(db_, sql);
    return st.execute();
}

int Connection::execute(const std::string& sql, const std::vector<Value>& params)
{
    hold_->check();
    Statement st(db_, sql);
    st.bindAll(params);
    return st.execute();
}

bool Connection::executeIgnoringErrors(const std::string& sql)
{
    hold_->check();  // a refusal is no harmless failure: the caller must know
    try {
        execute(sql);
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void Connection::executeScript(const std::string& sql)
{
    hold_->check();
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw DbError(failure_message(rc, msg), rc);
    }
}

Cursor Connection::query(const std::string& sql, const std::vector<Value>& params)
{
    hold_->check();
    return Cursor(db_, sql, params, hold_);
}

Cursor Connection::openTable(const std::string& table)
{
    if (!tableExists(table)) throw DbError("no such table: " + table, SQLITE_ERROR);
    return query("SELECT * FROM " + quote_ident(table));
}

Value Connection::scalar(const std::string& sql, const std::vector<Value>& params)
{
    hold_->check();
    Statement st(db_, sql);
    st.bindAll(params);
    if (!st.step()) return Value();
    return st.column(0);
}

Statement Connection::prepare(const std::string& sql)
{
    hold_->check();
    return Statement(db_, sql, hold_);
}

sqlite3* Connection::handle() const
{
    hold_->check();
    return db_;
}

Connection::Hold::Hold(Connection& c, std::string refusal) : hold_(c.hold_) { hold_->take(std::move(refusal)); }

Connection::Hold::~Hold() { hold_->release(); }

bool Connection::tableExists(const std::string& table)
{
    return scalar("SELECT COUNT(*) FROM sqlite_master WHERE type IN ('table','view') AND name = ? COLLATE NOCASE",
                  {table})
               .toInt() > 0;
}

std::vector<std::string> Connection::columns(const std::string& table)
{
    hold_->check();
    std::vector<std::string> out;
    Statement st(db_, "SELECT name FROM pragma_table_info(?)");
    st.bind(1, table);
    while (st.step()) out.push_back(st.column(0).toString());
    return out;
}

bool Connection::columnExists(const std::string& table, const std::string& column)
{
    return scalar("SELECT COUNT(*) FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE", {table, column}).toInt() > 0;
}

std::int64_t Connection::lastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

std::string Connection::lastErrorMessage() const { return sqlite3_errmsg(db_); }

// On a writable database the transaction takes the write lock at once (BEGIN IMMEDIATE): a
// write after a read inside a deferred transaction cannot wait for another program's lock
// and would fail at once.
Transaction::Transaction(Connection& c) : c_(c) { c_.execute(c_.readOnly() ? "BEGIN" : "BEGIN IMMEDIATE"); }

Transaction::~Transaction()
{
    if (!open_) return;
    try {
        c_.executeIgnoringErrors("ROLLBACK");
    } catch (const DbError&) {
        // Refused (another thread holds the connection): the holder's work stays untouched.
    }
}

void Transaction::commit()
{
    c_.execute("COMMIT");
    open_ = false;
}

} // namespace vt::db
