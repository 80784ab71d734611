#include "workbench/browser_plot_ops.h"
#include "workbench/database_info.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/db_error.h"
#include "db/keys.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"

#include <cmath>
#include <map>

namespace vt::workbench {

namespace {

// Runs `body` all or nothing; a dry run is always rolled back.
template <class F>
ChangeReport all_or_nothing(db::Connection& c, bool dryRun, F&& body)
{
    ChangeReport report;
    report.dryRun = dryRun;
    db::Savepoint sp(c, "browser_operation");
    body(report);
    if (!dryRun) sp.release();
    return report;
}

void require_plot(db::Connection& c, long long flId)
{
    if (!plot_exists(c, flId)) throw BrowserInputError("plot " + std::to_string(flId) + " does not exist");
}

// Deletes every row of the plots selected by `where` (a condition on FL_ID with bound values).
void delete_plots(db::Connection& c, ChangeReport& r, const std::string& idSelect, const std::vector<db::Value>& params)
{
    // The plots' ids first: field_description goes first and with it the selection.
    c.execute("create temp table if not exists browser_ids (fl_id integer primary key)");
    c.execute("delete from temp.browser_ids");
    c.execute("insert or ignore into temp.browser_ids (fl_id) " + idSelect, params);
    for (const auto& t : plot_keyed_tables(c))
        r.add(t, c.execute("delete from " + db::quote_ident(t) + " where fl_id in (select fl_id from temp.browser_ids)"));
    c.execute("drop table temp.browser_ids");
}

long long require_positive_code(const std::string& code, const std::string& what)
{
    const auto v = parse_user_integer(code);
    if (!v || *v < 1)
        throw BrowserInputError(what + " '" + code + "' is not a positive whole number: please change the data manually in the database",
                                "background adaptation impossible");
    return *v;
}

// Copies the rows of `source` in `table` to the plot `target`: every column as stored, but
// those in `own` (lower case): their expression instead ("?" is the target's id), or
// nothing when it is empty (a key the database numbers).
int copy_plot_rows(db::Connection& c, const std::string& table, const std::map<std::string, std::string>& own, long long target,
                   long long source, const std::string& tail)
{
    std::string names, values;
    std::vector<db::Value> params;
    for (const auto& column : c.columns(table)) {
        std::string value = db::quote_ident(column);
        if (const auto o = own.find(base::to_lower(column)); o != own.end()) {
            if (o->second.empty()) continue;
            value = o->second;
            if (value == "?") params.emplace_back(target);
        }
        names += (names.empty() ? "" : ", ") + db::quote_ident(column);
        values += (values.empty() ? "" : ", ") + value;
    }
    params.emplace_back(source);
    return c.execute("insert into " + db::quote_ident(table) + " (" + names + ") select " + values + " from " + db::quote_ident(table) +
                         " where fl_id=?" + tail,
                     params);
}

} // namespace

bool plot_exists(db::Connection& c, long long flId)
{
    return !c.scalar("select 1 from field_description where fl_id=?", {flId}).isNull();
}

ChangeReport copy_plot(db::Connection& c, long long source, bool dryRun)
{
    require_plot(c, source);
    long long id = 0;
    try {
        id = db::get_key(c, "field_description", "fl_id");
    } catch (const db::DbError& e) {
        throw BrowserInputError(std::string("plot ") + std::to_string(source) + " cannot be copied: " + e.what(), "OPERATION DENIED");
    }
    // Every column is copied as it is stored; only the key, the name and the simulated
    // quantity are the copy's own.
    const std::map<std::string, std::string> plotOwn{{"fl_id", "?"}, {"site_description", "'x' || ifnull(site_description, '')"}};
    const std::map<std::string, std::string> rowOwn{{"fl_id", "?"}, {"meas_id", ""}, {"cultivation_id", ""}, {"sim_quantity", ""}};
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        r.flId = id;
        r.add("field_description", copy_plot_rows(c, "field_description", plotOwn, id, source, " limit 1"));
        r.add("site_state", c.execute("insert into site_state (status, fl_id) values (0, ?)", {id}));
        r.add("measurements", copy_plot_rows(c, "measurements", rowOwn, id, source, " order by rowid"));
        r.add("cultivation", copy_plot_rows(c, "cultivation", rowOwn, id, source, " order by rowid"));
    });
}

ChangeReport add_plot(db::Connection& c, const std::string& location, const std::string& vcode, const std::string& herkunft,
                      bool dryRun)
{
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        const long long id = db::get_key(c, "field_description", "fl_id");
        r.flId = id;
        r.add("field_description",
              c.execute("insert into field_description (fl_id, location, site_description, herkunft, climate_id, soil_id, comment, "
                        "area, versuch_code, rep_cnt, i_con) values (?, ?, '-', ?, -99, -99, '-', -99, ?, 0, 'null')",
                        {id, location, herkunft.empty() ? std::string("??") : herkunft, vcode}));
        r.add("site_state", c.execute("insert into site_state (fl_id, status) values (?, 0)", {id}));
    });
}

