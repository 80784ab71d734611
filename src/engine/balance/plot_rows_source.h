#pragma once
#include "engine/balance/balance_types.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vt::engine {

// The result rows of one simulated plot as a table-valued function of the connection, so
// that one INSERT ... SELECT writes all of a plot's rows of a table: a statement run per
// plot instead of per plot-year, and no value bound through the library one by one.
//
//   SELECT c0, c1, ... FROM veltrano_plot_rows(<kind>, ?)
//
// with the plot bound as a pointer (bind_plot_rows). The rows come in the plot's year
// order, with the values and storage classes the per-row INSERT binds: integers for the
// key columns, doubles for the others.
enum class PlotRowKind { Nresult = 0, Zbv = 1, SimResult = 2 };

inline constexpr const char* kPlotRowsFunction = "veltrano_plot_rows";

// Registers the function on the connection unless it is there; false when it cannot be.
bool register_plot_rows(sqlite3* db);

// Binds `plot` to parameter `index` of a statement reading the function; the plot must
// outlive the statement's next run.
int bind_plot_rows(sqlite3_stmt* stmt, int index, const PlotOutput& plot);

// The rux_nresult columns (0-based) that hold integers.
inline bool nresult_integer_column(int position) { return position <= 2 || position == 23 || position == 24; }
// The rux_zbv columns (0-based) that hold integers.
inline bool zbv_integer_column(int position) { return position <= 1; }

// The value of an integer column: the plot number, year and year count from their own
// fields (a plot number above 2^53 does not survive a double), the rest converted.
inline long long nresult_integer(const YearResult& y, int position)
{
    switch (position) {
    case 0: return y.fl_id;
    case 1: return y.z_jahr;
    case 2: return y.year_num;
    default: return static_cast<long long>(y.nresult[static_cast<std::size_t>(position)]);
    }
}
inline long long zbv_integer(const YearResult& y, int position)
{
    return position == 0 ? y.fl_id : position == 1 ? y.z_jahr : static_cast<long long>(y.zbv[static_cast<std::size_t>(position)]);
}

} // namespace vt::engine
