#include "db/adapt_datamodel.h"

#include "base/text.h"

#include "db/connection.h"
#include "db/database_traits.h"
#include "db/savepoint.h"
#include "db/schema.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <set>
#include <string>
#include <vector>

namespace vt::db {

namespace {

using base::to_lower;

// Trim as the database's Trim does: blanks only.
std::string trim_blanks(const std::string& s) { return base::trim(s, " "); }

// The missing-table test: opening the table fails.
bool can_open(Connection& c, const std::string& table)
{
    try {
        c.openTable(table);
        return true;
    } catch (const DbError&) {
        return false;
    }
}

// Whether the opened table has a field of that name. A missing table ends the adaptation
// with the engine's message. The cursor is closed before the caller alters the table.
bool has_field(Connection& c, const std::string& table, const std::string& column)
{
    return c.openTable(table).hasField(column);
}

// Runs statements that belong together (a table and its rows, a column and its fill
// values) so that they stand or fall together: an interrupted adaptation never leaves a
// column without its fill values that the next connect would no longer supply.
void run_together(Connection& c, const std::vector<std::string>& statements)
{
    Savepoint sp(c, "adapt_step");
    for (const auto& sql : statements) c.execute(sql);
    sp.release();
}

void create_when_missing(Connection& c, const std::string& table, const std::vector<std::string>& statements)
{
    if (!can_open(c, table)) run_together(c, statements);
}

struct ColumnRule {
    const char* table;
    const char* column;
    std::vector<std::string> statements;  // the column and its fill values
};

void add_when_missing(Connection& c, const std::vector<ColumnRule>& rules)
{
    for (const auto& r : rules)
        if (!has_field(c, r.table, r.column)) run_together(c, r.statements);
}

// Key columns were once stored with a narrower type. The engine keeps any value in any
// column, so widening changes nothing, but a missing table or column must still end the
// adaptation as the type change would.
void widen(Connection& c, const std::string& table, const std::string& column)
{
    c.query("select " + column + " from " + table + " where 0");
}

std::set<std::string> lowered(const std::vector<std::string>& names)
{
    std::set<std::string> out;
    for (const auto& n : names) out.insert(to_lower(n));
    return out;
}

std::vector<std::string> column_list(Connection& c, const std::string& sql, const std::string& arg)
{
    std::vector<std::string> out;
    for (auto cur = c.query(sql, {arg}); !cur.eof(); cur.next()) out.push_back(cur.field(0).toString());
    return out;
}

bool has_unique_key(Connection& c, const std::string& table, const std::vector<std::string>& columns)
{
    const auto wanted = lowered(columns);
    if (lowered(column_list(c, "select name from pragma_table_info(?) where pk>0", table)) == wanted) return true;
    for (const auto& index : column_list(c, "select name from pragma_index_list(?) where [unique]=1", table))
        if (lowered(column_list(c, "select name from pragma_index_info(?)", index)) == wanted) return true;
    return false;
}

// A primary key added to an existing table: a unique index. It is skipped when the table
// has such a key already, and its failure (missing table, duplicate keys) is ignored.
void add_primary_key(Connection& c, const std::string& table, const std::vector<std::string>& columns,
                     const std::string& list)
{
    if (can_open(c, table) && has_unique_key(c, table, columns)) return;
    c.executeIgnoringErrors("create unique index pk_" + table + " on " + table + " (" + list + ")");
}

// Reads the first row's model of vtn_setting. A table without rows gets the row "RUX".
std::string stored_model(Connection& c)
{
    if (auto model = stored_method_text(c)) return *model;
    store_method(c, "RUX");
    return stored_method_text(c).value_or("");
}

void store_methode(const MethodeSink& sink, const std::string& methode)
{
    if (sink) sink(methode);
}

const std::vector<ColumnRule> kResultColumns = {
    {"rux_nresult", "N_flush", {"alter table rux_nresult add N_flush float"}},
    {"rux_nresult", "BD", {"alter table rux_nresult add BD float"}},
    {"rux_nresult", "PWP", {"alter table rux_nresult add PWP float"}},
    {"rux_nresult", "a_age", {"alter table rux_nresult add a_age float"}},
    {"rux_nresult", "s_age", {"alter table rux_nresult add s_age float"}},
    {"rux_nresult", "l_age", {"alter table rux_nresult add l_age float"}},
    {"rux_nresult", "N_m_fom", {"alter table rux_nresult add N_m_fom float"}},
};

// A plot whose comment holds the word "notill" was kept without tillage before the
// column existed; comments written later are not examined again.
const std::vector<ColumnRule> kPlotColumns = {
    {"field_description", "area", {"alter table field_description add area float", "update field_description set area=-99"}},
    {"field_description",
     "notill",
     {"alter table field_description add notill float", "update field_description set notill=0",
      "update field_description set notill=1 where instr(1,comment,'notill',0)>0"}},
    {"field_description",
     "rep_cnt",
     {"alter table field_description add rep_cnt int", "update field_description set rep_cnt=0"}},
    {"field_description",
     "i_con",
     {"alter table field_description add i_con char(8)", "update field_description set i_con='obsval'"}},
    {"field_description",
     "repix",
     {"alter table field_description add repix double", "update field_description set repix=29"}},
};

const std::vector<ColumnRule> kStateColumns = {
    {"fom_state", "fom_crflx", {"alter table fom_state add fom_crflx float", "update fom_state set fom_crflx=-999.99"}},
    {"fom_state", "fom_ix", {"alter table fom_state add fom_ix integer", "update fom_state set fom_ix=-999"}},
};

const std::vector<ColumnRule> kSoilColumns = {
    {"soilproperties", "fchw", {"alter table soilproperties add fchw float"}},
    {"soilproperties",
     "soilclass",
     {"alter table soilproperties add soilclass integer", "update soilproperties set soilclass=0"}},
    {"soilproperties",
     "lmbd",
     {"alter table soilproperties add lmbd double", "alter table soilproperties add lmbd_org YESNO",
      "update soilproperties set lmbd_org=0"}},
    {"soilproperties",
     "deg",
     {"alter table soilproperties add deg double", "alter table soilproperties add deg_org YESNO",
      "update soilproperties set deg_org=0"}},
    {"soilproperties",
     "max_lts",
     {"alter table soilproperties add max_lts double", "alter table soilproperties add max_lts_org YESNO",
      "update soilproperties set max_lts_org=0"}},
    {"pore_size_parm",
     "soilclass",
     {"alter table pore_size_parm add soilclass integer", "update pore_size_parm set soilclass=0"}},
    {"soilproperties", "fbio", {"alter table soilproperties add fbio float"}},
    {"gldpflan", "oeko_code", {"alter table gldpflan add oeko_code int"}},
};

// The preselection lists mark every crop, every amendment offered as such (od = -1) and
// every mineral fertiliser as selected.
struct SelectionList {
    const char* table;
    const char* create;
    const char* fill;
};
const std::vector<SelectionList> kSelectionLists = {
    {"gldsel_crop", ddl::kGldselCrop,
     "insert into gldsel_crop ([select], ITEM_IX, Name, OEKO_code) select -1, gldpflan.ITEM_IX, gldpflan.Name, "
     "OEKO_code from gldpflan"},
    {"gldsel_ops", ddl::kGldselOps,
     "insert into gldsel_ops ([select], ITEM_IX, Name) select -1, ITEM_IX, Name from gldopspa where OD=-1"},
    {"gldsel_frt", ddl::kGldselFrt,
     "insert into gldsel_frt ([select], ITEM_IX, Name) select -1, ITEM_IX, Name from gldmindg"},
};

} // namespace

AdaptResult adapt_datamodel(Connection& c, const MethodeSink& settings)
{
    // 1. Work and result tables.
    create_when_missing(c, "sim_result", {ddl::kSimResult});
    create_when_missing(c, "tmp_ndeposit", {ddl::kTmpNdeposit});
    create_when_missing(c, "rpx_class", {ddl::kRpxClass, ddl::kRpxClassRows});
    create_when_missing(c, "reg_ndeposit", {ddl::kRegNdeposit});
    create_when_missing(c, "tmp_outlist", {ddl::kTmpOutlist});

    // 2. Key columns.
    widen(c, "cultivation", "macode");
    widen(c, "cultivation", "item_ix");
    widen(c, "measurements", "m_ix");

    // 3. Primary keys of the parameter tables and the climate years.
    add_primary_key(c, "gldpflan", {"item_ix"}, "item_ix");
    add_primary_key(c, "gldopspa", {"item_ix"}, "item_ix");
    add_primary_key(c, "gldmindg", {"item_ix"}, "item_ix");
    add_primary_key(c, "climate_data", {"climate_id", "year"}, "climate_id,[year]");

    // 4. Variance of an observation.
    add_when_missing(c, {{"measurements", "vrnz", {"alter table measurements add vrnz float"}}});

    // 5. The yearly balance: an outdated layout is rebuilt empty (its rows are simulation
    //    output that the next run writes again); a recent one gains the newer columns.
    if (!has_field(c, "rux_nresult", "sc_id")) run_together(c, {"drop table rux_nresult ", ddl::kRuxNresult});
    add_when_missing(c, kResultColumns);

    // 6. Plot description.
    add_when_missing(c, kPlotColumns);

    // 7. The database's model method, first pass.
    if (can_open(c, "vtn_setting")) {
        store_methode(settings, trim_blanks(stored_model(c)));
    } else {
        store_method(c, "RUX");
        store_methode(settings, "RUX");
    }

    // 8. Stored states of a run.
    create_when_missing(c, "som_state", {ddl::kSomState});
    create_when_missing(c, "fom_state", {ddl::kFomState});
    add_when_missing(c, kStateColumns);

    // 9. The model method, second pass (the table exists since step 7); this sets the
    //    caption.
    AdaptResult result;
    const std::string model = stored_model(c);
    result.methode = trim_blanks(model);
    store_methode(settings, result.methode);
    result.caption = "Veltrano; Model=" + model;

    // 10. Soil columns, pore size classes, crops.
    add_when_missing(c, kSoilColumns);

    // 11. Preselection lists; a list that cannot be built is left out.
    for (const auto& list : kSelectionLists) {
        if (can_open(c, list.table)) continue;
        try {
            run_together(c, {list.create, list.fill});
        } catch (const DbError&) {
        }
    }
    return result;
}

} // namespace vt::db
