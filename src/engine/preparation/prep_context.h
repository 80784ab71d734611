#pragma once
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// A run ended by one of its own messages (bad input, index failure, incomplete climate);
// the driver shows the message and returns RunOutcome::Cancelled.
class RunCancelled : public std::runtime_error {
public:
    RunCancelled(std::string caption, const std::string& text)
        : std::runtime_error(text), caption_(std::move(caption)) {}
    const std::string& caption() const { return caption_; }

private:
    std::string caption_;
};

// "STOP RUN" was ticked between two preparation steps.
struct RunStopRequested {};

class PreparationTransaction;
class EventPlotYears;

// What every preparation step works with: the connection, the run's configuration and
// hooks, and whether the database holds area shares per event (regional mode).
struct PrepContext {
    db::Connection& db;
    const RunConfig& cfg;
    const RunHooks& hooks;
    bool regional = false;
    // The plot-years of the management events when their plots and years are whole numbers
    // (found by the input check, which also notes whether they lie in plot-year order by row
    // id), else nothing.
    std::shared_ptr<const EventPlotYears> eventPlotYears{};
    // The transaction the working tables are built in, told of every dropped table.
    PreparationTransaction* transaction = nullptr;

    // Executes a statement and returns the rows it affected.
    int run(const std::string& sql) const;
    // Executes a statement and writes `label` followed by its row count to the log.
    int runLogged(const std::string& label, const std::string& sql) const;
    // Housekeeping that may fail harmlessly (drop, create index); true on success.
    bool guarded(const std::string& sql) const;
    void drop(const std::string& table) const;
    // Drops `table` (ignoring errors) and creates it from `select`; returns its rows.
    long long rebuild(const std::string& table, const std::string& select) const;
    // rebuild() with the log line `label` + row count.
    long long rebuildLogged(const std::string& label, const std::string& table, const std::string& select) const;
    long long rowCount(const std::string& table) const;

    void log(const std::string& line) const { hooks.logLine(line); }
    // Throws RunStopRequested when "STOP RUN" is ticked.
    void checkStop() const;
};

} // namespace vt::engine
