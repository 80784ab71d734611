#include "engine/preparation/bat_table.h"
#include "base/key_hash.h"

#include "db/connection.h"
#include "base/number_format.h"
#include "db/jet_functions.h"
#include "engine/preparation/climate_tables.h"
#include "engine/preparation/plot_lookup.h"
#include "engine/preparation/prep_context.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vt::engine {

namespace {

// The no-tillage share of a tillage event (code 14).
std::string tillage_share(bool regional)
{
    return regional ? "cultivation.part" : "iif(cultivation.FL_ID_alt>0, cultivation.FL_ID_alt, 100)";
}

const char* const kBatIndex = "CREATE UNIQUE INDEX idx_fl_yr ON tmp_bat (fl_id, year_0)";

// The rows of tmp_bat: the climate of every plot-year with the soil's fine fraction;
// `bat`, `notill` and `tlevel` give its last three columns.
std::string bat_table_select(const std::string& bat, const std::string& notill, const std::string& tlevel)
{
    return "SELECT clim4sim.FL_ID AS FL_ID, clim4sim.year_ AS year_0, tmp_soil_prop.FAT AS FAT,"
           " clim4sim.ltem AS ltem, clim4sim.rain AS rain, " +
           bat + " AS BAT, " + notill + " AS BATnotill, " + tlevel +
           " AS t_level FROM clim4sim INNER JOIN tmp_soil_prop ON clim4sim.FL_ID = tmp_soil_prop.FL_ID";
}

// tmp_bat before its years are computed: the plot's mean BAT, its negative as the
// untilled BAT, no tillage level yet. Its columns are declared as these expressions
// declare them.
std::string uncomputed_bat_select() { return bat_table_select("clim4sim.mw_BAT", "-clim4sim.mw_BAT", "-99.99"); }

// A run that ends at one of the checks of tmp_bat (or is stopped there) leaves the table
// as it stood before its years were computed.
void restore_uncomputed_bat_table(const PrepContext& p, bool indexed)
{
    p.rebuild("tmp_bat", uncomputed_bat_select());
    if (indexed) p.guarded(kBatIndex);
}

// What a number in tmp_bat is to the BAT computation: integers and reals as they are,
// text read as Val reads it, NULL as 0.
double number_of(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_NULL: return 0.0;
    default: {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(v));
        return db::jet_val(std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(v))));
    }
    }
}

// The BAT of a year and the BAT without tillage as SQL functions of the statement that
// writes tmp_bat, so that the table is written once with its final values instead of
// being updated row by row:
//   bat_of_year(ltem, rain, FAT, mean)     the year's BAT when rain is above 0, else mean
//   bat_notill(ltem, rain, FAT, untilled)  its BAT without tillage when rain is above 0
//                                          and that can be computed, else untilled
// They note whether a year had a mean temperature below 0 and advance the progress bar.
class BatFunctions {
public:
    BatFunctions(const PrepContext& p, const BatCoefficients& coefficients, long long rows)
        : hooks_(p.hooks), coefficients_(coefficients), rows_(rows), functions_(p.db.handle(), this)
    {
        functions_.define("bat_of_year", 4, &BatFunctions::batOfYear);
        functions_.define("bat_notill", 4, &BatFunctions::batNotill);
    }
    ~BatFunctions() { hooks_.report(0, 0); }
    BatFunctions(const BatFunctions&) = delete;
    BatFunctions& operator=(const BatFunctions&) = delete;

    bool negativeTemperature() const { return negativeTemperature_; }

private:
    // The year's BAT, or nothing when its rain is not above 0.
    std::optional<double> bat(sqlite3_value** args) const
    {
        const double rain = number_of(args[1]);
        if (!(rain > 0)) return std::nullopt;
        return bat_of_year(number_of(args[0]), rain, number_of(args[2]), coefficients_);
    }

