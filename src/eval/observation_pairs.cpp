#include "eval/observation_pairs.h"

#include "db/connection.h"
#include "eval/stats_accumulator.h"

#include <cmath>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace vt::eval {

std::vector<Observation> read_observations(db::Connection& c, const std::vector<long long>& plots, int m_ix)
{
    const std::unordered_set<long long> wanted(plots.begin(), plots.end());
    const bool outliers = c.tableExists("tmp_outlist");
    const std::string sql =
        std::string("SELECT m.FL_ID, m.[year], m.year_number, m.meas_value FROM measurements m ") +
        (outliers ? "LEFT JOIN tmp_outlist o ON o.M_IX = m.M_IX AND o.FL_ID = m.FL_ID AND o.meas_ID = m.meas_ID " : "") +
        "WHERE m.M_IX = ? AND m.year_number > 0 AND m.meas_value IS NOT NULL " +
        (outliers ? "AND o.meas_ID IS NULL " : "") + "ORDER BY m.FL_ID, m.year_number, m.[year]";
    std::vector<Observation> out;
    for (auto cur = c.query(sql, {m_ix}); !cur.eof(); cur.next()) {
        Observation o;
        o.fl_id = cur.field(0).toInt();
        if (!wanted.empty() && !wanted.count(o.fl_id)) continue;
        o.year = static_cast<int>(cur.field(1).toInt());
        o.year_number = static_cast<int>(cur.field(2).toInt());
        o.value = cur.field(3).toDouble();
        if (std::isfinite(o.value)) out.push_back(o);
    }
    return out;
}

std::optional<double> simulated_value(const engine::YearResult& y, int m_ix, bool exact)
{
    constexpr std::size_t kNorg = 10, kCmic = 11;
    switch (m_ix) {
    case 7:
        if (!y.sim_value) return std::nullopt;
        return exact ? y.sim_exact : *y.sim_value;
    case 0: return y.nresult[kNorg] > 0 ? std::optional<double>(y.nresult[kNorg]) : std::nullopt;
    case 5: return y.nresult[kCmic] > 0 ? std::optional<double>(y.nresult[kCmic]) : std::nullopt;
    default: return std::nullopt;
    }
}

ObservationPairs::ObservationPairs(const engine::SimulationSession& session, std::vector<Observation> observations,
                                   int m_ix)
    : m_ix_(m_ix), byPlot_(session.inputs().size())
{
    std::unordered_map<long long, std::size_t> index;
    for (std::size_t i = 0; i < session.inputs().size(); ++i) index.emplace(session.inputs()[i].fl_id, i);
    for (const Observation& o : observations) {
        const auto it = index.find(o.fl_id);
        if (it == index.end()) continue;
        pairs_.push_back({it->second, m_ix == 7 ? o.year_number : o.year, o.value, o.year});
        byPlot_[it->second].push_back(o);
    }
}

std::optional<double> ObservationPairs::simulated(const engine::PlotOutput& out, const Pair& p) const
{
    // The last simulated year of that key, as a plot's later cycles replace its earlier ones.
    for (auto it = out.years.rbegin(); it != out.years.rend(); ++it) {
        const int key = m_ix_ == 7 ? it->year_num : it->z_jahr;
        if (key == p.key) return simulated_value(*it, m_ix_, true);
    }
    return std::nullopt;
}

void ObservationPairs::residuals(const std::vector<engine::PlotOutput>& outputs, double* out) const
{
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
        const Pair& p = pairs_[i];
        const auto s = simulated(outputs[p.plot], p);
        out[i] = p.observed - (s && std::isfinite(*s) ? *s : 0.0);
    }
}

std::vector<PlotFit> ObservationPairs::plotFits(const std::vector<engine::PlotOutput>& outputs) const
{
    std::map<std::size_t, PairSums> sums;
    for (const Pair& p : pairs_) {
        const auto s = simulated(outputs[p.plot], p);
        add_pair(sums[p.plot], p.year, p.observed, s && std::isfinite(*s) ? *s : 0.0);
    }
    std::vector<PlotFit> fits;
    for (const auto& [plot, s] : sums) {
        PlotFit f;
        f.fl_id = outputs[plot].fl_id;
        f.n = s.n;
        if (s.n > 0) {
            f.me = static_cast<double>(s.d / s.n);
            f.rmse = static_cast<double>(std::sqrt(s.d2 / s.n));
        }
        if (const auto st = fit_statistics(s)) f.ef = static_cast<double>(st->ef);
        fits.push_back(f);
    }
    return fits;
}

} // namespace vt::eval
