#include "workbench/browser_management.h"
#include "workbench/database_info.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/keys.h"
#include "db/savepoint.h"

#include <cmath>
#include <unordered_map>

namespace vt::workbench {

std::vector<ActionChoice> action_choices(db::Connection& c, bool regional)
{
    std::vector<ActionChoice> list;
    if (!c.tableExists("gldaktion")) return list;
    auto r = c.query(std::string("select ACTION_ID, [ACTION], UNIT_INTENSITY, DEF_INTENSITY from GLDAKTION where action_id in ") +
                     (regional ? "(0,2,3,4,5,7,9,14)" : "(0,2,3,4,5,7,9)") + " order by ACTION_ID");
    for (; !r.eof(); r.next())
        list.push_back({static_cast<int>(r.field(0).toInt()), r.field(1).toString(), r.field(2).toString(), r.field(3).toString()});
    return list;
}

namespace {

std::string item_text(const std::string& name)
{
    return base::trim(name.substr(0, 25));
}

// Both lists are one union over the item tables; `selectable` restricts the crops,
// amendments and fertilisers to those marked in the selection tables.
std::vector<ItemChoice> items(db::Connection& c, bool selectable)
{
    std::string sql;
    const auto member = [&](const std::string& part) {
        if (!sql.empty()) sql += " union all ";
        sql += part;
    };
    const bool crops = c.tableExists("gldpflan"), ops = c.tableExists("gldopspa"), frt = c.tableExists("gldmindg");
    if (crops) {
        if (selectable && c.tableExists("gldsel_crop"))
            member("select p.NAME as name, p.ITEM_IX as item_ix, 1 as objekt from gldpflan p inner join gldsel_crop s "
                   "on s.ITEM_IX=p.ITEM_IX where s.[select]<>0");
        else if (!selectable)
            member("select NAME as name, ITEM_IX as item_ix, 1 as objekt from gldpflan");
    }
    if (ops) {
        if (selectable && c.tableExists("gldsel_ops"))
            member("select p.NAME as name, p.item_ix as item_ix, 3 as objekt from gldopspa p inner join gldsel_ops s on s.ITEM_IX=p.item_ix "
                   "where s.[select]<>0 and p.od<>0");
        else if (!selectable)
            member("select NAME as name, item_ix as item_ix, 3 as objekt from gldopspa where od<>0");
    }
    if (frt) {
        if (selectable && c.tableExists("gldsel_frt"))
            member("select p.name as name, p.item_ix as item_ix, 4 as objekt from gldmindg p inner join gldsel_frt s on s.ITEM_IX=p.item_ix where s.[select]<>0");
        else if (!selectable)
            member("select name as name, item_ix as item_ix, 4 as objekt from gldmindg");
    }
    // One "-" entry for each action without an item.
    {
        if (selectable) {
            member("select '-' as name, -99 as item_ix, 7 as objekt");
            member("select '-' as name, -99 as item_ix, 14 as objekt");
        } else {
            member("select '-' as name, 1 as item_ix, 7 as objekt");
            member("select '-' as name, 1 as item_ix, 5 as objekt");
        }
    }
    std::vector<ItemChoice> list;
    if (sql.empty()) return list;
    sql = "select * from (" + sql + ") order by " + (selectable ? "name, objekt, item_ix" : "objekt, name, item_ix");
    auto r = c.query(sql);
    for (; !r.eof(); r.next()) {
        ItemChoice i;
        i.itemIx = r.field(1).toInt();
        i.group = static_cast<int>(r.field(2).toInt());
        i.key = i.group * 100000LL + i.itemIx;
        const std::string name = r.field(0).toString();
        i.item = name == "-" ? "-" : item_text(name);
        list.push_back(std::move(i));
    }
    return list;
}

} // namespace

std::vector<ItemChoice> selectable_items(db::Connection& c) { return items(c, true); }
std::vector<ItemChoice> all_items(db::Connection& c) { return items(c, false); }

int item_group_of_action(int macode)
{
    switch (macode) {
    case 0: case 1: case 2: case 9: case 12: return 1;
    case 3: return 3;
    case 4: return 4;
    case 5: return 5;
    case 7: return 7;
    case 14: return 14;
    case 6: case 8: case 10: case 11: case 21: case 22: case 23: return macode;
    default: return -99;
    }
}

bool action_has_items(int macode)
{
    const int group = item_group_of_action(macode);
    return group == 1 || group == 3 || group == 4;
}

long long item_key_of_event(int macode, long long itemIx) { return item_group_of_action(macode) * 100000LL + itemIx; }

ActionFields action_fields(int macode)
{
    ActionFields f;
    f.itemGroup = item_group_of_action(macode);
    f.itemShown = !(macode == 5 || macode == 7 || macode == 14);
    f.intensityShown = macode != 14;
    f.areaShareEditable = !(macode == 6 || macode == 8 || macode == 10 || macode == 11);
    f.itemKeepsIntensity = macode == 21 || macode == 22;
    if (macode == 21 || macode == 22 || macode == 23) f.presetIntensity = "-99";
    return f;
}

ItemViewer item_viewer_of_action(int macode)
{
    switch (item_group_of_action(macode)) {
    case 1: return ItemViewer::Crop;
    case 3: return ItemViewer::Amendment;
    default: return ItemViewer::None;
    }
}

bool management_filter_accepts(ManagementFilter filter, long long macode)
{
    switch (filter) {
    case ManagementFilter::All: return true;
    case ManagementFilter::Harvest: return macode == 2 || macode == 9;
    case ManagementFilter::Amendment: return macode == 3;
    case ManagementFilter::Fertilizer: return macode == 4;
    case ManagementFilter::Tillage: return macode == 5 || macode == 14;
    }
    return true;
}

std::vector<ManagementRow> management_rows(db::Connection& c, long long flId, ManagementFilter filter)
{
    std::vector<ManagementRow> rows;
    if (!c.tableExists("cultivation")) return rows;
    std::unordered_map<int, std::pair<std::string, std::string>> actions;
    if (c.tableExists("gldaktion")) {
        auto a = c.query("select ACTION_ID, [ACTION], UNIT_INTENSITY from GLDAKTION");
        for (; !a.eof(); a.next()) actions[static_cast<int>(a.field(0).toInt())] = {a.field(1).toString(), a.field(2).toString()};
    }
    std::unordered_map<long long, std::string> subjects;
    for (const auto& i : all_items(c)) subjects.emplace(i.key, i.item);

    const bool regional = is_regional_database(c);
    std::string where = " where fl_id=?";
    switch (filter) {
    case ManagementFilter::All: break;
    case ManagementFilter::Harvest: where += " and ((macode=2) or (macode=9))"; break;
    case ManagementFilter::Amendment: where += " and macode=3"; break;
    case ManagementFilter::Fertilizer: where += " and macode=4"; break;
    case ManagementFilter::Tillage: where += " and macode in (5,14)"; break;
    }
    auto r = c.query(std::string("select cultivation_id, day, month, [year], Macode, Item_IX, Quantity, Sim_Quantity, ") +
                         (regional ? "part" : "1") + " from cultivation" + where + " order by [year], Macode, cultivation_id",
                     {db::Value(flId)});
    for (; !r.eof(); r.next()) {
        ManagementRow m;
        m.id = r.field(0).toInt();
        m.day = static_cast<int>(r.field(1).toInt());
        m.month = static_cast<int>(r.field(2).toInt());
        m.year = static_cast<int>(r.field(3).toInt());
        m.macode = static_cast<int>(r.field(4).toInt());
        m.itemIx = r.field(5).toInt();
        m.quantity = r.field(6).toDouble();
        m.simQuantity = r.field(7).toDouble();
        m.part = r.field(8).toDouble();
        const auto a = actions.find(m.macode);
        if (a != actions.end()) {
            m.action = a->second.first;
            m.unit = a->second.second;
        }
        if (action_has_items(m.macode)) {
            const auto s = subjects.find(item_key_of_event(m.macode, m.itemIx));
            m.subject = s == subjects.end() ? "?" : s->second;
        } else {
            m.subject = "-";
        }
        rows.push_back(std::move(m));
    }
    return rows;
}

long long save_management_event(db::Connection& c, const ManagementInput& in)
{
    double quantity = 0;
    if (in.macode != 14) quantity = require_user_number(in.intensity, "intensity");
    double share = 100;
    if (in.useAreaShare) share = require_user_number(in.areaShare, "FLA%");
    if (in.year < 1 || in.month < 1 || in.month > 12 || in.day < 1 || in.day > 31)
        throw BrowserInputError("date: not a valid date");
    const double simQuantity = std::nearbyint(share);  // halves to the even neighbour
    const long long item = in.itemKey % 100000;
    const bool regional = is_regional_database(c);

    db::Savepoint sp(c, "management_event");
    long long id = in.cultivationId;
    if (in.insert) {
        id = db::get_key(c, "cultivation", "cultivation_id");
        if (regional)
            c.execute("insert into cultivation (cultivation_id,[year],[month],[day],MACODE,item_ix,sim_quantity,quantity,fl_id,part) "
                      "values (?,?,?,?,?,?,?,?,?,?)",
                      {id, in.year, in.month, in.day, in.macode, item, simQuantity, quantity, in.flId, share});
        else
            c.execute("insert into cultivation (cultivation_id,[year],[month],[day],MACODE,item_ix,sim_quantity,quantity,fl_id) "
                      "values (?,?,?,?,?,?,?,?,?)",
                      {id, in.year, in.month, in.day, in.macode, item, simQuantity, quantity, in.flId});
    } else {
        int n = 0;
        if (regional)
            n = c.execute("update cultivation set [year]=?, [month]=?, [day]=?, MACODE=?, item_ix=?, sim_quantity=?, quantity=?, "
                          "part=? where fl_id=? and cultivation_id=?",
                          {in.year, in.month, in.day, in.macode, item, simQuantity, quantity, share, in.flId, in.cultivationId});
        else
            n = c.execute("update cultivation set [year]=?, [month]=?, [day]=?, MACODE=?, item_ix=?, sim_quantity=?, quantity=? "
                          "where fl_id=? and cultivation_id=?",
                          {in.year, in.month, in.day, in.macode, item, simQuantity, quantity, in.flId, in.cultivationId});
        if (n == 0) throw BrowserInputError("no management event " + std::to_string(in.cultivationId) + " of plot " + std::to_string(in.flId) + " to overwrite");
    }
    sp.release();
    return id;
}

int delete_management_event(db::Connection& c, long long flId, long long cultivationId)
{
    return c.execute("delete from cultivation where fl_id=? and cultivation_id=?", {flId, cultivationId});
}

} // namespace vt::workbench
