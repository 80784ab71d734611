#include "engine/preparation/preparation_transaction.h"

#include "db/connection.h"

namespace vt::engine {

PreparationTransaction::PreparationTransaction(db::Connection& c) : c_(c) { c_.execute("SAVEPOINT preparation"); }

PreparationTransaction::~PreparationTransaction()
{
    if (open_) c_.executeIgnoringErrors("RELEASE preparation");
}

void PreparationTransaction::commit()
{
    open_ = false;
    c_.execute("RELEASE preparation");
}

long long PreparationTransaction::freePages() const { return c_.scalar("PRAGMA freelist_count").toInt(); }

void PreparationTransaction::tableDropped(long long freeBefore)
{
    if (!open_ || freePages() - freeBefore < kCommitAfterFreedPages) return;
    c_.execute("RELEASE preparation");
    c_.execute("SAVEPOINT preparation");
}

} // namespace vt::engine
