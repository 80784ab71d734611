#include "engine/preparation/carbon_input.h"

#include "engine/preparation/event_plot_years.h"
#include "engine/preparation/stored_order.h"
#include "engine/preparation/plot_selection.h"
#include "engine/preparation/prep_context.h"

#include "db/connection.h"
#include "db/scoped_functions.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace vt::engine {

namespace {

// How the statements keep to the events of the selected plots (site_state.status=1).
struct Selection {
    enum Kind {
        // A join with site_state: an event meets each of its plot's rows (the only exact
        // form of a join when a plot is listed more than once; `condition` still serves
        // statements that only count or select events).
        Join,
        // Each plot is listed at most once: a test of the event's plot against the
        // selected plots (`condition`) replaces the search of site_state for every event.
        Member,
        // ... and every event belongs to a selected plot: no test at all.
        All,
    };
    Kind kind = Join;
    std::string condition;
};

// Every event of cultivation belongs to a plot that `condition` (over cultivation.FL_ID)
// keeps. With the plots a range (`range`, as `condition` tests it) and an index of cultivation leading with FL_ID, the
// distinct plot ids are walked through the index, one seek each (a few thousand for a
// region), and each is tested as the condition tests an event; otherwise the events that
// the condition keeps are counted, which reads the whole plot index.
bool every_event_selected(const PrepContext& p, const std::optional<PlotRange>& range, const std::string& condition)
{
    if (range && has_index_leading_with(p.db, "cultivation", {"FL_ID"}))
        return p.db.scalar("SELECT NOT EXISTS (SELECT 1 FROM cultivation WHERE FL_ID IS NULL) AND NOT EXISTS ("
                           "WITH RECURSIVE plot(id) AS (SELECT (SELECT FL_ID FROM cultivation WHERE FL_ID IS NOT NULL"
                           " ORDER BY FL_ID LIMIT 1) UNION ALL SELECT (SELECT FL_ID FROM cultivation"
                           " WHERE FL_ID > plot.id ORDER BY FL_ID LIMIT 1) FROM plot WHERE plot.id IS NOT NULL)"
                           " SELECT 1 FROM plot WHERE plot.id IS NOT NULL AND NOT (" +
                           plot_range_condition(*range, "plot.id") + "))")
                   .toInt() != 0;
    return p.db.scalar("SELECT (SELECT count(*) FROM cultivation) = (SELECT count(*) FROM cultivation WHERE " + condition +
                       ")")
               .toInt() != 0;
}

// A walk of the events ordered by plot and year meets them in the order of their row ids
// when they lie in plot-year order: the walk follows an index (at least one leads with
// FL_ID), and every index that leads with FL_ID holds FL_ID and year alone, ascending, so
// that events of the same plot-year follow their row ids in it too.
bool ordered_walk_follows_rowids(db::Connection& c)
{
    bool any = false;
    for (const IndexKeys& index : index_keys(c, "cultivation")) {
        if (index.columns.empty() || index.columns[0] != "fl_id") continue;
        if (index.partial || index.descending || index.columns.size() != 2 || index.columns[1] != "year") return false;
        any = true;
    }
    return any;
}

Selection selection(const PrepContext& p)
{
    const std::optional<PlotRange> range = selected_plot_range(p.db);
    Selection s{Selection::Member, selected_plot_condition(range, "cultivation.FL_ID")};
    if (p.db.scalar("SELECT EXISTS (SELECT 1 FROM site_state GROUP BY FL_ID HAVING count(*) > 1)").toInt() != 0) {
        s.kind = Selection::Join;
        return s;
    }
    if (every_event_selected(p, range, s.condition)) s.kind = Selection::All;
    return s;
}

// " AND " + the test that keeps an event to the selected plots, when one is needed.
std::string and_selected(const Selection& s) { return s.kind == Selection::All ? std::string() : " AND " + s.condition; }

// Events of the selected plots joined to `joined` (a table and its ON clause), up to the
// WHERE clause (continued by " AND ..."), in the order of the events unless `sorted` (the
// statement sorts them itself). Without the join with site_state an unsorted scan of
// cultivation is kept from following its plot index (the order of the plots instead of the
// events) by NOT INDEXED.
std::string selected_events(const Selection& s, const std::string& joined, bool sorted = false)
{
    if (s.kind == Selection::Join)
        return " FROM cultivation CROSS JOIN " + joined +
               " CROSS JOIN site_state ON cultivation.FL_ID = site_state.FL_ID WHERE site_state.status=1";
    return std::string(" FROM cultivation") + (sorted ? "" : " NOT INDEXED") + " CROSS JOIN " + joined + " WHERE 1" +
           and_selected(s);
}

// Crop events of the selected plots with their crop and its organic substance (`crop`,
// see with_crop).
std::string selected_crop_events(const Selection& s, bool sorted = false)
{
    return selected_events(s, "crop ON cultivation.Item_IX = crop.ITEM_IX", sorted);
}

// The crops (gldpflan) joined to the organic substance (gldopspa) their column `link` names,
// with `columns`, as a small table `crop`: an event then finds its crop and substance with
// one search in an index built once instead of a search in each table and its rows. Crops
// and substances are unique by their primary keys, so an event meets at most one pair, as
// in a join of the two tables, and the rows keep the order of the events.
std::string crop_select(const std::string& link, const std::string& columns)
{
    return "SELECT gldpflan.ITEM_IX AS ITEM_IX, " + columns + " FROM gldpflan INNER JOIN gldopspa ON gldpflan." + link +
           " = gldopspa.item_ix";
}

std::string with_crop(const std::string& link, const std::string& columns)
{
    return "WITH crop AS MATERIALIZED (" + crop_select(link, columns) + ") ";
}

// The affinity SQLite derives from a declared column type is REAL.
bool real_affinity(std::string type)
{
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto has = [&](const char* s) { return type.find(s) != std::string::npos; };
    if (has("INT") || has("CHAR") || has("CLOB") || has("TEXT") || has("BLOB") || type.empty()) return false;
    return has("REAL") || has("FLOA") || has("DOUB");
}

// A model quantity of the selected events: `value` computed from the parameter table
// `table` whose key `key` the events name in Item_IX, for the events `events`.
struct ModelQuantity {
    const char* label;
    const char* value;
    const char* table;
    const char* key;
    const char* events;
};

// The value of a parameter table for an event as a short CASE list over cultivation.Item_IX
// with the table's values bound: `expression` (naming columns of the table as
// `name`.column) for each key, NULL for an event whose item the table lacks. A few
// comparisons per event cost less than a search of the table per event. Only for a small
// table (`name`, or `from` read as `name`) whose keys are distinct integers (compared with
// Item_IX as a join on the key compares them) and whose values are numbers or NULL (bound
// unchanged); nothing otherwise.
struct ItemCase {
    std::string sql;
    std::vector<db::Value> params;
    std::vector<db::Value> keys;

