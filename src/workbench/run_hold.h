#pragma once
#include "db/connection.h"

namespace vt::workbench {

// What every other user of the database hears while a model run holds it.
inline constexpr const char* kRunHoldMessage = "a model run is using the database; wait until it has ended";

// The run's hold on the database, taken on the thread that executes the run for as long
// as the run lasts: every statement of another thread (a window's reading or writing, a
// workbench function called from the window's thread) is refused with db::ConnectionBusy
// and kRunHoldMessage, so nothing lands inside the run's open transaction.
class RunHold {
public:
    explicit RunHold(db::Connection& c) : hold_(c, kRunHoldMessage) {}

private:
    db::Connection::Hold hold_;
};

// Whether a run on another thread holds the database now.
inline bool run_holds_database(const db::Connection& c) { return c.heldByAnotherThread(); }

} // namespace vt::workbench
