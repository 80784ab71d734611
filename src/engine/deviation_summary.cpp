#include "engine/deviation_summary.h"

#include "db/connection.h"
#include "engine/som_year_step.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

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

std::vector<SocPair> soc_pairs(db::Connection& c)
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
