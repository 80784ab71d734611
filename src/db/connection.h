#pragma once
#include "db/cursor.h"
#include "db/db_error.h"
#include "db/statement.h"
#include "db/thread_hold.h"
#include "db/value.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

namespace vt::db {

// The one connection to an experiment database file, shared by the engine, the command
// line and the windows. Every statement commits at once unless a Transaction is open.
class Connection {
public:
    enum class Mode { ReadWrite, ReadWriteCreate, ReadOnly };

    // Opens an existing database file (ReadWrite), or creates one (ReadWriteCreate).
    // Throws DbError with the engine's message when the file is missing, is not a
    // database, or cannot be opened in the requested mode.
    explicit Connection(const std::string& path, Mode mode = Mode::ReadWrite);
    // An in-memory database, for tests.
    static std::unique_ptr<Connection> memory();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& path() const { return path_; }
    bool readOnly() const;

    // Executes one statement and returns the number of rows it affected (0 for
    // statements that change no rows).
    int execute(const std::string& sql);
    // Executes one statement and ignores its failure (housekeeping that may fail
    // harmlessly: dropping a table that may not exist, an index that may exist).
    // Returns whether it succeeded.
    bool executeIgnoringErrors(const std::string& sql);
    // Executes several statements separated by semicolons.
    void executeScript(const std::string& sql);
    // Executes with bound values ("?" placeholders, in order).
    int execute(const std::string& sql, const std::vector<Value>& params);

    // A query as a cursor positioned on its first row.
    Cursor query(const std::string& sql, const std::vector<Value>& params = {});
    // A whole table as a cursor in stored order; throws DbError when the table does
    // not exist (the missing-table test of the schema adaptation).
    Cursor openTable(const std::string& table);
    // The first column of the first row, or a NULL Value when there is no row.
    Value scalar(const std::string& sql, const std::vector<Value>& params = {});

    Statement prepare(const std::string& sql);

    bool tableExists(const std::string& table);
    bool columnExists(const std::string& table, const std::string& column);
    std::vector<std::string> columns(const std::string& table);

    // Calls `observer` with the text and the wall time of every statement that ran at least
    // `thresholdMs` milliseconds (a query counts from its first step to its reset); an
    // empty observer turns the profile off. For finding the slow statements of a run.
    using StatementObserver = std::function<void(const std::string& sql, double ms)>;
    void profileStatements(StatementObserver observer, double thresholdMs = 0);

    std::int64_t lastInsertRowId() const;
    std::string lastErrorMessage() const;
    // The engine's own handle, for the library's functions; refused like a statement while
    // another thread holds the connection.
    sqlite3* handle() const;

    // The hold of the calling thread on the connection (a model run on its worker thread):
    // while a Hold lives, every statement of any other thread, through the connection or
    // through a statement or cursor prepared from it, is refused with ConnectionBusy whose
    // message is `refusal`, so that nothing lands inside the holder's open transaction.
    // Throws ConnectionBusy when another thread holds the connection already.
    class Hold {
    public:
        Hold(Connection& c, std::string refusal);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        std::shared_ptr<ThreadHold> hold_;
    };
    // Whether another thread holds the connection now: a statement would be refused.
    bool heldByAnotherThread() const { return hold_->heldByAnotherThread(); }

private:
    Connection() = default;
    void configure();

    sqlite3* db_ = nullptr;
    std::string path_;
    struct Profile {
        StatementObserver observer;
        double thresholdMs = 0;
    };
    std::unique_ptr<Profile> profile_;
    std::shared_ptr<ThreadHold> hold_ = std::make_shared<ThreadHold>();
};

// A transaction; rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& c);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& c_;
    bool open_ = true;
};

} // namespace vt::db
