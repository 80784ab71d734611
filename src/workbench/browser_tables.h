#pragma once
#include "db/value.h"
#include "workbench/experiment_plots.h"

#include <string>
#include <utility>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The experiment table view: the plots of an experiment and the management events and
// observations of one plot as editable grids over the stored rows.
struct TableGrid {
    std::string table;
    std::vector<std::string> columns;
    std::vector<long long> rowids;            // identity of each row for edits
    std::vector<std::vector<db::Value>> rows;
};

// field_description rows of the experiment's plots, by FL_ID.
TableGrid read_experiment_plots(db::Connection& c, const ExperimentPlots& e);
// cultivation or measurements rows of the plot; `condition` (an SQL condition typed in
// "filter condition", empty for none) narrows them further. A condition that is not one
// expression (a ";" or a statement of its own) is refused with BrowserInputError.
TableGrid read_plot_table(db::Connection& c, const std::string& table, long long flId, const std::string& condition = {});

// Stores a typed cell: empty text stores NULL; a column declared as a number takes only
// numbers (a decimal comma is fine), refused with BrowserInputError otherwise. The table
// must be one of the three of the view. Returns the stored value.
db::Value update_table_cell(db::Connection& c, const std::string& table, long long rowid, const std::string& column,
                            const std::string& text);

// A new cultivation or measurements row of the plot with a fresh key, starting with the
// given values of the row it follows (action or property, date, year number); returns its
// rowid. Columns the table lacks are refused.
long long insert_plot_row(db::Connection& c, const std::string& table, long long flId,
                          const std::vector<std::pair<std::string, db::Value>>& start);

// The values a new row starts with, taken from `grid` row `row`: Macode, day, month and year
// of a management event; M_IX, day, month, year and year_number of an observation.
std::vector<std::pair<std::string, db::Value>> remembered_values(const TableGrid& grid, int row);

} // namespace vt::workbench
