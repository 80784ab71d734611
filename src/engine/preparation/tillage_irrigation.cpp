#include "engine/preparation/tillage_irrigation.h"

#include "engine/preparation/event_plot_years.h"
#include "base/key_hash.h"

#include "engine/preparation/plot_selection.h"
#include "engine/preparation/prep_context.h"
#include "engine/preparation/run_indexes.h"
#include "engine/preparation/time_span.h"

#include "db/connection.h"
#include "db/scoped_functions.h"
#include "db/db_error.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace vt::engine {

namespace {

// The irrigation pattern rows, each valid in the years yr <= year < yr_mx.
const char* const kPatternRows =
    "SELECT FL_ID, yr, yr_mx, quantity, part, rowid FROM tmp_tirg_pattern WHERE Macode=7 AND yr < yr_mx";

// The irrigation events (FL_ID, yr, Quantity, part) of each plot's last pattern year, the
// last entered of each plot-year.
std::string last_year_irrigation(const std::string& share)
{
    return "SELECT FL_ID, yr, Quantity, part FROM ("
           "SELECT cultivation.FL_ID AS FL_ID, cultivation.[year] AS yr, Max(cultivation.rowid),"
           " cultivation.Quantity AS Quantity, " + share + " AS part"
           " FROM tmp_last_tillage CROSS JOIN cultivation ON cultivation.FL_ID = tmp_last_tillage.fl_id"
           " AND cultivation.[year] = tmp_last_tillage.max_yr"
           " WHERE cultivation.Macode=7 GROUP BY cultivation.FL_ID, cultivation.[year])";
}

// The irrigation of every plot-year that has one (FL_ID, yr, iramnt, irarea): the years
// yr <= year < yr_mx of each irrigation pattern row, and the year max_yr of a plot with an
// irrigation event in it. The two never meet: no pattern row reaches its plot's max_yr.
// Where several rows claim one plot-year the last of them counts (the pattern row, or the
// event, with the highest rowid), as when each claim was written over the one before.
std::string irrigation_years(const std::string& share)
{
    return "pattern_year(FL_ID, yr, yr_mx, quantity, part, rid) AS (" + std::string(kPatternRows) +
           " UNION ALL SELECT FL_ID, yr + 1, yr_mx, quantity, part, rid FROM pattern_year WHERE yr + 1 < yr_mx),"
           " irrigation(FL_ID, yr, iramnt, irarea) AS ("
           "SELECT FL_ID, yr, quantity, part FROM ("
           "SELECT FL_ID, yr, Max(rid), quantity, part FROM pattern_year GROUP BY FL_ID, yr)"
           " UNION ALL " + last_year_irrigation(share) + ")";
}

// The distinct notill values of the selected plots that have a description.
const char* const kPlotNotill = "plot(FL_ID, notill) AS (SELECT FL_ID, notill FROM field_description"
                                " WHERE FL_ID IN (SELECT FL_ID FROM site_state WHERE status=1) GROUP BY FL_ID, notill)";

// The notill value and the irrigation of a plot-year as functions of the statement that
// writes tmp_tirgint, in place of a search of the plots and of the irrigated years for
// each of its rows (two automatic indexes and two seeks per row). The years of each
// pattern row are counted out here rather than by a recursive query and a grouping. It
// holds when plot and years are integers, each plot has one notill value that is a number
// or empty, and each plot-year at most one irrigation; load() says whether they do. A row
// whose plot it does not know marks the result as unusable (missed()), and the joins redo
// the table.
class PlotYearLookup {
public:
    explicit PlotYearLookup(db::Connection& c) : db_(c.handle()) {}
    ~PlotYearLookup()
    {
        functions_.reset();
        for (auto& [key, v] : notill_) sqlite3_value_free(v);
        for (auto& [key, v] : irrigation_) {
            sqlite3_value_free(v.first);
            sqlite3_value_free(v.second);
        }
    }
    PlotYearLookup(const PlotYearLookup&) = delete;
    PlotYearLookup& operator=(const PlotYearLookup&) = delete;

