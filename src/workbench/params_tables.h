#pragma once
#include "eval/table_data.h"

#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The tables the parameter window's crop and amendment pages edit: the model's own, or
// those of the method "HUMOD" (whose amendment page has no filter).
struct ParameterTables {
    std::string crops = "gldpflan";
    std::string amendments = "gldopspa";
    bool amendmentFilter = true;
};
ParameterTables parameter_tables(const std::string& methode);

// The result tables the "Results" page offers.
extern const std::vector<std::string> kResultTables;

// A whole table as plain rows (stored order).
eval::Table read_whole_table(db::Connection& c, const std::string& table);
// A table as a new workbook (.xlsx). Throws db::DbError for a missing table,
// std::runtime_error when the file cannot be written.
void export_table_xlsx(db::Connection& c, const std::string& table, const std::string& path);
// A table as an XML rowset: its column types under s:Schema, then one z:row element per
// row with a named attribute per value that is not empty.
std::string table_xml(db::Connection& c, const std::string& table);
void export_table_xml(db::Connection& c, const std::string& table, const std::string& path);

// The crop and amendment viewers: a title and one line per column of the record, the
// column name followed by dots cut to 12 characters, ": " and the value.
struct ParameterTree {
    std::string title;
    std::vector<std::string> lines;
};
std::string parameter_line(const std::string& column, const std::string& value);
// "gldpflan", then " root & crop residues" (the gldopspa record of ewr_ix) and " side
// product" (that of kop_ix). An unknown crop gives a tree without lines.
std::vector<ParameterTree> crop_parameters(db::Connection& c, long long itemIx);
// "gldopspa" for one amendment.
std::vector<ParameterTree> amendment_parameters(db::Connection& c, long long itemIx);

} // namespace vt::workbench
