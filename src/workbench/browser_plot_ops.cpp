#include "workbench/browser_plot_ops.h"
#include "workbench/database_info.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/keys.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"

#include <cmath>

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

} // namespace

bool plot_exists(db::Connection& c, long long flId)
{
    return !c.scalar("select 1 from field_description where fl_id=?", {flId}).isNull();
}

ChangeReport copy_plot(db::Connection& c, long long source, bool dryRun)
{
    require_plot(c, source);
    const bool regional = is_regional_database(c);
    const std::string repix = c.columnExists("field_description", "repix") ? ", repix" : "";
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        const long long id = c.scalar("select max(fl_id)+1 from field_description").toInt();
        r.flId = id;
        r.add("field_description",
              c.execute("insert into field_description (Herkunft, soil_ID, climate_ID, Location, site_description, mw_BAT, "
                        "classification, comment, versuch_code, area, notill, i_con, rep_cnt" + repix + ", FL_ID) "
                        "select Herkunft, soil_ID, climate_ID, Location, 'x' || ifnull(site_description, ''), mw_BAT, "
                        "classification, comment, versuch_code, area, notill, i_con, rep_cnt" + repix + ", ? "
                        "from field_description where FL_ID=? limit 1",
                        {id, source}));
        r.add("site_state", c.execute("insert into site_state (status, fl_id) values (0, ?)", {id}));
        r.add("measurements", c.execute("insert into measurements (fl_id, m_ix, [day], [month], [year], year_number, meas_value, vrnz) "
                                        "select ?, m_ix, [day], [month], [year], year_number, meas_value, vrnz "
                                        "from measurements where fl_id=? order by meas_ID",
                                        {id, source}));
        const std::string part = regional ? ", part" : "";
        r.add("cultivation", c.execute("insert into cultivation (fl_id, fl_id_alt, [day], [month], [year], macode, item_ix, quantity" +
                                           part + ") select ?, fl_id_alt, [day], [month], [year], macode, item_ix, quantity" + part +
                                           " from cultivation where fl_id=? order by cultivation_id",
                                       {id, source}));
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
    auto p = c.query("select distinct ifnull(location, '') from field_description where versuch_code=?", {vcode});
    if (p.eof()) throw BrowserInputError("experiment " + vcode + " does not exist");
    const auto loc = p.field(0).toString();
    p.next();
    if (!p.eof()) throw BrowserInputError("the plots of experiment " + vcode + " lie in several locations; name the plots one by one");
    return loc;
}

ChangeReport add_plot_to_experiment(db::Connection& c, const std::string& vcode, bool dryRun)
{
    const auto location = experiment_location(c, vcode);
    const auto herkunft =
        c.scalar("select herkunft from field_description where ifnull(location, '')=? order by site_description, fl_id limit 1", {location})
            .toString();
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
    return std::to_string(others) + " records in destination range !" + (others == 0 ? " press ok to start transfer" : "");
}

ShiftPreview preview_plot_shift(db::Connection& c, const std::string& location, long long shift)
{
    ShiftPreview p;
    auto r = c.query("select min(fl_id), max(fl_id), count(*) from field_description where ifnull(location, '')=?", {location});
    if (r.field(2).toInt() == 0) return p;
    p.exists = true;
    p.minId = r.field(0).toInt();
    p.maxId = r.field(1).toInt();
    p.others = c.scalar("select count(*) from field_description where fl_id>=? and fl_id<=? and ifnull(location, '')<>?",
                        {p.minId + shift, p.maxId + shift, location})
                   .toInt();
    return p;
}

ChangeReport shift_plots(db::Connection& c, const std::string& location, long long shift, bool dryRun)
{
    const auto p = preview_plot_shift(c, location, shift);
    if (!p.exists) throw BrowserInputError("no plot has the location '" + location + "'");
    if (!p.allowed()) throw BrowserInputError(p.message(), "OPERATION DENIED");
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        c.execute("create temp table if not exists browser_ids (fl_id integer primary key)");
        c.execute("delete from temp.browser_ids");
        c.execute("insert or ignore into temp.browser_ids (fl_id) select fl_id from field_description where ifnull(location, '')=?",
                  {location});
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

ChangeReport delete_experiment(db::Connection& c, const std::string& location, const std::string& vcode, bool dryRun)
{
    const bool hasPlots = !c.scalar("select 1 from field_description where ifnull(location, '')=?", {location}).isNull();
    const bool hasRow = c.tableExists("experiments") && !c.scalar("select 1 from experiments where vcode=?", {vcode}).isNull();
    if (!hasPlots && !hasRow) throw BrowserInputError("experiment '" + location + "' does not exist");
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        if (c.tableExists("experiments")) r.add("experiments", c.execute("delete from experiments where vcode=?", {vcode}));
        delete_plots(c, r, "select fl_id from field_description where ifnull(location, '')=?", {location});
    });
}

ChangeReport rename_experiment(db::Connection& c, const std::string& oldCode, const std::string& newCode, const std::string& newLocation,
                               bool dryRun)
{
    require_positive_code(oldCode, "experiment code");
    const long long code = require_positive_code(newCode, "new experiment code");
    const std::string codeText = std::to_string(code);
    if (base::trim(newLocation).empty()) throw BrowserInputError("the new location is empty");
    const bool known = !c.scalar("select 1 from field_description where versuch_code=?", {oldCode}).isNull() ||
                       (c.tableExists("experiments") && !c.scalar("select 1 from experiments where vcode=?", {oldCode}).isNull());
    if (!known) throw BrowserInputError("experiment " + oldCode + " does not exist");
    if (codeText != oldCode) {
        const bool taken = !c.scalar("select 1 from field_description where versuch_code=?", {codeText}).isNull() ||
                           (c.tableExists("experiments") &&
                            !c.scalar("select 1 from experiments where vcode=? or exp_id=?", {codeText, code}).isNull());
        if (taken) throw BrowserInputError("experiment code " + codeText + " is in use by another experiment", "OPERATION DENIED");
    }
    return all_or_nothing(c, dryRun, [&](ChangeReport& r) {
        if (c.tableExists("experiments"))
            r.add("experiments", c.execute("update experiments set vcode=?, exp_id=?, location=? where vcode=?",
                                           {codeText, code, newLocation, oldCode}));
        r.add("field_description", c.execute("update field_description set versuch_code=?, location=? where versuch_code=?",
                                             {codeText, newLocation, oldCode}));
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