    static void batOfYear(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        auto* self = static_cast<BatFunctions*>(sqlite3_user_data(ctx));
        if (number_of(args[0]) < 0) self->negativeTemperature_ = true;
        if (++self->done_ % kProgressStep == 0) self->hooks_.report(std::min(self->done_, self->rows_), self->rows_);
        if (const auto b = self->bat(args))
            sqlite3_result_double(ctx, *b);
        else
            sqlite3_result_value(ctx, args[3]);
    }

    static void batNotill(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        const auto* self = static_cast<const BatFunctions*>(sqlite3_user_data(ctx));
        if (const auto b = self->bat(args)) {
            try {
                sqlite3_result_double(ctx, bat_without_tillage(number_of(args[2]), *b));
                return;
            } catch (const std::domain_error&) {
                // An untilled BAT that cannot be computed keeps the plot's mean.
            }
        }
        sqlite3_result_value(ctx, args[3]);
    }

    static constexpr long long kProgressStep = 4096;
    const RunHooks& hooks_;
    const BatCoefficients& coefficients_;
    long long rows_;
    long long done_ = 0;
    bool negativeTemperature_ = false;
    ScopedFunctions functions_;  // last: removed before the rest goes
};

// The first year in plot and year order whose mean temperature is below 0 ends the run.
void stop_at_negative_temperature(const PrepContext& p)
{
    std::string text;
    for (auto cur = p.db.query("SELECT FL_ID, year_0, ltem FROM tmp_bat WHERE ltem < 0 OR typeof(ltem) IN ('text', 'blob')"
                               " ORDER BY fl_id, year_0");
         !cur.eof() && text.empty(); cur.next()) {
        const double ltem = cur.getDouble("ltem");
        if (ltem < 0)
            text = "LTEM<0 aufgetreten ! (FL_ID " + std::to_string(cur.getInt("FL_ID")) + ", year " +
                   std::to_string(cur.getInt("year_0")) + ", ltem " + base::format_number(ltem) + ")";
    }
    if (text.empty()) return;
    restore_uncomputed_bat_table(p, true);
    throw RunCancelled("unvollständige Klimadaten ?", text);
}

// The tillage events (code 14) of the plots whose tillage changes, by plot and year, with
// their share, for tmp_bat rows written from clim4sim of one cycle: a plot-year takes the
// share of its year's event when the plot has a time span with an interval. Nothing when
// an event's plot or year is neither an integer nor NULL, a plot has two events in a
// year or an interval is not an integer: then the tillage levels are set by an update.
class TillageEvents {
public:
    static std::unique_ptr<TillageEvents> load(const PrepContext& p)
    {
        auto events = std::make_unique<TillageEvents>();
        bool usable = true;
        for_each_row(p.db.handle(), "SELECT FL_ID, typeof(intl) FROM tmp_time_int", [&](sqlite3_stmt* st) {
            const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            if (type == "null") return;
            if (type != "integer") usable = false;
            if (const auto fl = integer_key(sqlite3_column_value(st, 0))) events->spans_.insert(*fl);
        });
        if (!usable) return nullptr;
        for_each_row(p.db.handle(),
                     "SELECT cultivation.FL_ID, cultivation.[year], " + tillage_share(p.regional) +
                         " FROM cultivation NOT INDEXED WHERE cultivation.Macode=14 AND cultivation.FL_ID IN"
                         " (SELECT FL_ID FROM field_description WHERE notill=2)",
                     [&](sqlite3_stmt* st) {
                         const KeyKind plot = key_kind(sqlite3_column_value(st, 0));
                         const KeyKind year = key_kind(sqlite3_column_value(st, 1));
                         if (plot == KeyKind::Other || year == KeyKind::Other) usable = false;
                         if (!usable || plot == KeyKind::Null || year == KeyKind::Null) return;
                         const Key key{sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1)};
                         if (!events->share_.emplace(key, store_value(sqlite3_column_value(st, 2))).second) usable = false;
                     });
        if (!usable) return nullptr;
        return events;
    }

    // The share of the tillage event of plot `fl` in year `year`, or nullptr.
    sqlite3_value* share(long long fl, sqlite3_value* year) const
    {
        const auto yr = integer_key(year);
        if (!yr || !spans_.count(fl)) return nullptr;
        const auto it = share_.find(Key{fl, *yr});
        return it == share_.end() ? nullptr : it->second.get();
    }

