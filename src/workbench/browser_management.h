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
// Whether events of an action name an item: crops (group 1), organic amendments (3) and
// mineral fertilisers (4). Tillage, irrigation and the other actions have none; their
// stored item_ix carries no meaning and their subject reads "-".
bool action_has_items(int macode);
// The item choice's key of an event: group * 100000 + item_ix.
long long item_key_of_event(int macode, long long itemIx);

// What the "Management Event" fields show for an action: the same whether the action was
// just chosen or a stored event of it is shown.
struct ActionFields {
    int itemGroup = -99;            // the items offered (item_group_of_action)
    bool itemShown = true;          // hidden for actions without items (5, 7, 14)
    bool intensityShown = true;     // intensity, its unit and default: hidden for 14
    bool areaShareEditable = true;  // FLA%: not for 6, 8, 10 and 11
    bool itemKeepsIntensity = false;  // choosing an item clears the intensity, except for 21 and 22
    std::string presetIntensity;    // "-99" for 21, 22 and 23, else empty
};
ActionFields action_fields(int macode);

// The parameter dialog a right press on the item choice opens for an action.
enum class ItemViewer { None, Crop, Amendment };
ItemViewer item_viewer_of_action(int macode);

enum class ManagementFilter { All, Harvest, Amendment, Fertilizer, Tillage };

// Whether the list filter shows events of this action code ("soil tillage": the tillage
// events 5 and the changes of tillage 14).
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
    std::string subject;  // "-" for actions without items; "?" when the item is not found
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
