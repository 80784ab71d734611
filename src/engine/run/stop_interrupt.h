#pragma once
#include "engine/types/run_hooks.h"

#include <sqlite3.h>

namespace vt::engine {

// While it lives, a statement of the connection that runs when "STOP RUN" is asked for
// (Ctrl-C on the command line) is interrupted within some thousand steps of the engine
// rather than run to its end: it fails with "interrupted" and changes nothing.
class StopInterruptsStatements {
public:
    StopInterruptsStatements(sqlite3* db, const RunHooks& hooks) : db_(db)
    {
        if (hooks.stop) sqlite3_progress_handler(db_, kSteps, &StopInterruptsStatements::poll, const_cast<RunHooks*>(&hooks));
    }
    ~StopInterruptsStatements() { sqlite3_progress_handler(db_, 0, nullptr, nullptr); }
    StopInterruptsStatements(const StopInterruptsStatements&) = delete;
    StopInterruptsStatements& operator=(const StopInterruptsStatements&) = delete;

private:
    static constexpr int kSteps = 10000;
    static int poll(void* hooks) { return static_cast<const RunHooks*>(hooks)->stopRequested() ? 1 : 0; }

    sqlite3* db_;
};

} // namespace vt::engine