private:
    using Key = std::pair<long long, long long>;
    struct KeyHash {
        std::size_t operator()(const Key& k) const { return base::hash_pair(k.first, k.second); }
    };
    std::unordered_set<long long> spans_;
    std::unordered_map<Key, StoredValue, KeyHash> share_;
};

// The fine fraction of every plot of tmp_soil_prop for the rows of tmp_bat, when each
// plot has one row and an integer FL_ID (rows with a NULL FL_ID join nothing):
//   soil_row(FL_ID)   1 when the plot has a row (the join with tmp_soil_prop), else 0
//   soil_fat(FL_ID)   its FAT as stored
//   plot_tillage(FL_ID, year)  the share of the year's tillage event for a plot whose
//                     tillage changes (with `events`), else the tillage level of the
//                     plot's description, else 0
class PlotSoils {
public:
    static std::unique_ptr<PlotSoils> load(sqlite3* db, const PlotDescriptions& plots, const TillageEvents* events)
    {
        auto soils = std::unique_ptr<PlotSoils>(new PlotSoils(plots, events));
        bool usable = true;
        for_each_row(db, "SELECT FL_ID, FAT FROM tmp_soil_prop", [&](sqlite3_stmt* st) {
            const KeyKind kind = key_kind(sqlite3_column_value(st, 0));
            if (kind == KeyKind::Other) usable = false;
            if (!usable || kind == KeyKind::Null) return;
            if (!soils->fat_.emplace(sqlite3_column_int64(st, 0), store_value(sqlite3_column_value(st, 1))).second)
                usable = false;
        });
        if (!usable) return nullptr;
        return soils;
    }

    void define(ScopedFunctions& functions)
    {
        functions.define("soil_row", 1, &PlotSoils::row);
        functions.define("soil_fat", 1, &PlotSoils::fat);
        functions.define("plot_tillage", 2, &PlotSoils::tillage);
    }

private:
    PlotSoils(const PlotDescriptions& plots, const TillageEvents* events) : plots_(plots), events_(events) {}

    sqlite3_value* find(sqlite3_value* flValue)
    {
        const auto fl = integer_key(flValue);
        if (!fl) return nullptr;
        if (!current_ || *fl != currentId_) {
            const auto it = fat_.find(*fl);
            current_ = it == fat_.end() ? nullptr : it->second.get();
            currentId_ = *fl;
        }
        return current_;
    }

    static PlotSoils* self(sqlite3_context* ctx) { return static_cast<PlotSoils*>(sqlite3_user_data(ctx)); }
    static void row(sqlite3_context* ctx, int, sqlite3_value** args) { sqlite3_result_int(ctx, self(ctx)->find(args[0]) ? 1 : 0); }
    static void fat(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        if (sqlite3_value* v = self(ctx)->find(args[0]))
            sqlite3_result_value(ctx, v);
        else
            sqlite3_result_null(ctx);
    }
    static void tillage(sqlite3_context* ctx, int, sqlite3_value** args)
    {
        const PlotSoils* s = self(ctx);
        const auto fl = integer_key(args[0]);
        const PlotDescription* plot = fl ? s->plots_.find(*fl) : nullptr;
        if (plot && plot->changingTillage && s->events_) {
            if (sqlite3_value* share = s->events_->share(*fl, args[1])) return sqlite3_result_value(ctx, share);
        }
        sqlite3_result_int(ctx, plot ? plot->tillageLevel : 0);
    }

    const PlotDescriptions& plots_;
    const TillageEvents* events_;
    std::unordered_map<long long, StoredValue> fat_;
    sqlite3_value* current_ = nullptr;
    long long currentId_ = 0;
};

