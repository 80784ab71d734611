#pragma once

namespace vt::db {
class Connection;
}

namespace vt::engine {

// The transaction in which a run builds its working tables. It is committed however the
// preparation ends, so that a run that fails half-way leaves the tables built so far, as a
// run that commits every statement would.
//
// A table dropped and rebuilt inside one transaction costs its size twice over: the pages it
// frees may only be reused after their old content has been read and copied to the rollback
// journal, or a rollback could not restore the dropped table. Pages freed by a committed
// transaction are reused without either. So the transaction is committed and begun anew
// right after a drop that freed a sizeable table, and the rebuild takes its pages for free.
class PreparationTransaction {
public:
    // Below this many freed pages (2 MB of 4 KiB pages) the syncs of a commit cost more
    // than reading and journaling the pages.
    static constexpr long long kCommitAfterFreedPages = 512;

    explicit PreparationTransaction(db::Connection& c);
    ~PreparationTransaction();
    PreparationTransaction(const PreparationTransaction&) = delete;
    PreparationTransaction& operator=(const PreparationTransaction&) = delete;

    void commit();
    // Pages on the database's free list.
    long long freePages() const;
    // Called after a table was dropped while the free list grew from `freeBefore` pages.
    void tableDropped(long long freeBefore);

private:
    db::Connection& c_;
    bool open_ = true;
};

} // namespace vt::engine
