#include "engine/preparation/prep_context.h"

#include "db/connection.h"
#include "engine/preparation/preparation_transaction.h"

namespace vt::engine {

int PrepContext::run(const std::string& sql) const { return db.execute(sql); }

int PrepContext::runLogged(const std::string& label, const std::string& sql) const
{
    const int n = db.execute(sql);
    log(label + std::to_string(n));
    checkStop();
    return n;
}

bool PrepContext::guarded(const std::string& sql) const { return db.executeIgnoringErrors(sql); }

void PrepContext::drop(const std::string& table) const
{
    const long long freeBefore = transaction ? transaction->freePages() : 0;
    if (guarded("DROP TABLE " + table) && transaction) transaction->tableDropped(freeBefore);
}

long long PrepContext::rebuild(const std::string& table, const std::string& select) const
{
    drop(table);
    db.execute("CREATE TABLE " + table + " AS " + select);
    return rowCount(table);
}

long long PrepContext::rebuildLogged(const std::string& label, const std::string& table, const std::string& select) const
{
    const long long n = rebuild(table, select);
    log(label + std::to_string(n));
    checkStop();
    return n;
}

long long PrepContext::rowCount(const std::string& table) const
{
    return db.scalar("SELECT COUNT(*) FROM " + table).toInt();
}

void PrepContext::checkStop() const
{
    if (hooks.stopRequested()) throw RunStopRequested{};
}

} // namespace vt::engine
