#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// Input the browser refuses before any statement runs: a number that is not one, a plot
// that does not exist, an operation that would mix up plots. The message is for the user.
class BrowserInputError : public std::runtime_error {
public:
    explicit BrowserInputError(const std::string& message, std::string caption = {})
        : std::runtime_error(message), caption_(std::move(caption)) {}
    // The caption of the message box ("OPERATION DENIED", ...); empty for a plain error.
    const std::string& caption() const { return caption_; }

private:
    std::string caption_;
};

// A number typed by the user: blanks around it are ignored and a decimal comma counts as
// a point ("12,5" and "12.5"). Empty or anything else after the number: no value.
std::optional<double> parse_user_number(const std::string& text);
// The same, refused with BrowserInputError "<what>: '<text>' is not a number".
double require_user_number(const std::string& text, const std::string& what);
// A whole number within +-9e15 ("1990", " -99 "); none for anything else.
std::optional<long long> parse_user_integer(const std::string& text);
// A whole number ("1990", " -99 "); refused with BrowserInputError otherwise.
long long require_user_integer(const std::string& text, const std::string& what);

// One entry of a choice list: the key stored and the text shown.
struct Choice {
    long long key = 0;
    std::string text;
};

// What an operation changed (or, in a dry run, would change): rows per table in the order
// the statements ran, and the plot or experiment it created.
struct ChangeReport {
    std::vector<std::pair<std::string, int>> rows;
    long long flId = -1;       // the new plot of a copy, an added plot, a new experiment
    std::string experiment;    // the code of a new experiment
    bool dryRun = false;

    void add(const std::string& table, int n);
    int total() const;
    int rowsOf(const std::string& table) const;
};

// Every table of the database with a column FL_ID (any case), field_description first:
// the rows a plot owns, its description, selection, management, observations, results and
// stored states.
std::vector<std::string> plot_keyed_tables(db::Connection& c);

// Indexes on FL_ID of the tables that loading a plot reads (cultivation, measurements,
// sim_result, rux_nresult, som_state, field_description), created where the table has no
// index that starts with FL_ID. Databases from elsewhere often come without them; loading a
// plot of a large regional database then scans millions of rows. Failures (a read-only
// file) are ignored: the browser works without them, only slower. Returns how many were made.
int ensure_browser_indexes(db::Connection& c);

} // namespace vt::workbench
