#include "workbench/run_plots.h"

#include "db/connection.h"
#include "engine/balance/balance_input.h"

namespace vt::workbench {

PlotTable plots_of_next_run(db::Connection& c)
{
    PlotTable table;
    auto cur = c.query(engine::plot_list_query() + " ORDER BY field_description.FL_ID");
    for (int i = 0; i < cur.fieldCount(); ++i) table.columns.push_back(cur.fieldName(i));
    for (; !cur.eof(); cur.next()) {
        std::vector<std::string> row;
        row.reserve(table.columns.size());
        for (int i = 0; i < cur.fieldCount(); ++i) row.push_back(cur.field(i).toString());
        table.rows.push_back(std::move(row));
    }
    return table;
}

} // namespace vt::workbench
