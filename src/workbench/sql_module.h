#pragma once
#include "eval/table_data.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// A "$" parameter of a script: its name as written ("$fl") and the value the user gave.
struct ScriptParameter {
    std::string name;
    std::string value;
};

// The "$" parameters of a script's lines, each once, in the order of first use. A name is
// "$" followed by letters, digits and "_" (so "$fl)" names "$fl").
std::vector<std::string> scan_parameters(const std::vector<std::string>& lines);

// The text with every parameter that has a value put in as an SQL literal, never as raw
// text. The text is read as the engine reads it: a "$name" inside a -- or /* */ comment
// stays as it is; inside a quoted text the value goes in with its quote characters
// doubled; inside a [name] it goes in as the name (a value holding "]" is refused with
// std::invalid_argument); elsewhere it is a number when the value is a plain number and
// a quoted text otherwise. A name is the whole run of letters, digits and "_" after the
// "$", so "$f" never eats the beginning of "$fl". Names compare without regard to case.
// An empty value is no value.
std::string substitute_parameters(const std::string& text, const std::vector<ScriptParameter>& parameters);

// The first "$" parameter of a text (outside comments) that has no value: one of the
// grid with an empty value, or one outside quoted texts that the grid lacks. Empty when
// every parameter has a value.
std::string unresolved_parameter(const std::string& text, const std::vector<ScriptParameter>& parameters);

// What one statement of a script did.
struct StatementOutcome {
    int number = 0;          // 1-based position in the script
    std::string text;        // as run (parameters put in)
    bool dataChange = false; // run as a changing statement
    int changed = 0;         // rows changed (changing statements)
    bool hasRows = false;    // a query: `rows` holds its result
    eval::Table rows;
    std::string ignoredError;  // the error of a "drop" statement that was passed over
};

// The script runner of "SQL - module": the script, its parameter grid, a history of ten
// scripts and the last result. Statements are the user's own, in the users' dialect, and
// run through the Jet translator on the given connection.
class SqlModule {
public:
    static constexpr int kHistorySlots = 10;

    // The script.
    const std::vector<std::string>& lines() const { return lines_; }
    std::string text() const;
    void setText(const std::string& text);
    void setLines(std::vector<std::string> lines) { lines_ = std::move(lines); }

    // "load from file": the file's lines replace the script; then the parameter scan
    // appends new names to the grid. Throws std::runtime_error when it cannot be read.
    void loadFile(const std::string& path);
    // The run's pre- and post-processing: the file replaces the script without the scan.
    void loadFileWithoutScan(const std::string& path);
    // "save to file". Throws std::runtime_error when the file cannot be written.
    void saveFile(const std::string& path) const;

    // The parameter grid.
    const std::vector<ScriptParameter>& parameters() const { return parameters_; }
    int parameterCount() const { return static_cast<int>(parameters_.size()); }
    // Appends the script's parameters not yet in the grid.
    void scanParameters();
    // Sets a value by name (with or without the "$"); false when the grid lacks the name.
    bool setParameter(const std::string& name, const std::string& value);
    void setParameters(std::vector<ScriptParameter> parameters) { parameters_ = std::move(parameters); }
    // "clear grid".
    void clearGrid() { parameters_.clear(); }
    // "update sql code with parameter values": stores the script in the history, then
    // puts the values into the script's lines.
    void applyParameters();

    // The history: slots 1..10; 0 while nothing was stored.
    void storeInHistory();
    int currentSlot() const { return current_; }
    const std::vector<std::string>& slot(int number) const;
    // Up: the slot before the current one (not below 1); down: the one after (not above
    // 10). The script becomes the slot's; false when there is no such slot.
    bool historyUp();
    bool historyDown();
    // Closing the window empties the history.
    void clearHistory();

    struct Callbacks {
        std::function<void()> beforeStatement;             // keeps a window responsive
        std::function<void(const StatementOutcome&)> onOutcome;
        // A parameter a PARAMETERS declaration names and the grid has no value for: the
        // value the user gives, or none (the script then stops before anything runs).
        std::function<std::optional<std::string>(const std::string& name)> askParameter;
    };
    // "execute": stores the script in the history, then runs its statements in order.
    // A statement that still holds a "$" parameter without a value is not run. The first
    // failure of a statement without "drop" ends the script with db::DbError naming the
    // statement; statements already run stay done. Returns what each statement did.
    std::vector<StatementOutcome> execute(db::Connection& c, const Callbacks& callbacks = {});

    // The "data change" box: whether the last statement run was a changing one.
    bool dataChange() const { return dataChange_; }
    // The rows of the last query.
    const eval::Table& result() const { return result_; }
    // "export to XLS": the last result as a workbook. Throws std::runtime_error.
    void exportResult(const std::string& path) const;

private:
    std::vector<std::string> lines_;
    std::vector<ScriptParameter> parameters_;
    std::vector<std::vector<std::string>> history_ = std::vector<std::vector<std::string>>(kHistorySlots);
    int current_ = 0;
    bool dataChange_ = false;
    eval::Table result_;
};

// The lines of a text (line ends "\n" or "\r\n").
std::vector<std::string> split_lines(const std::string& text);

} // namespace vt::workbench
