#include "engine/preparation/climate_tables.h"
#include "base/key_hash.h"

#include "db/connection.h"
#include "engine/preparation/prep_context.h"

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vt::engine {

namespace {

// The rows of eff_climate: every scenario year of every plot with a status above 0.
const std::string kPlotYears =
    " FROM (field_description INNER JOIN tmp_time_scen ON field_description.FL_ID = tmp_time_scen.fl_id)"
    " INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID WHERE site_state.status>0";

// Index names are shared by all tables of an SQLite database: the station table's
// indexes carry their table's name, and eff_climate falls back to such names when a
// database already uses clix or clix1 elsewhere.
void index_eff_climate(const PrepContext& p)
{
    if (!p.guarded("CREATE INDEX clix ON eff_climate (FL_ID, year_)"))
        p.guarded("CREATE INDEX eff_climate_clix ON eff_climate (FL_ID, year_)");
    if (!p.guarded("CREATE INDEX clix1 ON eff_climate (FL_ID)"))
        p.guarded("CREATE INDEX eff_climate_clix1 ON eff_climate (FL_ID)");
    p.log("eff_climate index created");
    if (p.guarded("CREATE INDEX climate_data_clix1 ON climate_data (climate_ID, [year])"))
        p.log("climate_data index created");
    if (p.guarded("CREATE INDEX climate_data_clix ON climate_data (climate_ID)")) p.log("climate_data index created");
}

// Whether every plot has one description and every station one row per year: then each
// plot-year finds at most one climate row of its own and one long-term row, and its
// values can be looked up while eff_climate is written.
bool one_climate_row_per_plot_year(const PrepContext& p)
{
    return p.db.scalar("SELECT NOT EXISTS (SELECT 1 FROM field_description GROUP BY FL_ID HAVING count(*)>1)"
                       " AND NOT EXISTS (SELECT 1 FROM climate_data GROUP BY climate_ID, [year] HAVING count(*)>1)")
               .toInt() != 0;
}

// beregnung_jsum written in the order of tmp_tirgint without grouping, for a tmp_tirgint in
// strictly ascending plot and year order with integer keys: every group then has one row,
// and its sum is 0 + the amount, as sum() adds it. The function irrigation_sum(FL_ID,
// year, amount) checks the order as the rows pass and fails the statement at the first
// row out of order; the sums are kept for eff_climate.
class IrrigationSums {
public:
    struct Sum {
        long long fl;
        long long yr;
        int type;  // SQLITE_NULL, SQLITE_INTEGER or SQLITE_FLOAT
        long long integer;
        double real;
    };

    // The sum of plot `fl` in year `yr`, or nullptr. Looked up in plot and year order
    // the next row is found without a search.
    const Sum* find(long long fl, long long yr)
    {
        const auto key = std::make_pair(fl, yr);
        if (next_ >= sums_.size() || std::make_pair(sums_[next_].fl, sums_[next_].yr) != key) {
            next_ = static_cast<std::size_t>(
                std::lower_bound(sums_.begin(), sums_.end(), key,
                                 [](const Sum& s, const std::pair<long long, long long>& k) {
                                     return std::make_pair(s.fl, s.yr) < k;
                                 }) -
                sums_.begin());
            if (next_ >= sums_.size() || std::make_pair(sums_[next_].fl, sums_[next_].yr) != key) return nullptr;
        }
        return &sums_[next_++];
    }

    bool outOfOrder() const { return outOfOrder_; }

    static void sum(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        auto* self = static_cast<IrrigationSums*>(sqlite3_user_data(ctx));
        const auto fl = integer_key(args[0]);
        const auto yr = integer_key(args[1]);
        const int type = sqlite3_value_type(args[2]);
        const bool ascending = fl && yr &&
                               (self->sums_.empty() || std::make_pair(self->sums_.back().fl, self->sums_.back().yr) <
                                                           std::make_pair(*fl, *yr));
        if (!ascending || type == SQLITE_TEXT || type == SQLITE_BLOB) {
            self->outOfOrder_ = true;
            sqlite3_result_error(ctx, "tmp_tirgint is not in plot and year order", -1);
            return;
        }
        Sum s{*fl, *yr, type, 0, 0.0};
        if (type == SQLITE_INTEGER) {
            s.integer = sqlite3_value_int64(args[2]);
            sqlite3_result_int64(ctx, s.integer);
        } else if (type == SQLITE_FLOAT) {
            s.real = 0.0 + sqlite3_value_double(args[2]);
            sqlite3_result_double(ctx, s.real);
        } else {
            sqlite3_result_null(ctx);
        }
        self->sums_.push_back(s);
    }

private:
    std::vector<Sum> sums_;
    std::size_t next_ = 0;
    bool outOfOrder_ = false;
};

// beregnung_jsum; returns its sums when they were written in order without grouping.
std::unique_ptr<IrrigationSums> build_irrigation_sums(const PrepContext& p)
{
    const std::string amount = p.regional ? "iramnt*irarea/100.0" : "iramnt";
    const std::string grouped =
        "SELECT FL_ID, [year] AS jahr, sum(" + amount + ") AS smenge FROM tmp_tirgint GROUP BY FL_ID, [year]";
    auto sums = std::make_unique<IrrigationSums>();
    if (!in_memory_lookups_allowed()) {
        p.rebuild("beregnung_jsum", grouped);
        return nullptr;
    }
    p.rebuild("beregnung_jsum", grouped + " LIMIT 0");
    try {
        ScopedFunctions functions(p.db.handle(), sums.get());
        functions.define("irrigation_sum", 3, &IrrigationSums::sum);
        p.run("INSERT INTO beregnung_jsum SELECT FL_ID, [year], irrigation_sum(FL_ID, [year], " + amount +
              ") FROM tmp_tirgint");
        return sums;
    } catch (const db::DbError&) {
        if (!sums->outOfOrder()) throw;
    }
    p.rebuild("beregnung_jsum", grouped);
    return nullptr;
}

// The values of eff_climate looked up in memory while tmp_time_scen is read in stored
// order: eff_row(fl_id, yr) is 1 for a plot-year of eff_climate (an integer FL_ID of a
// selected plot with a description) and finds its values, which eff_value(k, marker)
// then returns: k = 0 temperature, 1 precipitation, 2 irrigation, or the marker.
class EffectiveClimate {
public:
    // Nothing when a key of site_state or climate_data is neither an integer nor NULL or
    // a selected plot has two rows of site_state.
    static std::unique_ptr<EffectiveClimate> load(sqlite3* db, const PlotDescriptions& plots, IrrigationSums& sums)
    {
        auto e = std::unique_ptr<EffectiveClimate>(new EffectiveClimate(plots, sums));
        bool usable = true;
        for_each_row(db, "SELECT FL_ID FROM site_state WHERE status>0", [&](sqlite3_stmt* st) {
            const KeyKind kind = key_kind(sqlite3_column_value(st, 0));
            if (kind == KeyKind::Other || (kind == KeyKind::Integer && !e->selected_.insert(sqlite3_column_int64(st, 0)).second))
                usable = false;
        });
        if (!usable) return nullptr;
        for_each_row(db, "SELECT climate_ID, [year], temperature, precipitation FROM climate_data", [&](sqlite3_stmt* st) {
            const KeyKind station = key_kind(sqlite3_column_value(st, 0));
            const KeyKind year = key_kind(sqlite3_column_value(st, 1));
            if (station == KeyKind::Other || year == KeyKind::Other) usable = false;
            if (!usable || station == KeyKind::Null || year == KeyKind::Null) return;
            Climate c{store_value(sqlite3_column_value(st, 2)), store_value(sqlite3_column_value(st, 3))};
            if (!e->climate_.emplace(Key{sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1)}, std::move(c)).second)
                usable = false;
        });
        if (!usable) return nullptr;
        return e;
    }

    static void row(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        auto* self = static_cast<EffectiveClimate*>(sqlite3_user_data(ctx));
        sqlite3_result_int(ctx, self->find(args[0], args[1]) ? 1 : 0);
    }

    static void value(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        const auto* self = static_cast<const EffectiveClimate*>(sqlite3_user_data(ctx));
        switch (sqlite3_value_int(args[0])) {
        case 0:
            if (self->climate_row_) return sqlite3_result_value(ctx, self->climate_row_->temperature.get());
            break;
        case 1:
            if (self->climate_row_) return sqlite3_result_value(ctx, self->climate_row_->precipitation.get());
            break;
        default:
            if (const auto* s = self->irrigation_) {
                if (s->type == SQLITE_INTEGER) return sqlite3_result_int64(ctx, s->integer);
                if (s->type == SQLITE_FLOAT) return sqlite3_result_double(ctx, s->real);
                return sqlite3_result_null(ctx);
            }
        }
        sqlite3_result_value(ctx, args[1]);
    }

private:
    struct Climate {
        StoredValue temperature;
        StoredValue precipitation;
    };
    using Key = std::pair<long long, long long>;  // climate_ID, year
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            return base::hash_pair(k.first, k.second);
        }
    };

    EffectiveClimate(const PlotDescriptions& plots, IrrigationSums& sums) : plots_(plots), sums_(sums) {}

    const Climate* climate(long long station, long long year) const
    {
        const auto it = climate_.find(Key{station, year});
        return it == climate_.end() ? nullptr : &it->second;
    }

    // Whether the plot-year is a row of eff_climate; sets the values of the row.
    bool find(sqlite3_value* flValue, sqlite3_value* yrValue)
    {
        const auto fl = integer_key(flValue);
        if (!fl) return false;
        if (!plot_ || *fl != plotId_) {
            plot_ = selected_.count(*fl) ? plots_.find(*fl) : nullptr;
            plotId_ = *fl;
            longTerm_ = plot_ && plot_->climate ? climate(*plot_->climate, 0) : nullptr;
        }
        if (!plot_) return false;
        const auto yr = integer_key(yrValue);
        const Climate* own = plot_->climate && yr ? climate(*plot_->climate, *yr) : nullptr;
        climate_row_ = own ? own : longTerm_;
        irrigation_ = yr ? sums_.find(*fl, *yr) : nullptr;
        return true;
    }

    const PlotDescriptions& plots_;
    IrrigationSums& sums_;
    std::unordered_set<long long> selected_;
    std::unordered_map<Key, Climate, KeyHash> climate_;
    const PlotDescription* plot_ = nullptr;
    long long plotId_ = 0;
    const Climate* longTerm_ = nullptr;
    const Climate* climate_row_ = nullptr;
    const IrrigationSums::Sum* irrigation_ = nullptr;
};

