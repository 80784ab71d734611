#pragma once
#include <string>

namespace vt::db {

class Connection;

// How long every connection waits for a lock another program holds before it gives up:
// 5 seconds, for the command line, the windows and the engine alike.
constexpr int kBusyTimeoutMs = 5000;

// The message of a failure the engine reported with `code` and `engineMessage`: a lock
// held by another program ("database is locked") names that program as the cause.
std::string failure_message(int code, const std::string& engineMessage);

// Whether a transaction is open on the connection (it does not commit each statement).
bool in_transaction(Connection& c);

} // namespace vt::db
