#pragma once
#include "db/statement.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// The result rows that the selected plots (site_state.status=1) hold from earlier runs in
// the tables a run replaces (sim_result, rux_nresult). A plot's old rows are removed in the
// transaction that writes its new ones, so that however a run ends (STOP RUN, an error, a
// killed process, a power cut) every plot holds complete results, the previous run's or
// this one's, never none and never part of them.
//
// The rows are located once, by one pass over each table: a plot's rows are kept as runs
// of consecutive row ids and removed by row id, so that removing a plot costs a seek per
// run whether or not the table has an index on fl_id. A run of consecutive row ids holds
// no gap a new row could take. A table without row ids is searched by plot instead.
class OldResults {
public:
    explicit OldResults(db::Connection& c);
    OldResults(const OldResults&) = delete;
    OldResults& operator=(const OldResults&) = delete;

    // The tables whose rows of a selected plot a run replaces.
    static const std::vector<std::string>& tables();

    // Removes the old rows of `plot` (nothing when it has none or they are gone already).
    void remove(long long plot);
    // Removes the old rows of every selected plot not removed yet: at the normal end of a
    // run, the plots it did not simulate keep no results of an earlier run.
    void removeRest();
    // Whether `plot` still holds old rows in a table.
    bool holds(long long plot) const;
    // The row ids [first, last] of the plot's old rows in `table` when they are one run of
    // consecutive row ids (a writer may then overwrite them in place).
    std::optional<std::pair<long long, long long>> singleRun(const std::string& table, long long plot) const;
    // The plot's old rows in `table` were overwritten: nothing is left to remove.
    void forget(const std::string& table, long long plot);

private:
    struct Table {
        std::string name;
        // plot -> runs of consecutive row ids [first, last]
        std::map<long long, std::vector<std::pair<long long, long long>>> runs;
        std::optional<db::Statement> byRowid;  // DELETE ... WHERE rowid BETWEEN ?1 AND ?2
        std::optional<db::Statement> byPlot;   // tables without row ids: DELETE ... WHERE fl_id = ?1
        std::vector<long long> plots;          // selected plots with rows, tables without row ids
    };
    void removeFrom(Table& t, long long plot);

    db::Connection& c_;
    std::vector<Table> tables_;
};

} // namespace vt::engine
