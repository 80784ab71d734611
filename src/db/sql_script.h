#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vt::db {

class Connection;
class Cursor;

// One statement of a script: its text and whether its errors are ignored (a statement
// holding "drop" anywhere, e.g. dropping a table that may not exist).
struct ScriptStatement {
    std::string text;
    bool ignoreErrors = false;
    int line = 0;  // the line of the script the statement begins on (1-based)
};

// Splits the lines of a script into statements. Lines are trimmed; empty lines and lines
// beginning with "'" or "#" are comments (a "#" further on, as in a date literal
// #1/1/2005#, stays in its statement); a line that is exactly "go" ends a statement.
// The statement after the last "go" is never protected by a "drop" mark.
std::vector<ScriptStatement> split_sql_script(const std::vector<std::string>& lines);

// The lines of a script file; throws std::runtime_error when it cannot be read.
std::vector<std::string> read_script_lines(const std::string& path);

// A statement that changes data ("insert", "update", "delete", "into" or "drop" in its
// text, any case, outside comments and quoted texts) is executed; any other is opened as
// a query.
bool is_changing_statement(const std::string& text);

struct ScriptCallbacks {
    // Called before each statement (keeps a window responsive).
    std::function<void()> beforeStatement;
    // Rows of a query statement, positioned on the first row.
    std::function<void(Cursor& rows)> onRows;
    // Whether the statement just run changed data ("data change" box of the SQL module).
    std::function<void(bool dataChange)> onDataChange;
};

// Runs the statements in order. An error of an unprotected statement stops the script
// and is thrown as DbError naming the statement's line and its beginning; statements
// already run stay done.
void run_sql_script(Connection& c, const std::vector<ScriptStatement>& statements,
                    const ScriptCallbacks& callbacks = {});

// Reads and runs a script file (pre- and post-processing of a run); an error names the file
// too.
void run_sql_script_file(Connection& c, const std::string& path, const ScriptCallbacks& callbacks = {});

} // namespace vt::db