    // The condition that an event's item is in the table, with its values in `params`.
    std::string listed(std::vector<db::Value>& params) const
    {
        std::string sql = "CASE cultivation.Item_IX";
        for (const db::Value& k : keys) {
            sql += " WHEN ? THEN 1";
            params.push_back(k);
        }
        return sql + " END";
    }
};

std::optional<ItemCase> item_case(const PrepContext& p, const std::string& name, const std::string& key,
                                  const std::string& expression, const std::string& from = {})
{
    constexpr long long kMaxItems = 24;
    const std::string source = from.empty() ? name : from;
    const long long items = p.db.scalar("SELECT count(*) FROM " + source).toInt();
    if (items == 0 || items > kMaxItems) return std::nullopt;
    // The table's columns in `expression`, where they stand and what they are.
    const std::string prefix = name + ".";
    std::vector<std::pair<std::size_t, std::size_t>> at;  // start, length
    std::string columns;
    for (std::size_t i = expression.find(prefix); i != std::string::npos; i = expression.find(prefix, i + 1)) {
        std::size_t end = i + prefix.size();
        while (end < expression.size() &&
               (std::isalnum(static_cast<unsigned char>(expression[end])) != 0 || expression[end] == '_'))
            ++end;
        at.emplace_back(i, end - i);
        columns += ", " + expression.substr(i, end - i);
    }
    ItemCase c{"CASE cultivation.Item_IX", {}, {}};
    for (db::Cursor row = p.db.query("SELECT " + name + "." + key + columns + " FROM " + source); !row.eof();
         row.next()) {
        const db::Value k = row.field(0);
        if (!k.isInteger() || std::find(c.keys.begin(), c.keys.end(), k) != c.keys.end()) return std::nullopt;
        c.keys.push_back(k);
        c.params.push_back(k);
        c.sql += " WHEN ? THEN ";
        std::size_t done = 0;
        for (std::size_t i = 0; i < at.size(); ++i) {
            const db::Value v = row.field(static_cast<int>(i) + 1);
            if (!v.isNull() && !v.isNumber()) return std::nullopt;
            c.params.push_back(v);
            c.sql += expression.substr(done, at[i].first - done) + "?";
            done = at[i].first + at[i].second;
        }
        c.sql += expression.substr(done);
    }
    c.sql += " END";
    return c;
}

// Sets cultivation.Sim_Quantity of the selected events and logs how many there are.
// A repeated run finds nearly every value already in place, and rewriting a row with an
// equal value costs nearly as much as changing it; one read pass counts the events and
// finds whether any value differs, and only the differing rows are written. This holds exactly
// when the column's REAL affinity stores an equal value identically and the parameter
// table's key is unique (each event has at most one value); otherwise every event is
// written as by a plain update.
class ModelQuantities {
public:
    ModelQuantities(const PrepContext& p, bool realColumn, Selection selected)
        : p_(p), realColumn_(realColumn), selected_(selected)
    {
    }