// eff_climate written once with its values: the year's own climate, else the station's
// long-term row (year 0), else -99.99; the irrigation sum of the year, else -99.99.
// The plot-years are read in a subquery of their own (LIMIT keeps it from being merged
// into the lookups), so that the table's rows come in the order of the plain select.
std::string eff_climate_select()
{
    const auto climate = [](const std::string& column) {
        return "CASE WHEN year_climate.climate_ID IS NOT NULL THEN year_climate." + column +
               " ELSE (SELECT CASE WHEN count(*)>0 THEN max(long_term." + column +
               ") ELSE -99.99 END FROM climate_data AS long_term"
               " WHERE long_term.climate_ID = field_description.climate_ID AND long_term.[year] = 0) END";
    };
    return "SELECT plot_year.FL_ID AS FL_ID, " + climate("temperature") + " AS ltem, " + climate("precipitation") +
           " AS nied, CASE WHEN beregnung_jsum.FL_ID IS NOT NULL THEN beregnung_jsum.smenge ELSE -99.99 END AS irrig,"
           " 0 AS cyc, plot_year.yr AS year_"
           " FROM (SELECT field_description.FL_ID AS FL_ID, field_description.rowid AS description_row,"
           " tmp_time_scen.yr AS yr" +
           kPlotYears +
           " LIMIT -1) AS plot_year"
           " LEFT JOIN field_description ON field_description.rowid = plot_year.description_row"
           " LEFT JOIN climate_data AS year_climate ON year_climate.climate_ID = field_description.climate_ID"
           " AND year_climate.[year] = plot_year.yr"
           " LEFT JOIN beregnung_jsum ON beregnung_jsum.FL_ID = plot_year.FL_ID AND beregnung_jsum.jahr = plot_year.yr";
}