    bool load(const std::string& lastYearEvents)
    {
        bool ok = read("WITH " + std::string(kPlotNotill) + " SELECT FL_ID, notill FROM plot", [&](sqlite3_stmt* s) {
            if (sqlite3_column_type(s, 0) != SQLITE_INTEGER) return true;  // meets no plot-year
            const int t = sqlite3_column_type(s, 1);
            if (t != SQLITE_INTEGER && t != SQLITE_FLOAT && t != SQLITE_NULL) return false;
            sqlite3_value* v = sqlite3_value_dup(sqlite3_column_value(s, 1));
            if (!notill_.emplace(sqlite3_column_int64(s, 0), v).second) {
                sqlite3_value_free(v);
                return false;
            }
            return true;
        });
        // The years of each pattern row, the row entered last winning a year claimed twice.
        std::unordered_map<Key, std::int64_t, KeyHash> claimedBy;
        ok = ok && read(kPatternRows, [&](sqlite3_stmt* s) {
            if (sqlite3_column_type(s, 0) != SQLITE_INTEGER || sqlite3_column_type(s, 1) != SQLITE_INTEGER ||
                sqlite3_column_type(s, 2) != SQLITE_INTEGER)
                return false;
            const std::int64_t plot = sqlite3_column_int64(s, 0), until = sqlite3_column_int64(s, 2);
            const std::int64_t row = sqlite3_column_int64(s, 5);
            for (std::int64_t year = sqlite3_column_int64(s, 1); year < until; ++year) {
                const auto [claim, fresh] = claimedBy.emplace(key(plot, year), row);
                if (!fresh) {
                    if (claim->second > row) continue;
                    claim->second = row;
                }
                set(key(plot, year), sqlite3_column_value(s, 3), sqlite3_column_value(s, 4));
            }
            return true;
        });
        ok = ok && read(lastYearEvents, [&](sqlite3_stmt* s) {
            if (sqlite3_column_type(s, 0) != SQLITE_INTEGER || sqlite3_column_type(s, 1) != SQLITE_INTEGER) return false;
            const Key k = key(sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1));
            if (irrigation_.count(k)) return false;  // a year of the pattern: both rows would be joined
            set(k, sqlite3_column_value(s, 2), sqlite3_column_value(s, 3));
            return true;
        });
        if (!ok) return false;
        functions_.emplace(db_, this);
        functions_->define("vt_plot_notill", 1, &PlotYearLookup::notill);
        functions_->define("vt_plot_iramnt", 2, &PlotYearLookup::iramnt);
        functions_->define("vt_plot_irarea", 2, &PlotYearLookup::irarea);
        return true;
    }

    bool missed() const { return missed_; }

private:
    // Plot and year in one key; years of a plot's records lie far inside 32 bits.
    struct Key {
        std::int64_t plot, year;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            return base::hash_pair(k.plot, k.year);
        }
    };
    static Key key(std::int64_t plot, std::int64_t year) { return {plot, year}; }

    // The irrigation of plot-year `k`, in place of any earlier one.
    void set(const Key& k, sqlite3_value* amount, sqlite3_value* share)
    {
        auto& v = irrigation_[k];
        sqlite3_value_free(v.first);
        sqlite3_value_free(v.second);
        v = {sqlite3_value_dup(amount), sqlite3_value_dup(share)};
    }

    template <class Row>
    bool read(const std::string& sql, Row row)
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(s);
            return false;
        }
        int rc;
        bool ok = true;
        while (ok && (rc = sqlite3_step(s)) == SQLITE_ROW) ok = row(s);
        sqlite3_finalize(s);
        return ok && rc == SQLITE_DONE;
    }

    static void notill(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        auto* self = static_cast<PlotYearLookup*>(sqlite3_user_data(ctx));
        if (sqlite3_value_type(args[0]) == SQLITE_INTEGER) {
            const auto found = self->notill_.find(sqlite3_value_int64(args[0]));
            if (found != self->notill_.end()) {
                sqlite3_result_value(ctx, found->second);
                return;
            }
        }
        self->missed_ = true;
        sqlite3_result_null(ctx);
    }

    // The irrigation value `which` (0 amount, 1 share) of the plot-year, 0 without one.
    static void irrigation(sqlite3_context* ctx, sqlite3_value** args, int which)
    {
        auto* self = static_cast<PlotYearLookup*>(sqlite3_user_data(ctx));
        if (sqlite3_value_type(args[0]) == SQLITE_INTEGER && sqlite3_value_type(args[1]) == SQLITE_INTEGER) {
            const auto found = self->irrigation_.find(key(sqlite3_value_int64(args[0]), sqlite3_value_int64(args[1])));
            if (found == self->irrigation_.end())
                sqlite3_result_int(ctx, 0);
            else
                sqlite3_result_value(ctx, which == 0 ? found->second.first : found->second.second);
            return;
        }
        self->missed_ = true;
        sqlite3_result_null(ctx);
    }
    static void iramnt(sqlite3_context* ctx, int, sqlite3_value** args) { irrigation(ctx, args, 0); }
    static void irarea(sqlite3_context* ctx, int, sqlite3_value** args) { irrigation(ctx, args, 1); }

    sqlite3* db_;
    std::optional<db::ScopedFunctions> functions_;
    bool missed_ = false;
    std::unordered_map<std::int64_t, sqlite3_value*> notill_;
    std::unordered_map<Key, std::pair<sqlite3_value*, sqlite3_value*>, KeyHash> irrigation_;
};

// vt_next_event_year(plot, year): the next later year with an event of the plot, NULL when
// there is none; the plot-years come from the input check (user data), and plot and year of
// an event are whole numbers there.
void next_event_year(sqlite3_context* ctx, int, sqlite3_value** v)
{
    const auto* years = static_cast<const EventPlotYears*>(sqlite3_user_data(ctx));
    if (sqlite3_value_type(v[0]) == SQLITE_INTEGER && sqlite3_value_type(v[1]) == SQLITE_INTEGER)
        if (const auto next = years->nextYear(sqlite3_value_int64(v[0]), sqlite3_value_int64(v[1]))) {
            sqlite3_result_int64(ctx, *next);
            return;
        }
    sqlite3_result_null(ctx);
}

} // namespace

