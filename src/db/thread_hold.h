#pragma once
#include "db/db_error.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace vt::db {

// A statement refused because another thread holds the connection; what() is the
// holder's reason, shown to the user as it stands.
class ConnectionBusy : public DbError {
public:
    explicit ConnectionBusy(const std::string& message) : DbError(message) {}
};

// The hold of one thread on a connection. The connection, its statements and its cursors
// ask it before they touch the database, so a statement from another thread never lands
// inside the holder's open transaction. Holds of the same thread nest.
class ThreadHold {
public:
    // Throws ConnectionBusy when a thread other than the calling one holds the connection.
    void check() const
    {
        const std::thread::id holder = holder_.load(std::memory_order_acquire);
        if (holder == std::thread::id() || holder == std::this_thread::get_id()) return;
        refuse();
    }
    bool heldByAnotherThread() const
    {
        const std::thread::id holder = holder_.load(std::memory_order_acquire);
        return holder != std::thread::id() && holder != std::this_thread::get_id();
    }
    // Takes the hold for the calling thread; `refusal` becomes the message of every
    // statement refused meanwhile. Throws ConnectionBusy when another thread holds it.
    void take(std::string refusal);
    // Gives back a hold the calling thread took.
    void release();

private:
    [[noreturn]] void refuse() const;

    std::atomic<std::thread::id> holder_{};
    mutable std::mutex mutex_;
    std::string refusal_;
    int depth_ = 0;
};

} // namespace vt::db
