#include "workbench/results_nbalance.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/sql_quote.h"

#include <algorithm>
#include <stdexcept>

namespace vt::workbench {

const std::vector<std::string>& nbalance_result_tables()
{
    static const std::vector<std::string> names = {"NMIN_SALDO", "NT_SALDO", ""};
    return names;
}

eval::Table nbalance_table(db::Connection& c, const std::string& name)
{
    if (name.empty()) return {};
    const auto& names = nbalance_result_tables();
    if (std::find(names.begin(), names.end(), base::to_upper(name)) == names.end())
        throw std::invalid_argument("not a result table of the nitrogen balance: " + name);
    if (!c.tableExists(name)) return {};
    auto cur = c.query("  SELECT * from " + db::quote_ident(name));
    return eval::read_table(cur);
}

} // namespace vt::workbench
