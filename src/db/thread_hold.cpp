#include "db/thread_hold.h"

namespace vt::db {

void ThreadHold::take(std::string refusal)
{
    const std::thread::id me = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(mutex_);
    const std::thread::id holder = holder_.load(std::memory_order_relaxed);
    if (holder == me) {
        ++depth_;
        return;
    }
    if (holder != std::thread::id()) throw ConnectionBusy(refusal_);
    refusal_ = std::move(refusal);
    depth_ = 1;
    holder_.store(me, std::memory_order_release);
}

void ThreadHold::release()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (holder_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return;
    if (--depth_ == 0) holder_.store(std::thread::id(), std::memory_order_release);
}

void ThreadHold::refuse() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    throw ConnectionBusy(refusal_.empty() ? std::string("the database is in use by another task") : refusal_);
}

} // namespace vt::db
