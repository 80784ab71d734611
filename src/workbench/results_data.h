#pragma once
#include "eval/table_data.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The yearly nitrogen result rows of a plot for the page "misc.results": year,
// n_m_om, n_ops, C_ops, c_som, n_som, c_lts, cnr, crep, bat, bd, pwp and the pool ages.
// A database without the needed columns gives no rows.
eval::Table misc_results(db::Connection& c, long long plot);

// One quantity of the pages "OM-turnover" and "misc.results": its caption in the choice
// list (English; the window translates it) and the column it shows.
struct Quantity {
    const char* caption;
    const char* column;
};
const std::vector<Quantity>& turnover_quantities();
const std::vector<Quantity>& misc_quantities();

// Mean, smallest and largest value of a column over the rows ("Mean=", "Min=", "Max=");
// nullopt when there are no rows or no such column.
struct QuantityFigures {
    double mean = 0, min = 0, max = 0;
    long long count = 0;
};
std::optional<QuantityFigures> quantity_figures(const eval::Table& rows, const std::string& column);

// The title of a chart axis that draws a measured property: its short name and its unit
// from the property table GLN_MWML ("Cmic [mg C/100 g]"); `fallback` when the property is
// not there.
std::string property_axis_title(db::Connection& c, int mIx, const std::string& fallback);

// The plot's field_description row (the report header: Location, site_description).
eval::Table plot_description(db::Connection& c, long long plot);

// The site description of a plot with its soil, station and the station's climate means
// (mwtemp, mwprec, ycnt). A plot whose soil or station is missing gives no row.
eval::Table site_description(db::Connection& c, long long plot);

// The literature of the plot's experiment: lit_id, Autor, Jahr, titel (first 254
// characters), produkt, herausgeber, quelle, ort, band, seite, ausgabe, versuch_code.
eval::Table plot_references(db::Connection& c, long long plot);

// The management events of a plot in year and action order as the management report
// prints them, named as the page "Management" names them: DATUM (year), AKTION, SUBJEKT
// ("-" for actions without items, "?" when the item is unknown), ORIGWERT, UNIT, MACODE.
eval::Table management_report_rows(db::Connection& c, long long plot);

} // namespace vt::workbench
