#pragma once
#include "workbench/browser_common.h"

#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// One kind of management event the page offers (GLDAKTION).
struct ActionChoice {
    int code = 0;
    std::string name;
    std::string unit;
    std::string defaultIntensity;
};
// Codes 0, 2, 3, 4, 5, 7, 9, and 14 in regional mode.
std::vector<ActionChoice> action_choices(db::Connection& c, bool regional);

// An item of the subject choice: key = group * 100000 + item_ix.
struct ItemChoice {
    long long key = 0;
    int group = 0;
    long long itemIx = 0;
    std::string item;  // the first 25 characters of the name, or "-"
};
// The items a new event may take (those marked in the selection tables), and all items,
// which name the subject of a stored event.
std::vector<ItemChoice> selectable_items(db::Connection& c);
std::vector<ItemChoice> all_items(db::Connection& c);

// The item group of an action: 1 crops, 3 amendments, 4 fertilisers, 5/7/14 "-" entries,
// 6/8/10/11/21/22/23 the code itself, -99 none.
int item_group_of_action(int macode);
// The group that names a stored row's subject (1 for crops, 4, 7, else the code).
int subject_group_of_action(int macode);

enum class ManagementFilter { All, Harvest, Amendment, Fertilizer, Tillage };

// Whether the list filter shows events of this action code.
bool management_filter_accepts(ManagementFilter filter, long long macode);

// A row of the management list.
struct ManagementRow {
    long long id = 0;  // cultivation_id
    int day = 0, month = 0, year = 0;
    int macode = 0;
    long long itemIx = 0;
    double quantity = 0;
    double simQuantity = 0;
    double part = 1;
    std::string action;   // "" when the code is not in the action table
    std::string subject;  // "?" when the item is not found
    std::string unit;
};
// The plot's events in year and action order, named by the action and item tables.
std::vector<ManagementRow> management_rows(db::Connection& c, long long flId, ManagementFilter filter = ManagementFilter::All);

// An event as typed on the page.
struct ManagementInput {
    long long flId = 0;
    bool insert = true;
    long long cultivationId = 0;  // the row to overwrite
    int year = 0, month = 1, day = 1;
    int macode = 2;
    long long itemKey = 1;   // group * 100000 + item_ix; 1: no item
    std::string intensity;
    std::string areaShare;   // FLA%, read in regional mode (or with REGMODE "REG")
    bool useAreaShare = false;
};
// Inserts or overwrites one event; returns its cultivation_id. A non-numeric intensity or
// area share is refused with BrowserInputError before any statement runs. Action 14 stores
// quantity 0; sim_quantity is the area share rounded (100 without area shares).
long long save_management_event(db::Connection& c, const ManagementInput& in);
// Deletes one event of the plot; returns the rows deleted.
int delete_management_event(db::Connection& c, long long flId, long long cultivationId);

} // namespace vt::workbench