std::string experiment_location(db::Connection& c, const std::string& vcode)
{
    if (c.tableExists("experiments")) {
        auto e = c.query("select location from experiments where vcode=?", {vcode});
        if (!e.eof()) {
            const auto loc = e.field(0).toString();
            e.next();
            if (e.eof()) return loc;
        }
    }
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition({vcode, std::nullopt}, params);
    auto p = c.query("select distinct ifnull(location, '') from field_description where " + where, params);
    if (p.eof()) throw BrowserInputError("experiment " + vcode + " does not exist");
    const auto loc = p.field(0).toString();
    p.next();
    if (!p.eof()) throw BrowserInputError("the plots of experiment " + vcode + " lie in several locations; name the plots one by one");
    return loc;
}

ChangeReport add_plot_to_experiment(db::Connection& c, const std::string& vcode, bool dryRun)
{
    const auto location = experiment_location(c, vcode);
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition({vcode, std::nullopt}, params);
    const auto herkunft =
        c.scalar("select herkunft from field_description where " + where + " order by site_description, fl_id limit 1", params).toString();
    return add_plot(c, location, vcode, herkunft, dryRun);
}

ChangeReport delete_plot(db::Connection& c, long long flId, bool dryRun)
{
    require_plot(c, flId);
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) { delete_plots(c, r, "values (?)", {flId}); });
}

ChangeReport move_plot(db::Connection& c, long long flId, const std::string& location, bool dryRun)
{
    require_plot(c, flId);
    if (base::trim(location).empty()) throw BrowserInputError("the new location is empty");
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        r.flId = flId;
        r.add("field_description", c.execute("update field_description set location=? where fl_id=?", {location, flId}));
    });
}

std::string ShiftPreview::message() const
{
    if (overflow) return "the shift carries keys beyond the range of whole numbers !";
    return std::to_string(others) + " records in destination range !" + (others == 0 ? " press ok to start transfer" : "");
}

ShiftPreview preview_plot_shift(db::Connection& c, const ExperimentPlots& e, long long shift)
{
    ShiftPreview p;
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition(e, params);
    auto r = c.query("select min(fl_id), max(fl_id), count(*) from field_description where " + where, params);
    if (r.field(2).toInt() == 0) return p;
    p.exists = true;
    p.minId = r.field(0).toInt();
    p.maxId = r.field(1).toInt();
    long long newMin = 0, newMax = 0;
    if (__builtin_add_overflow(p.minId, shift, &newMin) || __builtin_add_overflow(p.maxId, shift, &newMax)) {
        p.overflow = true;
        return p;
    }
    std::vector<db::Value> range{newMin, newMax};
    range.insert(range.end(), params.begin(), params.end());
    p.others = c.scalar("select count(*) from field_description where fl_id>=? and fl_id<=? and not (" + where + ")", range).toInt();
    return p;
}

ChangeReport shift_plots(db::Connection& c, const ExperimentPlots& e, long long shift, bool dryRun)
{
    const auto p = preview_plot_shift(c, e, shift);
    if (!p.exists) throw BrowserInputError("experiment " + e.code + (e.location ? " at '" + *e.location + "'" : std::string()) + " has no plots");
    if (p.overflow)
        throw BrowserInputError("shifting FL_IDs " + std::to_string(p.minId) + " to " + std::to_string(p.maxId) + " by " +
                                    std::to_string(shift) + " leaves the range of whole numbers",
                                "OPERATION DENIED");
    if (!p.allowed()) throw BrowserInputError(p.message(), "OPERATION DENIED");
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition(e, params);
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        c.execute("create temp table if not exists browser_ids (fl_id integer primary key)");
        c.execute("delete from temp.browser_ids");
        c.execute("insert or ignore into temp.browser_ids (fl_id) select fl_id from field_description where " + where, params);
        // Plots continued from a stored state of a moved plot follow it.
        r.add("field_description (i_con)",
              c.execute("update field_description set i_con=cast(cast(trim(i_con) as integer)+? as text) "
                        "where trim(i_con) in (select cast(fl_id as text) from temp.browser_ids)",
                        {shift}));
        for (const auto& t : plot_keyed_tables(c))
            r.add(t, c.execute("update " + db::quote_ident(t) + " set fl_id=fl_id+? where fl_id in (select fl_id from temp.browser_ids)",
                               {shift}));
        c.execute("drop table temp.browser_ids");
    });
}

long long next_experiment_code(db::Connection& c)
{
    long long code = c.tableExists("experiments") ? db::get_key(c, "experiments", "exp_id") : 0;
    // A code that plots use already (without an experiments row) is skipped.
    while (!c.scalar("select 1 from field_description where versuch_code=?", {std::to_string(code)}).isNull()) ++code;
    return code < 1 ? 1 : code;
}

