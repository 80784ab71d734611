#include "engine/balance/deviation_summary.h"
#include "base/key_hash.h"

#include "db/connection.h"
#include "engine/balance/som_year_step.h"
#include "engine/preparation/stored_order.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace vt::engine {

int deviation_class(double d)
{
    for (size_t i = 0; i < kDeviationBounds.size(); ++i)
        if (d < kDeviationBounds[i]) return static_cast<int>(i);
    return 6;
}

DeviationSummary summarise_deviations(const std::vector<double>& diffs)
{
    DeviationSummary s;
    s.n = static_cast<long long>(diffs.size());
    if (s.n == 0) return s;
    long double sum = 0, sq = 0;
    for (double d : diffs) {
        ++s.classes[static_cast<size_t>(deviation_class(d))];
        sum += d;
        sq += static_cast<long double>(d) * d;
    }
    s.meanError = static_cast<double>(sum / s.n);
    s.rmse = static_cast<double>(std::sqrt(sq / s.n));
    if (s.n > 1) {
        long double dev = 0;
        for (double d : diffs) dev += (d - s.meanError) * static_cast<long double>(d - s.meanError);
        s.s = static_cast<double>(std::sqrt(dev / (s.n - 1)));
        s.smw = s.s / std::sqrt(static_cast<double>(s.n));
        // A mean error is a bias when its size reaches its standard error, whatever its sign.
        s.bias = s.smw <= std::fabs(s.meanError);
    }
    return s;
}

std::vector<std::string> DeviationSummary::logLines() const
{
    std::vector<std::string> lines;
    if (n == 0) return lines;
    char pct[32];
    for (size_t i = 0; i < classes.size(); ++i) {
        std::snprintf(pct, sizeof pct, "%.1f", 100.0 * static_cast<double>(classes[i]) / static_cast<double>(n));
        const std::string bound = i < kDeviationBounds.size() ? "<" + log_number(kDeviationBounds[i])
                                                              : ">" + log_number(kDeviationBounds.back());
        lines.push_back(" CL" + std::to_string(i + 1) + bound + "=>" + std::to_string(classes[i]) + " / " + pct + "%");
    }
    lines.push_back(" N=" + std::to_string(n));
    lines.push_back(" mean error=" + log_number(meanError));
    lines.push_back(" RMSE      =" + log_number(rmse));
    if (n > 1) {
        lines.push_back(" s =" + log_number(s));
        lines.push_back(" smw=" + log_number(smw));
        lines.push_back(bias ? "        bias detected" : "        no significant bias detected");
    }
    return lines;
}

namespace {

// The pairing query itself: it walks every sim_result row of the selected plots and looks
// up the plot's observations for each.
std::vector<SocPair> soc_pairs_by_query(db::Connection& c)
{
    std::string sql =
        "SELECT sim_result.fl_id, sim_result.year_, sim_result.year_num, measurements.meas_value, "
        "sim_result.sim_value "
        "FROM (sim_result INNER JOIN measurements ON (sim_result.fl_id = measurements.FL_ID) "
        "AND (sim_result.year_num = measurements.year_number)) "
        "INNER JOIN site_state ON sim_result.fl_id = site_state.FL_ID "
        "WHERE site_state.status=1 AND sim_result.m_ix=7 AND measurements.M_IX=7 "
        "AND measurements.meas_value IS NOT NULL ";
    if (c.tableExists("tmp_outlist"))
        sql += "AND NOT EXISTS (SELECT 1 FROM tmp_outlist WHERE tmp_outlist.fl_id = measurements.FL_ID "
               "AND tmp_outlist.m_ix = measurements.M_IX AND tmp_outlist.meas_id = measurements.meas_ID) ";
    sql += "ORDER BY sim_result.fl_id, sim_result.year_num, measurements.meas_ID";
    std::vector<SocPair> pairs;
    for (auto cur = c.query(sql); !cur.eof(); cur.next())
        pairs.push_back({cur.field(0).toInt(), cur.field(1).toInt(), cur.field(2).toInt(), cur.field(3).toDouble(),
                         cur.field(4).toDouble()});
    return pairs;
}

// An observation that a sim_result row may pair with; meas_ID may be NULL (it sorts first).
struct Observation {
    long long fl_id = 0;
    long long year_num = 0;
    std::optional<long long> meas_id;
    double value = 0;