    // Both quantities (their events apart, so that setting one leaves the other's count and
    // comparison as they were). Their counts come from one pass over cultivation with
    // the parameters as CASE lists when both tables allow them, else from a pass each.
    void set(const ModelQuantity& a, const ModelQuantity& b)
    {
        const bool ua = uniqueKey(a);
        const bool ub = uniqueKey(b);
        const std::optional<ItemCase> ca = ua ? item_case(p_, a.table, a.key, differs(a)) : std::nullopt;
        const std::optional<ItemCase> cb = ub && ca ? item_case(p_, b.table, b.key, differs(b)) : std::nullopt;
        if (!cb) {
            set(a, ua);
            set(b, ub);
            return;
        }
        std::vector<db::Value> params = ca->params;
        params.insert(params.end(), cb->params.begin(), cb->params.end());
        // The pass counts through a function that keeps the tallies and lets no row through:
        // a third less than aggregates over a subquery of the two values.
        Tally tally;
        {
            db::ScopedFunctions functions(p_.db.handle(), &tally);
            functions.define("vt_quantity_tally", 2, &Tally::add);
            p_.db.execute("SELECT count(*) FROM cultivation WHERE 1" + and_selected(selected_) +
                              " AND vt_quantity_tally(CASE WHEN " + std::string(a.events) + " THEN " + ca->sql + " END,"
                              " CASE WHEN " + std::string(b.events) + " THEN " + cb->sql + " END)",
                          params);
        }
        write(a, tally.events[0], tally.differing[0]);
        write(b, tally.events[1], tally.differing[1]);
    }

private:
    // Per quantity, its events (a comparison that is not NULL) and those whose value
    // differs (a comparison that is 1).
    struct Tally {
        long long events[2] = {0, 0};
        long long differing[2] = {0, 0};

        static void add(sqlite3_context* ctx, int n, sqlite3_value** v)
        {
            auto* t = static_cast<Tally*>(sqlite3_user_data(ctx));
            for (int i = 0; i < n && i < 2; ++i) {
                if (sqlite3_value_type(v[i]) == SQLITE_NULL) continue;
                ++t->events[i];
                t->differing[i] += sqlite3_value_int64(v[i]);
            }
            sqlite3_result_int(ctx, 0);
        }
    };

    static std::string differs(const ModelQuantity& q) { return "cultivation.Sim_Quantity IS NOT " + std::string(q.value); }