void build_tillage_irrigation(const PrepContext& p)
{
    ensure_cultivation_year_index(p);
    // Irrigation (7) and tillage (14) events count until the next year with any event.
    const std::string part = p.regional ? "cultivation.part" : "1";
    // The next later year of an event is one index seek per event (a join with all later
    // events of the plot made this the slowest step of a regional run). The events are read
    // in table order (NOT INDEXED: the index order only costs a lookup per row, the grouping
    // sorts anyway) and their next year is sought once each (MATERIALIZED: merged into the
    // outer query, the seek would run for the filter and again for the minimum). An event
    // of a plot listed twice in site_state counts once: the grouping merges its copies anyway.
    // With whole plot ids and years the input check has listed the plot-years (in whatever
    // order the events are stored), and the next one is looked up there.
    const std::string groupPart = p.regional ? ", part" : "";
    std::optional<db::ScopedFunctions> nextYearLookup;
    std::string nextYear = "(SELECT Min(later.[year]) FROM cultivation AS later"
                           " WHERE later.FL_ID = cultivation.FL_ID AND later.[year] > cultivation.[year])";
    if (p.eventPlotYears) {
        nextYearLookup.emplace(p.db.handle(), const_cast<EventPlotYears*>(p.eventPlotYears.get()));
        nextYearLookup->define("vt_next_event_year", 2, &next_event_year);
        nextYear = "vt_next_event_year(cultivation.FL_ID, cultivation.[year])";
    }
    p.rebuild("tmp_tirg_pattern",
              "WITH event AS MATERIALIZED (SELECT cultivation.FL_ID AS FL_ID, cultivation.Macode AS Macode,"
              " cultivation.Quantity AS quantity, cultivation.[year] AS yr, " + nextYear + " AS yr_mx, " + part + " AS part"
              " FROM cultivation NOT INDEXED WHERE cultivation.Macode IN (7,14) AND " +
                  selected_plot_condition(p.db, "cultivation.FL_ID") + ")"
              " SELECT FL_ID, Macode, quantity, yr, Min(yr_mx) AS yr_mx, part FROM event"
              " WHERE yr_mx IS NOT NULL GROUP BY FL_ID, yr, quantity, Macode" + groupPart);
    nextYearLookup.reset();
    p.rebuild("tmp_last_tillage", "SELECT fl_id AS fl_id, max(yr_mx) AS max_yr FROM tmp_tirg_pattern GROUP BY fl_id");

    // One row per selected plot, scenario year and distinct notill, in that order, with its
    // irrigation written at once: no irrigation is 0, and the share and amount of the
    // pattern or the last-year event otherwise. part stays at its -99.99 marker. One pass
    // instead of a placeholder table rewritten three times; the literals and CASE give the
    // columns the same (empty) declarations as the placeholders did.
    // tmp_time_scen lies in plot and year order, so walking it in rowid order with the plot's
    // notill values (grouped, hence ascending) as the inner loop needs no sorting.
    const std::string share = p.regional ? "cultivation.part" : "1";
    const std::string irrigation = irrigation_years(share);
    // Usually every plot has one notill value: each row then takes it and its irrigation
    // from the lookup, in the same order and with the same values and declarations (the
    // notill values are numbers, so CAST only gives the column its REAL type).
    {
        PlotYearLookup lookup(p.db);
        if (lookup.load(last_year_irrigation(share))) {
            p.rebuild("tmp_tirgint",
                      "SELECT fl_id AS FL_ID, yr AS [year], CAST(vt_plot_notill(fl_id) AS REAL) AS notill, -99.99 AS part,"
                      " vt_plot_iramnt(fl_id, yr) AS iramnt, vt_plot_irarea(fl_id, yr) AS irarea FROM tmp_time_scen");
            if (!lookup.missed()) {
                p.checkStop();
                return;
            }
        }
    }
    p.rebuild("tmp_tirgint",
              "WITH RECURSIVE " + irrigation + ", " + kPlotNotill +
              " SELECT plot.FL_ID AS FL_ID, tmp_time_scen.yr AS [year], plot.notill AS notill, -99.99 AS part,"
              " CASE WHEN irrigation.FL_ID IS NULL THEN 0 ELSE irrigation.iramnt END AS iramnt,"
              " CASE WHEN irrigation.FL_ID IS NULL THEN 0 ELSE irrigation.irarea END AS irarea"
              " FROM tmp_time_scen CROSS JOIN plot ON plot.FL_ID = tmp_time_scen.fl_id"
              " LEFT JOIN irrigation ON irrigation.FL_ID = tmp_time_scen.fl_id AND irrigation.yr = tmp_time_scen.yr");
    p.checkStop();
}

} // namespace vt::engine