    auto key() const { return std::tie(fl_id, year_num, meas_id); }
    bool operator<(const Observation& o) const { return key() < o.key(); }
};

using Key = std::pair<long long, long long>;

struct KeyHash {
    std::size_t operator()(const Key& k) const noexcept
    {
        return base::hash_pair(k.first, k.second);
    }
};

// Why the streams cannot stand for the query: a key that is not an integer, or sim_result
// rows that are not in strictly ascending (fl_id, year_num) order.
struct NotStreamable {};

// The key in column `col`: empty for NULL (it equals nothing), an integer, or no stream.
std::optional<long long> integer_key(const db::Statement& s, int col)
{
    switch (sqlite3_column_type(s.handle(), col)) {
    case SQLITE_NULL: return std::nullopt;
    case SQLITE_INTEGER: return sqlite3_column_int64(s.handle(), col);
    default: throw NotStreamable{};
    }
}

constexpr const char* kPairedFunction = "veltrano_soc_observed";
constexpr const char* kKeysPointer = "veltrano_soc_keys";

// veltrano_soc_observed(keys, fl_id, year_num): whether the (plot, year number) has an
// observation to pair with, or the key is not an integer (so that the reader sees it).
void paired_function(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto* keys = static_cast<const std::unordered_set<Key, KeyHash>*>(sqlite3_value_pointer(argv[0], kKeysPointer));
    const int plotType = sqlite3_value_type(argv[1]), yearType = sqlite3_value_type(argv[2]);
    if (plotType == SQLITE_NULL || yearType == SQLITE_NULL || !keys) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    if (plotType != SQLITE_INTEGER || yearType != SQLITE_INTEGER) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    sqlite3_result_int(ctx, keys->count({sqlite3_value_int64(argv[1]), sqlite3_value_int64(argv[2])}) ? 1 : 0);
}

// Registers the function once per connection: replacing it later would wait for every
// statement of the connection to end.
void register_paired_function(db::Connection& c)
{
    if (prepares(c.handle(), std::string("SELECT ") + kPairedFunction + "(NULL, 1, 1)")) return;
    if (sqlite3_create_function_v2(c.handle(), kPairedFunction, 3, SQLITE_UTF8, nullptr, paired_function, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw NotStreamable{};
}

// The pairs of the query from three reads: the selected plots (each as often as site_state
// lists it), the plots' soil organic carbon observations that are no outliers, sorted here
// (a plot-year's meas_IDs must differ),
// and the sim_result rows that have an observation, in stored order. Stored in strictly
// ascending (fl_id, year_num) order, as the balance writes them, those rows give the
// query's pairs in its order; a plot listed twice gives each pair twice, next to each
// other, as the join does. Throws NotStreamable where the reads cannot tell.
std::vector<SocPair> soc_pairs_by_streams(db::Connection& c)
{
    std::unordered_map<long long, int> selected;  // plot -> site_state rows
    {
        db::Statement s = c.prepare("SELECT FL_ID FROM site_state WHERE status=1");
        while (s.step())
            if (const auto id = integer_key(s, 0)) ++selected[*id];
    }
    std::set<std::pair<long long, long long>> outliers;  // (fl_id, meas_id)
    if (c.tableExists("tmp_outlist")) {
        db::Statement s = c.prepare("SELECT fl_id, meas_id FROM tmp_outlist WHERE m_ix = 7");
        while (s.step()) {
            const auto id = integer_key(s, 0), meas = integer_key(s, 1);
            if (id && meas) outliers.emplace(*id, *meas);
        }
    }
    std::vector<Observation> observed;
    std::unordered_set<Key, KeyHash> keys;
    {
        db::Statement s = c.prepare("SELECT FL_ID, year_number, meas_ID, meas_value FROM measurements "
                                    "WHERE M_IX=7 AND meas_value IS NOT NULL");
        while (s.step()) {
            const auto id = integer_key(s, 0), year = integer_key(s, 1), meas = integer_key(s, 2);
            if (!id || !year || !selected.count(*id) || (meas && outliers.count({*id, *meas}))) continue;
            observed.push_back({*id, *year, meas, s.column(3).toDouble()});
            keys.emplace(*id, *year);
        }
    }
    std::sort(observed.begin(), observed.end());
    // Two observations of a plot-year with the same meas_ID leave their order to the query.
    if (std::adjacent_find(observed.begin(), observed.end(), [](const Observation& a, const Observation& b) {
            return a.key() == b.key();
        }) != observed.end())
        throw NotStreamable{};

    register_paired_function(c);
    db::Statement sim = c.prepare(std::string("SELECT fl_id, year_num, year_, sim_value FROM sim_result "
                                              "WHERE m_ix=7 AND ") + kPairedFunction + "(?1, fl_id, year_num)");
    if (sqlite3_bind_pointer(sim.handle(), 1, &keys, kKeysPointer, nullptr) != SQLITE_OK) throw NotStreamable{};
    std::vector<SocPair> pairs;
    auto obs = observed.begin();
    std::optional<Key> last;
    while (sim.step()) {
        const auto id = integer_key(sim, 0), year = integer_key(sim, 1);
        if (!id || !year) throw NotStreamable{};
        const Key key{*id, *year};
        if (last && !(*last < key)) throw NotStreamable{};
        last = key;
        const auto plot = selected.find(*id);
        if (plot == selected.end()) continue;
        while (obs != observed.end() && Key{obs->fl_id, obs->year_num} < key) ++obs;
        const long long yearOfRow = sim.column(2).toInt();
        const double simulated = sim.column(3).toDouble();
        for (auto o = obs; o != observed.end() && o->fl_id == key.first && o->year_num == key.second; ++o)
            for (int k = 0; k < plot->second; ++k) pairs.push_back({key.first, yearOfRow, key.second, o->value, simulated});
    }
    return pairs;
}

} // namespace

std::vector<SocPair> soc_pairs(db::Connection& c)
{
    try {
        return soc_pairs_by_streams(c);
    } catch (const NotStreamable&) {
        return soc_pairs_by_query(c);
    } catch (const db::DbError&) {
        // A table or column the reads lack: the query reports it in its own words.
        return soc_pairs_by_query(c);
    }
}

std::vector<double> observed_minus_simulated(db::Connection& c)
{
    std::vector<double> d;
    for (const SocPair& p : soc_pairs(c)) d.push_back(p.observed - p.simulated);
    return d;
}

void write_protocol_row(db::Connection& c, long long fl_id, const DeviationSummary& s, int runId)
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    localtime_r(&now, &tm);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", &tm);
    const db::Value none;
    std::vector<db::Value> v{fl_id,
                             s.n > 0 ? db::Value(s.meanError) : none,
                             s.n > 0 ? db::Value(s.rmse) : none,
                             s.n > 1 ? db::Value(s.s) : none,
                             s.n > 1 ? db::Value(s.smw) : none,
                             s.n,
                             s.n > 1 ? db::Value(s.bias) : none,
                             std::string(today)};
    std::string cols = "fl_id, mean_error, RMSD, S, smw, N_, bias, datum_";
    std::string marks = "?, ?, ?, ?, ?, ?, ?, ?";
    if (c.columnExists("rux_protokoll", "run_id")) {
        cols += ", run_id";
        marks += ", ?";
        v.emplace_back(runId);
    }
    c.execute("INSERT INTO rux_protokoll (" + cols + ") VALUES (" + marks + ")", v);
}

} // namespace vt::engine