// tmp_bat from the climate tables with every year's BAT, BAT without tillage and the
// plot's tillage level computed as the rows are written; the unique index idx_fl_yr.
// When clim4sim's plots are known (one description each) and tmp_soil_prop has one row
// per plot, the fine fraction and the tillage level are looked up in memory instead of
// searched per row; with the tillage events at hand the changing tillage levels are
// written as well. Returns whether they were.
bool build_recalculated_bat_table(const PrepContext& p, const BatCoefficients& coefficients, const ClimateTables& climate)
{
    p.run("CREATE TABLE tmp_bat AS " + uncomputed_bat_select() + " LIMIT 0");
    const std::string joined =
        bat_table_select("bat_of_year(clim4sim.ltem, clim4sim.rain, tmp_soil_prop.FAT, clim4sim.mw_BAT)",
                         "bat_notill(clim4sim.ltem, clim4sim.rain, tmp_soil_prop.FAT, -clim4sim.mw_BAT)",
                         "coalesce((SELECT iif(field_description.notill=1,100,0) FROM field_description"
                         " WHERE field_description.FL_ID = clim4sim.FL_ID), 0)");
    bool negativeTemperature = false;
    std::unique_ptr<TillageEvents> events;
    bool tillageWritten = false;
    {
        BatFunctions functions(p, coefficients, climate.rows);
        std::unique_ptr<PlotSoils> soils;
        if (climate.plots && in_memory_lookups_allowed() && scans_first(p.db.handle(), joined, "clim4sim")) {
            events = unless_failing([&] { return TillageEvents::load(p); });
            soils = unless_failing([&] { return PlotSoils::load(p.db.handle(), *climate.plots, events.get()); });
        }
        ScopedFunctions lookups(p.db.handle(), soils.get());
        if (soils) soils->define(lookups);
        const int rows = p.run(
            "INSERT INTO tmp_bat " +
            (soils ? std::string("SELECT FL_ID, year_, soil_fat(FL_ID), ltem, rain,"
                                 " bat_of_year(ltem, rain, soil_fat(FL_ID), mw_BAT),"
                                 " bat_notill(ltem, rain, soil_fat(FL_ID), -mw_BAT), plot_tillage(FL_ID, year_)"
                                 " FROM clim4sim WHERE soil_row(FL_ID)")
                   : joined));
        negativeTemperature = functions.negativeTemperature();
        tillageWritten = soils && events;
        p.log("tmp bat :" + std::to_string(rows));
    }
    if (p.hooks.stopRequested()) {
        restore_uncomputed_bat_table(p, false);
        throw RunStopRequested{};
    }
    if (!p.guarded(kBatIndex)) {
        restore_uncomputed_bat_table(p, false);
        throw RunCancelled("ERROR: index creation failed ", "There is probably more than 1 initial Corg value (year_number=0)");
    }
    if (negativeTemperature) stop_at_negative_temperature(p);
    return tillageWritten;
}

// Plots whose tillage changes take the share of the tillage event of the year (of the
// recorded year a cycle year repeats).
void set_changing_tillage_level(const PrepContext& p, bool withCycles)
{
    const std::string sql =
        withCycles
            ? "UPDATE tmp_bat SET t_level = " + tillage_share(p.regional) +
                  " FROM field_description, eff_climate, tmp_time_int, cultivation"
                  " WHERE field_description.FL_ID = tmp_bat.FL_ID AND field_description.notill=2"
                  " AND eff_climate.FL_ID = tmp_bat.FL_ID AND eff_climate.year_ = tmp_bat.year_0"
                  " AND tmp_time_int.FL_ID = tmp_bat.FL_ID AND cultivation.FL_ID = tmp_bat.FL_ID"
                  " AND cultivation.Macode=14 AND cultivation.[year] = tmp_bat.year_0 - tmp_time_int.intl*eff_climate.cyc"
            : "UPDATE tmp_bat SET t_level = " + tillage_share(p.regional) +
                  " FROM field_description, cultivation"
                  " WHERE field_description.FL_ID = tmp_bat.FL_ID AND field_description.notill=2"
                  " AND cultivation.FL_ID = tmp_bat.FL_ID AND cultivation.Macode=14"
                  " AND cultivation.[year] = tmp_bat.year_0";
    if (!p.guarded(sql)) p.hooks.show("error", "could not update tmp_bat");
}