ChangeReport create_experiment(db::Connection& c, const std::string& location, bool dryRun)
{
    if (base::trim(location).empty()) throw BrowserInputError("the location is empty");
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        const long long code = next_experiment_code(c);
        r.experiment = std::to_string(code);
        r.add("experiments", c.execute("insert into experiments (vcode, exp_id, location) values (?, ?, ?)", {r.experiment, code, location}));
        const long long id = db::get_key(c, "field_description", "fl_id");
        r.flId = id;
        r.add("field_description",
              c.execute("insert into field_description (fl_id, location, site_description, climate_id, soil_id, area, herkunft, "
                        "versuch_code, comment, rep_cnt) values (?, ?, '-', -99, -99, -99, ?, ?, '-', 0)",
                        {id, location, std::string("??"), r.experiment}));
        r.add("site_state", c.execute("insert into site_state (fl_id, status) values (?, 0)", {id}));
    });
}

ChangeReport delete_experiment(db::Connection& c, const ExperimentPlots& e, bool dryRun)
{
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition(e, params);
    const bool hasPlots = !c.scalar("select 1 from field_description where " + where, params).isNull();
    const bool rows = c.tableExists("experiments");
    const bool hasRow = rows && !c.scalar("select 1 from experiments where vcode=?", {e.code}).isNull();
    if (!hasPlots && !hasRow) throw BrowserInputError("experiment " + e.code + " does not exist");
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        delete_plots(c, r, "select fl_id from field_description where " + where, params);
        // A node of the tree may hold only some of the code's plots (others were moved).
        std::vector<db::Value> all;
        const auto anyOfCode = experiment_plots_condition({e.code, std::nullopt}, all);
        if (rows && c.scalar("select 1 from field_description where " + anyOfCode, all).isNull())
            r.add("experiments", c.execute("delete from experiments where vcode=?", {e.code}));
    });
}

ChangeReport rename_experiment(db::Connection& c, const std::string& oldCode, const std::string& newCode,
                               const std::optional<std::string>& newLocation, bool dryRun)
{
    require_positive_code(oldCode, "experiment code");
    const long long code = require_positive_code(newCode, "new experiment code");
    const std::string codeText = std::to_string(code);
    if (newLocation && base::trim(*newLocation).empty()) throw BrowserInputError("the new location is empty");
    std::vector<db::Value> old;
    const auto ofOldCode = experiment_plots_condition({oldCode, std::nullopt}, old);
    const bool known = !c.scalar("select 1 from field_description where " + ofOldCode, old).isNull() ||
                       (c.tableExists("experiments") && !c.scalar("select 1 from experiments where vcode=?", {oldCode}).isNull());
    if (!known) throw BrowserInputError("experiment " + oldCode + " does not exist");
    if (codeText != oldCode) {
        const bool taken = !c.scalar("select 1 from field_description where versuch_code=?", {codeText}).isNull() ||
                           (c.tableExists("experiments") &&
                            !c.scalar("select 1 from experiments where vcode=? or exp_id=?", {codeText, code}).isNull());
        if (taken) throw BrowserInputError("experiment code " + codeText + " is in use by another experiment", "OPERATION DENIED");
    }
    // Without a new location each row keeps its own (NULL: coalesce keeps the stored one).
    const db::Value location = newLocation ? db::Value(*newLocation) : db::Value();
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        if (c.tableExists("experiments"))
            r.add("experiments", c.execute("update experiments set vcode=?, exp_id=?, location=coalesce(?, location) where vcode=?",
                                           {codeText, code, location, oldCode}));
        std::vector<db::Value> params{codeText, location};
        params.insert(params.end(), old.begin(), old.end());
        r.add("field_description",
              c.execute("update field_description set versuch_code=?, location=coalesce(?, location) where " + ofOldCode, params));
        if (c.tableExists("ref2vcode"))
            r.add("ref2vcode", c.execute("update ref2vcode set versuchs_code=? where versuchs_code=?", {codeText, oldCode}));
    });
}

ChangeReport copy_management_events(db::Connection& c, long long source, long long target)
{
    require_plot(c, source);
    require_plot(c, target);
    const std::string part = is_regional_database(c) ? ", part" : "";
    return all_or_nothing(c, false, [&](ChangeReport& r) {
        r.flId = target;
        r.add("cultivation", c.execute("insert into cultivation ([day], [month], [year], Macode, Item_IX, Quantity" + part +
                                           ", FL_ID) select [day], [month], [year], Macode, Item_IX, Quantity" + part +
                                           ", ? from cultivation where FL_ID=? order by cultivation_id",
                                       {target, source}));
    });
}

ChangeReport copy_observations(db::Connection& c, long long source, long long target)
{
    require_plot(c, source);
    require_plot(c, target);
    return all_or_nothing(c, false, [&](ChangeReport& r) {
        r.flId = target;
        r.add("measurements", c.execute("insert into measurements ([day], [month], [year], year_number, M_ix, meas_value, FL_ID) "
                                        "select [day], [month], [year], year_number, M_ix, meas_value, ? "
                                        "from measurements where FL_ID=? order by meas_ID",
                                        {target, source}));
        if (r.rowsOf("measurements") > 0 && c.tableExists("sim_result"))
            r.add("sim_result", c.execute("delete from sim_result where fl_id=?", {target}));
    });
}

} // namespace vt::workbench