// The statement above as a walk through tmp_time_scen in stored order with the plots,
// the climate and the irrigation sums looked up in memory instead of six searches and a
// temporary index per row. Needs a plan that walks tmp_time_scen first (so that the rows
// come in the same order), integer keys and one row of site_state per selected plot;
// false (and nothing written) otherwise.
bool fill_eff_climate_from_memory(const PrepContext& p, const PlotDescriptions& plots, IrrigationSums& sums)
{
    const std::string select = eff_climate_select();
    if (!scans_first(p.db.handle(), select, "tmp_time_scen")) return false;
    const auto climate = unless_failing([&] { return EffectiveClimate::load(p.db.handle(), plots, sums); });
    if (!climate) return false;
    p.rebuild("eff_climate", select + " LIMIT 0");
    ScopedFunctions functions(p.db.handle(), climate.get());
    functions.define("eff_row", 2, &EffectiveClimate::row);
    functions.define("eff_value", 2, &EffectiveClimate::value);
    p.run("INSERT INTO eff_climate SELECT fl_id, eff_value(0, -99.99), eff_value(1, -99.99), eff_value(2, -99.99), 0, yr"
          " FROM tmp_time_scen WHERE eff_row(fl_id, yr)");
    return true;
}

// eff_climate in steps: placeholders, the repetition cycles, then the long-term climate,
// the year's own climate and the irrigation written over them.
void fill_eff_climate_in_steps(const PrepContext& p)
{
    p.rebuild("eff_climate",
              "SELECT field_description.FL_ID AS FL_ID, -99.99 AS ltem, -99.99 AS nied, -99.99 AS irrig, 0 AS cyc,"
              " tmp_time_scen.yr AS year_" +
                  kPlotYears);

    // Repetition cycles: the years with management events, shifted by k times the
    // number of recorded years.
    if (p.cfg.z_cnt > 0) {
        p.run("WITH RECURSIVE cycle(k) AS (SELECT 1 UNION ALL SELECT k+1 FROM cycle WHERE k < " +
              std::to_string(p.cfg.z_cnt) +
              "), span AS (SELECT FL_ID, count(year_) AS ycnt FROM eff_climate GROUP BY FL_ID),"
              " event_year AS (SELECT DISTINCT FL_ID, [year] AS yr FROM cultivation)"
              " INSERT INTO eff_climate (FL_ID, ltem, nied, irrig, cyc, year_)"
              " SELECT span.FL_ID, -99.99, -99.99, 0, cycle.k, event_year.yr + cycle.k*span.ycnt"
              " FROM span INNER JOIN event_year ON event_year.FL_ID = span.FL_ID, cycle");
    }
    index_eff_climate(p);

    // Long-term climate first, then the year's own values where the station has them.
    p.run("UPDATE eff_climate SET nied = climate_data.precipitation, ltem = climate_data.temperature"
          " FROM field_description INNER JOIN climate_data ON field_description.climate_ID = climate_data.climate_ID"
          " WHERE field_description.FL_ID = eff_climate.FL_ID AND climate_data.[year] = 0");
    p.run("UPDATE eff_climate SET nied = climate_data.precipitation, ltem = climate_data.temperature"
          " FROM field_description INNER JOIN climate_data ON field_description.climate_ID = climate_data.climate_ID"
          " WHERE field_description.FL_ID = eff_climate.FL_ID AND climate_data.[year] = eff_climate.year_");
    p.run("UPDATE eff_climate SET irrig = beregnung_jsum.smenge FROM beregnung_jsum"
          " WHERE beregnung_jsum.FL_ID = eff_climate.FL_ID AND beregnung_jsum.jahr = eff_climate.year_");
    if (p.cfg.z_cnt > 0) {
        // Irrigation of a cycle year repeats the event of its recorded year.
        const std::string amount =
            p.regional ? "cultivation.Quantity*cultivation.part/100.0" : "cultivation.Quantity";
        p.run("UPDATE eff_climate SET irrig = " + amount +
              " FROM cultivation INNER JOIN tmp_time_int ON cultivation.FL_ID = tmp_time_int.FL_ID"
              " WHERE cultivation.FL_ID = eff_climate.FL_ID AND cultivation.Macode=7"
              " AND cultivation.[year] = eff_climate.year_ - tmp_time_int.intl*eff_climate.cyc");
    }
}