// An estimate of the initial carbon from a user's nitrogen loss table tmp_nloss; only
// built when the database has one.
void estimate_initial_carbon(const PrepContext& p)
{
    p.drop("tmp_hlpcinit");
    const std::string kappa = "(1.0/(GLDAPARM.K_AOS/(1+GLDAPARM.K_STAB*1.0/GLDAPARM.K_AKT)))";
    p.guarded("CREATE TABLE tmp_hlpcinit AS SELECT tmp_bat.FL_ID AS FL_ID, GLDAPARM.NAME AS NAME,"
              " GLDAPARM.K_AOS AS km, GLDAPARM.K_AKT AS ka, GLDAPARM.K_STAB AS ks, GLDAPARM.CNR_OBS AS CNR_OBS,"
              " tmp_nloss.nloss AS nloss, tmp_bat.BAT AS BAT, tmp_soil_prop.cif AS cif, " +
              kappa + " AS kappa, " + kappa +
              "*tmp_nloss.nloss*GLDAPARM.CNR_OBS/(tmp_bat.BAT*(1-tmp_soil_prop.cif)) AS Corg_init,"
              " tmp_soil_prop.BA_RBS AS BA_RBS, tmp_soil_prop.clay AS clay"
              " FROM ((tmp_bat INNER JOIN tmp_soil_prop ON tmp_bat.FL_ID = tmp_soil_prop.FL_ID"
              " AND tmp_bat.year_0 = tmp_soil_prop.[year])"
              " INNER JOIN tmp_nloss ON tmp_bat.FL_ID = tmp_nloss.fl_id AND tmp_bat.year_0 = tmp_nloss.year0), GLDAPARM"
              " WHERE GLDAPARM.NAME = 'NORM'");
}

} // namespace

BatCoefficients load_bat_coefficients(db::Connection& c, BatCoefficients current)
{
    try {
        std::vector<BatCoefficientRow> stored;
        for (auto cur = c.query("SELECT xfat, xa, xb, xc FROM wmzprm"); !cur.eof() && stored.size() < BatCoefficients::kRows;
             cur.next())
            stored.push_back({cur.getDouble("xfat"), cur.getDouble("xa"), cur.getDouble("xb"), cur.getDouble("xc")});
        current.replace_rows(stored);
    } catch (const db::DbError&) {
    }
    return current;
}

void build_bat_table(const PrepContext& p, const BatCoefficients& coefficients)
{
    p.drop("tmp_bat");
    if (!p.cfg.recalc_bat) {
        // Created with t_level 0; the plots without tillage get 100. mw_BAT is the plot's mean
        // BAT under its own management, tilled or not: it stands for the untilled BAT too, so
        // that a plot without tillage turns over at mw_BAT instead of at its negative.
        p.rebuildLogged("tmp bat :", "tmp_bat",
                        "SELECT field_description.FL_ID AS FL_ID, cultivation.[year] AS year_0,"
                        " Avg(field_description.mw_BAT) AS BAT, Avg(field_description.mw_BAT) AS BATnotill,"
                        " -99 AS FAT, -99 AS ltem, 0 AS t_level"
                        " FROM (field_description INNER JOIN cultivation ON field_description.FL_ID = cultivation.FL_ID)"
                        " INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID"
                        " WHERE site_state.status=1 GROUP BY field_description.FL_ID, cultivation.[year]");
        p.guarded(kBatIndex);
        p.run("UPDATE tmp_bat SET t_level = iif(field_description.notill=1,100,0) FROM field_description"
              " WHERE field_description.FL_ID = tmp_bat.FL_ID");
        set_changing_tillage_level(p, false);
        return;
    }

    const ClimateTables climate = build_climate_tables(p);
    p.log("simple_bat=yes");
    if (!build_recalculated_bat_table(p, coefficients, climate)) set_changing_tillage_level(p, true);
    p.log("updt tmp bat :" + std::to_string(p.rowCount("tmp_bat")));
    estimate_initial_carbon(p);
    p.checkStop();
}

} // namespace vt::engine