    // With each plot listed at most once in site_state an event meets its plot's row at most
    // once: the test of the selection (none when every event is selected) updates the same
    // events as the join, without a search of site_state per event.
    std::string update(const ModelQuantity& q) const
    {
        const std::string t = q.table;
        const std::string set = "UPDATE cultivation SET Sim_Quantity = " + std::string(q.value) + " FROM " + t;
        const std::string item = "cultivation.Item_IX = " + t + "." + q.key + " AND " + q.events;
        if (selected_.kind != Selection::Join) return set + " WHERE " + item + and_selected(selected_);
        return set + ", site_state WHERE " + item + " AND cultivation.FL_ID = site_state.FL_ID AND site_state.status=1";
    }

    bool uniqueKey(const ModelQuantity& q) const
    {
        return realColumn_ && p_.db.scalar("SELECT NOT EXISTS (SELECT 1 FROM " + std::string(q.table) + " GROUP BY " +
                                           q.key + " HAVING count(*) > 1)")
                                      .toInt() != 0;
    }

    void set(const ModelQuantity& q, bool uniqueKey) const
    {
        if (!uniqueKey) {
            p_.runLogged(q.label, update(q));
            return;
        }
        const std::string t = q.table;
        db::Cursor c = p_.db.query("SELECT count(*), coalesce(sum(" + differs(q) + "), 0) FROM cultivation INNER JOIN " +
                                   t + " ON cultivation.Item_IX = " + t + "." + q.key + " WHERE " + q.events +
                                   and_selected(selected_));
        write(q, c.field(0).toInt(), c.field(1).toInt());
    }

    // Writes the differing values of `events` events.
    void write(const ModelQuantity& q, long long events, long long differing) const
    {
        // A first run changes every value and needs no comparison per row.
        if (differing == events && events > 0)
            p_.run(update(q));
        else if (differing > 0)
            p_.run(update(q) + " AND " + differs(q));
        p_.log(q.label + std::to_string(events));
        p_.checkStop();
    }

    const PrepContext& p_;
    bool realColumn_;
    Selection selected_;
};

} // namespace

const char* event_share_sql(bool regional)
{
    return regional ? "iif(cultivation.part>0, cultivation.part, 100)"
                    : "iif(cultivation.FL_ID_alt>0, cultivation.FL_ID_alt, 100)";
}

