#pragma once
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The preselection lists: which crops, amendments and fertilisers the browser offers
// when management events are entered. Each is a table with a yes/no column [select].
enum class SelectionList { Crops, Amendments, Fertilizers };

const char* selection_table(SelectionList list);

// A double click on a row: true becomes false, anything else becomes true; stored at once.
void toggle_selection(db::Connection& c, SelectionList list, long long rowId);
// "use none": every row false.
void select_none(db::Connection& c, SelectionList list);
// "invert": true and false swap (a row without a value stays without).
void invert_selection(db::Connection& c, SelectionList list);
// "use all": crops and fertilisers rebuild their list from the parameter table, every
// row selected (a crop added since is listed); amendments set every listed row true (an
// amendment added since is listed only after the main window's next activation). The
// rebuild is one transaction: a failure leaves the old list in place.
void select_all(db::Connection& c, SelectionList list);

} // namespace vt::workbench