// plot_mean_bat(FL_ID): the mw_BAT of a described plot.
void plot_mean_bat(sqlite3_context* ctx, int, sqlite3_value** args)
{
    const auto* plots = static_cast<const PlotDescriptions*>(sqlite3_user_data(ctx));
    const auto fl = integer_key(args[0]);
    if (const PlotDescription* plot = fl ? plots->find(*fl) : nullptr)
        sqlite3_result_value(ctx, plot->meanBat.get());
    else
        sqlite3_result_null(ctx);
}

} // namespace

ClimateTables build_climate_tables(const PrepContext& p)
{
    const auto sums = build_irrigation_sums(p);

    // Without cycles and with one climate row per plot-year the table is written once with
    // its values instead of being rewritten by three updates.
    std::shared_ptr<const PlotDescriptions> plots;
    if (p.cfg.z_cnt <= 0 && one_climate_row_per_plot_year(p)) {
        if (sums) {
            if (auto loaded = unless_failing([&] { return PlotDescriptions::load(p.db.handle()); }))
                plots = std::make_shared<const PlotDescriptions>(std::move(*loaded));
        }
        if (!plots || !fill_eff_climate_from_memory(p, *plots, *sums)) {
            plots.reset();
            p.rebuild("eff_climate", eff_climate_select());
        }
        index_eff_climate(p);
    } else {
        fill_eff_climate_in_steps(p);
    }

    ClimateTables tables;
    const std::string select =
        "SELECT eff_climate.FL_ID AS FL_ID, eff_climate.year_ AS year_, eff_climate.ltem AS ltem,"
        " eff_climate.nied AS nied, (eff_climate.irrig+eff_climate.nied) AS rain,"
        " field_description.mw_BAT AS mw_BAT"
        " FROM eff_climate INNER JOIN field_description ON eff_climate.FL_ID = field_description.FL_ID";
    // Every row of an eff_climate written from memory belongs to one described plot: the
    // mean BAT is looked up instead of joined.
    if (plots && scans_first(p.db.handle(), select, "eff_climate")) {
        p.rebuild("clim4sim", select + " LIMIT 0");
        ScopedFunctions functions(p.db.handle(), const_cast<PlotDescriptions*>(plots.get()));
        functions.define("plot_mean_bat", 1, &plot_mean_bat);
        tables.rows = p.run("INSERT INTO clim4sim SELECT FL_ID, year_, ltem, nied, (irrig+nied), plot_mean_bat(FL_ID)"
                            " FROM eff_climate");
        tables.plots = plots;
    } else {
        tables.rows = p.rebuild("clim4sim", select);
    }
    p.checkStop();
    return tables;
}

} // namespace vt::engine
