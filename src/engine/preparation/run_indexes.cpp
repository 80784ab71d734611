#include "engine/preparation/run_indexes.h"

#include "engine/preparation/stored_order.h"
#include "engine/preparation/prep_context.h"

#include "db/connection.h"

#include <string>
#include <vector>

namespace vt::engine {

namespace {

struct RunIndex {
    const char* name;
    const char* table;
    std::vector<std::string> columns;
    const char* declaration;
};

void ensure(const PrepContext& p, const RunIndex& index)
{
    if (!p.db.tableExists(index.table)) return;
    for (const std::string& column : index.columns)
        if (!p.db.columnExists(index.table, column)) return;
    if (!has_index_leading_with(p.db, index.table, index.columns))
        p.guarded(std::string("CREATE INDEX ") + index.name + " ON " + index.table + " " + index.declaration);
}

const RunIndex kCultivationYear{"ix_cultivation_fl", "cultivation", {"FL_ID", "year"}, "(FL_ID, [year])"};

} // namespace

void ensure_cultivation_year_index(const PrepContext& p) { ensure(p, kCultivationYear); }

void ensure_run_indexes(const PrepContext& p)
{
    ensure(p, kCultivationYear);
    ensure(p, {"ix_site_state_fl", "site_state", {"FL_ID"}, "(FL_ID)"});
    ensure(p, {"ix_measurements_fl", "measurements", {"FL_ID", "M_IX"}, "(FL_ID, M_IX)"});
    ensure(p, {"ix_soilproperties_id", "soilproperties", {"soil_ID"}, "(soil_ID)"});
}

} // namespace vt::engine