void build_carbon_input(const PrepContext& p)
{
    const Selection selected = selection(p);
    // Carbon of organic amendments and nitrogen of harvested crops as the model uses them.
    const bool realColumn =
        real_affinity(p.db.scalar("SELECT type FROM pragma_table_info('cultivation') WHERE name = 'Sim_Quantity'"
                                  " COLLATE NOCASE")
                          .toString());
    ModelQuantities(p, realColumn, selected)
        .set({"sql 2:", "cultivation.Quantity*100*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS", "gldopspa", "item_ix",
              "cultivation.Macode=3"},
             {"sql 3:", "cultivation.Quantity*gldpflan.N_Gehalt", "gldpflan", "ITEM_IX",
              "(cultivation.Macode=2 OR cultivation.Macode=9)"});

    const std::string share = event_share_sql(p.regional);

    // Reproduced carbon of harvest residues and roots, organic amendments and by-products.
    const std::string ewrColumns =
        "gldpflan.FEWR AS FEWR, gldpflan.CEWR AS CEWR, gldopspa.CNR_ALT AS CNR_ALT, gldopspa.ETA AS ETA";
    const std::string ewrCrep = "(cultivation.Sim_Quantity*crop.FEWR+crop.CEWR)*crop.CNR_ALT*crop.ETA";
    const std::string odCrep = "cultivation.Sim_Quantity*gldopspa.ETA";
    const std::string kopColumns =
        "gldpflan.HI AS HI, gldopspa.TS_GEHALT AS TS_GEHALT, gldopspa.C_GEH_TS AS C_GEH_TS, gldopspa.ETA AS ETA";
    const std::string kopCrep = "cultivation.Quantity*crop.HI*crop.TS_GEHALT*crop.C_GEH_TS*crop.ETA*100";
    // With each plot listed once, the few crops and substances are read as CASE lists; an
    // event's item then equals the key it matches (integers both), and Item_IX stands for it.
    std::optional<ItemCase> ewr, od, kop;
    if (selected.kind != Selection::Join) {
        ewr = item_case(p, "crop", "ITEM_IX", ewrCrep, "(" + crop_select("ewr_ix", ewrColumns) + ") AS crop");
        od = item_case(p, "gldopspa", "item_ix", odCrep);
        kop = item_case(p, "crop", "ITEM_IX", kopCrep, "(" + crop_select("kop_ix", kopColumns) + ") AS crop");
    }
    // The sources of `events` read through `c`, in the order of the events, with their values.
    const auto listedSources = [&](const ItemCase& c, const char* id, const char* events, std::vector<db::Value>& params) {
        params = c.params;
        return "SELECT cultivation.FL_ID AS FL_ID, " + share + " AS FLA, cultivation.[year] AS year_,"
               " cultivation.Item_IX AS ITEM_IX, " + c.sql + " AS Crep, cultivation.Macode AS Macode, '" + id + "' AS id_"
               " FROM cultivation NOT INDEXED WHERE " + events + " AND " + c.listed(params) + and_selected(selected);
    };
    const auto logged = [&](const std::string& label, long long rows) {
        p.log(label + std::to_string(rows));
        p.checkStop();
    };
    const std::string insert = "INSERT INTO crep_h1 (FL_ID, FLA, year_, ITEM_IX, Crep, Macode, id_) ";
    std::vector<db::Value> params;
    if (ewr) {
        const std::string select = listedSources(*ewr, "EWR", "cultivation.Macode IN (2,9)", params);
        p.drop("crep_h1");
        p.db.execute("CREATE TABLE crep_h1 AS " + select, params);
        logged("CREP_ewr:", p.rowCount("crep_h1"));
    } else {
        p.rebuildLogged("CREP_ewr:", "crep_h1",
                        with_crop("ewr_ix", ewrColumns) +
                            "SELECT cultivation.FL_ID AS FL_ID, " + share + " AS FLA, cultivation.[year] AS year_,"
                            " crop.ITEM_IX AS ITEM_IX, " + ewrCrep + " AS Crep, cultivation.Macode AS Macode, 'EWR' AS id_" +
                            selected_crop_events(selected) + " AND cultivation.Macode IN (2,9)");
    }
    if (od) {
        const std::string select = listedSources(*od, "OD", "cultivation.Macode=3", params);
        logged(" CREP_od:", p.db.execute(insert + select, params));
    } else {
        p.runLogged(" CREP_od:",
                    insert + "SELECT cultivation.FL_ID, " + share + ", cultivation.[year], gldopspa.item_ix, " + odCrep +
                        ", cultivation.Macode, 'OD'" +
                        (selected.kind == Selection::Join
                             ? " FROM (cultivation INNER JOIN site_state ON cultivation.FL_ID = site_state.FL_ID)"
                               " INNER JOIN gldopspa ON cultivation.Item_IX = gldopspa.item_ix WHERE site_state.status=1"
                             : selected_events(selected, "gldopspa ON cultivation.Item_IX = gldopspa.item_ix")) +
                        " AND cultivation.Macode=3");
    }
    if (kop) {
        const std::string select = listedSources(*kop, "KP", "cultivation.Macode=9", params);
        logged("  CREP_kop:", p.db.execute(insert + select, params));
    } else {
        p.runLogged("  CREP_kop:", insert + with_crop("kop_ix", kopColumns) + "SELECT cultivation.FL_ID, " + share +
                                       ", cultivation.[year], crop.ITEM_IX, " + kopCrep + ", cultivation.Macode, 'KP'" +
                                       selected_crop_events(selected) + " AND cultivation.Macode=9");
    }

    // One row per plot-year with any source; the initial observations are marked in it.
    // Every source belongs to a selected plot: when each plot is listed once in site_state,
    // the join with it keeps every source once and in its place, and is left out; every
    // source has its id_, so that count(*) counts what Count(id_) counts without sorting id_.
    const auto yearly = [](const char* n) {
        return std::string("SELECT crep_h1.FL_ID AS FL_ID, crep_h1.year_ AS year_0,"
                           " Sum(crep_h1.Crep*crep_h1.FLA/100.0) AS Crep, ") +
               n + " AS n, crep_h1.year_+1 AS year_1, -99.9999 AS Corg, -99.9999 AS Norg FROM crep_h1";
    };
    p.rebuildLogged("crep_year:", "crep_year",
                    selected.kind == Selection::Join
                        ? yearly("Count(crep_h1.id_)") +
                              " INNER JOIN site_state ON crep_h1.FL_ID = site_state.FL_ID"
                              " GROUP BY crep_h1.FL_ID, crep_h1.year_, site_state.status HAVING site_state.status=1"
                        : yearly("count(*)") + " GROUP BY crep_h1.FL_ID, crep_h1.year_");
    // The initial observations reach crep_year through a lookup of the few initial values
    // instead of a search of every observation of the plot per plot-year. An update with
    // several matching observations keeps the last one (the highest meas_ID); so does the
    // lookup. When their years are integers, only the plot-years within them (mostly the
    // first year) are looked up.
    for (const auto& [label, column, code] : {std::tuple{"corg updates:", "Corg", "7"}, {"Norg updates:", "Norg", "0"}}) {
        const std::string initial = std::string(" FROM measurements WHERE M_IX=") + code + " AND year_number=0";
        std::string years;
        {
            db::Cursor c = p.db.query("SELECT min([year]), max([year]), count(*) = count(CASE WHEN typeof([year])='integer'"
                                      " THEN 1 END)" + initial);
            if (c.field(2).toInt() != 0 && c.field(0).isInteger() && c.field(1).isInteger())
                years = " AND crep_year.year_0 BETWEEN " + std::to_string(c.field(0).toInt()) + " AND " +
                        std::to_string(c.field(1).toInt());
        }
        p.runLogged(label, std::string("UPDATE crep_year SET ") + column +
                               " = initial.meas_value FROM (SELECT FL_ID, [year], meas_value, max(meas_ID)" + initial +
                               " GROUP BY FL_ID, [year]) AS initial"
                               " WHERE crep_year.FL_ID = initial.FL_ID AND crep_year.year_0 = initial.[year]" + years);
    }

    // Harvest residues and roots of every crop event, for the fresh organic matter.
    const std::string part = p.regional ? "cultivation.part" : "100";
    const std::string nEwr = "(crop.CEWR+cultivation.Sim_Quantity*crop.FEWR)";
    // The ordered walk meets the events of a plot-year in the order of their row ids: a scan
    // gives the same rows, in stored order when the events lie in plot-year order by row id,
    // else sorted by plot, year and row id. Sorting the scanned rows costs a fraction of the
    // walk's table seek per event when the events are stored in another order.
    const bool scanInOrder = selected.kind != Selection::Join && ordered_walk_follows_rowids(p.db);
    const bool storedInOrder = scanInOrder && p.eventPlotYears && p.eventPlotYears->inStoredOrder();
    p.rebuildLogged("crop_er :", "_cropping_dt",
                    with_crop("ewr_ix", "gldpflan.CEWR AS CEWR, gldpflan.FEWR AS FEWR, gldpflan.NAME AS NAME,"
                                        " gldopspa.item_ix AS substance_ix, gldopspa.K AS K, gldopspa.ETA AS ETA,"
                                        " gldopspa.CNR AS CNR, gldopspa.CNR_alt AS CNR_alt") +
                        "SELECT cultivation.FL_ID AS FL_ID, " + part + " AS part, cultivation.[year] AS year_,"
                        " cultivation.Macode AS Macode, cultivation.Sim_Quantity AS yield, crop.ITEM_IX AS crop_ix, " +
                        nEwr + " AS N_ewr, " + nEwr + "*crop.CNR AS c_ewr, crop.K AS K, crop.ETA AS ETA,"
                        " crop.CNR AS CNR, crop.CNR_alt AS CNR_alt, crop.NAME AS name_, " +
                        nEwr + "*crop.CNR*crop.ETA AS Crep, crop.substance_ix AS item_ix" +
                        selected_crop_events(selected, !scanInOrder) + " AND cultivation.Macode IN (0,2,9) ORDER BY " +
                        (storedInOrder ? "cultivation.rowid"
                         : scanInOrder ? "cultivation.FL_ID, cultivation.[year], cultivation.rowid"
                                       : "cultivation.FL_ID, cultivation.[year]"));
}

} // namespace vt::engine
