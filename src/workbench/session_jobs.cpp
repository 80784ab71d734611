#include "workbench/session_jobs.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "engine/run/run_configuration.h"
#include "engine/session/simulation_session.h"
#include "eval/observation_pairs.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace vt::workbench {

namespace {

engine::SimulationSession prepare_session(db::Connection& c, const engine::RunConfig& cfg,
                                          const std::vector<long long>& plots, const engine::RunHooks& hooks)
{
    if (plots.empty()) throw std::invalid_argument("no plots chosen");
    return engine::SimulationSession::prepare(c, cfg, plots, hooks);
}

std::string num(double v, const char* format = "%.6g")
{
    if (!std::isfinite(v)) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::function<bool()> stop_of(const engine::RunHooks& hooks)
{
    return [&hooks] { return hooks.stopRequested(); };
}

} // namespace

std::vector<long long> plots_at_location(db::Connection& c, const std::string& location)
{
    std::vector<long long> out;
    for (auto cur = c.query("SELECT FL_ID FROM field_description WHERE Location=? ORDER BY FL_ID", {location});
         !cur.eof(); cur.next())
        out.push_back(cur.field(0).toInt());
    return out;
}

engine::RunConfig session_run_config(db::Connection& c, const std::string& dbPath, const engine::RunHooks& hooks)
{
    engine::RunConfig base;
    base.database = dbPath;
    base.work_dir = std::filesystem::current_path().string();
    config::RuxSettings settings;
    return engine::read_run_configuration(base, settings, {}, c, hooks);
}

std::string calibration_settings_text(const std::vector<long long>& plots, int property, const engine::RunConfig& cfg)
{
    std::string settings = "plots=";
    for (std::size_t i = 0; i < plots.size(); ++i) settings += (i ? "," : "") + std::to_string(plots[i]);
    settings += "; property=" + std::to_string(property) + "; methode=" + cfg.methode +
                "; dyn_bd=" + (cfg.dyn_bd ? "1" : "0") + "; dyn_lts=" + (cfg.dyn_lts ? "1" : "0") +
                "; hassink=" + std::to_string(cfg.hassink) + "; recalc_bat=" + (cfg.recalc_bat ? "1" : "0");
    return settings;
}

std::string calibration_run_time()
{
    const std::time_t t = std::time(nullptr);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
    return buf;
}

CalibrationOutcome run_calibration_job(db::Connection& c, const std::string& dbPath, const CalibrationJob& job,
                                       const engine::RunHooks& hooks,
                                       const std::function<void(int, double)>& progress)
{
    if (job.property != 7 && job.property != 0 && job.property != 5)
        throw std::invalid_argument("the property must be 7 (organic carbon), 0 (total nitrogen) or 5 (microbial carbon)");
    if (job.parameters.empty()) throw std::invalid_argument("no parameter to fit");
    const engine::RunConfig cfg = session_run_config(c, dbPath, hooks);
    const engine::SimulationSession session = prepare_session(c, cfg, job.plots, hooks);
    const eval::ObservationPairs pairs(session, eval::read_observations(c, job.plots, job.property), job.property);

    CalibrationOutcome out;
    out.plotsWithInput = session.inputs().size();
    out.observations = pairs.size();
    eval::CalibrationRequest request;
    request.parameters = job.parameters;
    request.jobs = job.jobs;
    request.maxIterations = job.maxIterations;
    request.stop = stop_of(hooks);
    request.progress = progress;
    out.result = eval::calibrate(session, pairs, request);
    if (out.result.stopped) return out;
    out.runTime = calibration_run_time();
    eval::store_calibration(c, out.result, job.property, out.runTime,
                            calibration_settings_text(job.plots, job.property, cfg));
    return out;
}

std::string calibration_summary(const eval::CalibrationResult& r)
{
    std::string out = "sum of squares " + num(r.sseBefore) + " -> " + num(r.sseAfter) + '\n';
    out += "parameter       start        fitted       std.error     bounds\n";
    char line[256];
    for (const auto& p : r.parameters) {
        std::snprintf(line, sizeof line, "%-10s %12s %13s %13s     %s:%s%s\n", p.name.c_str(), num(p.start).c_str(),
                      num(p.fitted).c_str(), num(p.stdError, "%.3g").c_str(), num(p.low).c_str(), num(p.high).c_str(),
                      p.atBound ? "  (at a bound)" : "");
        out += line;
    }
    if (r.parameters.size() > 1) {
        out += "correlation of the fitted parameters:\n";
        for (std::size_t i = 0; i < r.parameters.size(); ++i) {
            std::snprintf(line, sizeof line, "%-10s", r.parameters[i].name.c_str());
            out += line;
            for (std::size_t j = 0; j < r.parameters.size(); ++j) out += ' ' + num(r.correlation[i][j], "%6.3f");
            out += '\n';
        }
    }
    out += "plot        n   ME before  RMSE before  EF before    ME after  RMSE after   EF after\n";
    for (std::size_t i = 0; i < r.after.size(); ++i) {
        const auto& a = r.after[i];
        const auto& b = i < r.before.size() ? r.before[i] : a;
        std::snprintf(line, sizeof line, "%-8lld %4ld %11s %12s %10s %11s %11s %10s\n", a.fl_id, a.n,
                      num(b.me, "%.4f").c_str(), num(b.rmse, "%.4f").c_str(),
                      b.ef == -999 ? "-" : num(b.ef, "%.3f").c_str(), num(a.me, "%.4f").c_str(),
                      num(a.rmse, "%.4f").c_str(), a.ef == -999 ? "-" : num(a.ef, "%.3f").c_str());
        out += line;
    }
    return out;
}

long long apply_calibration(db::Connection& c, const CalibrationOutcome& outcome)
{
    if (outcome.runTime.empty()) throw std::invalid_argument("the calibration was not finished");
    return eval::store_fitted_constants(c, outcome.result, "calibrated " + outcome.runTime);
}

UncertaintyOutcome run_uncertainty_job(db::Connection& c, const std::string& dbPath, const UncertaintyJob& job,
                                       const engine::RunHooks& hooks,
                                       const std::function<void(std::size_t, std::size_t)>& progress)
{
    if (job.parameters.empty()) throw std::invalid_argument("no parameter to draw");
    if (job.samples == 0) throw std::invalid_argument("no samples");
    const engine::RunConfig cfg = session_run_config(c, dbPath, hooks);
    const engine::SimulationSession session = prepare_session(c, cfg, job.plots, hooks);

    UncertaintyOutcome out;
    out.plotsWithInput = session.inputs().size();
    eval::UncertaintyRequest request;
    request.parameters = job.parameters;
    request.samples = job.samples;
    request.seed = job.seed;
    request.jobs = job.jobs;
    request.stop = stop_of(hooks);
    request.progress = progress;
    out.result = eval::run_uncertainty(session, eval::read_observations(c, job.plots, 7), request);
    if (!out.result.stopped) eval::store_uncertainty(c, out.result);
    return out;
}

std::string uncertainty_summary(const eval::UncertaintyResult& r)
{
    std::string out = "observed organic carbon inside the 90 % band (5 to 95 %):\n";
    char line[256];
    for (const auto& cov : r.coverage) {
        std::snprintf(line, sizeof line, "  plot %-8lld %3zu of %3zu (%.0f %%)\n", cov.fl_id, cov.inside,
                      cov.observations,
                      cov.observations ? 100.0 * static_cast<double>(cov.inside) / static_cast<double>(cov.observations)
                                       : 0.0);
        out += line;
    }
    out += "first-order sensitivity of the final organic carbon:\n";
    long long last = -1;
    bool first = true;
    for (const auto& s : r.sensitivity) {
        if (first || s.fl_id != last) {
            out += (first ? "" : "\n") + std::string("  plot ") + std::to_string(s.fl_id) + ':';
            last = s.fl_id;
            first = false;
        }
        std::snprintf(line, sizeof line, "  %s %.3f", s.parameter.c_str(), s.s1);
        out += line;
    }
    if (!first) out += '\n';
    return out;
}

std::vector<BandPoint> carbon_band(db::Connection& c, long long plot)
{
    std::vector<BandPoint> out;
    if (!c.tableExists("rux_uncertainty")) return out;
    for (auto cur = c.query("SELECT year, q05, q95 FROM rux_uncertainty WHERE fl_id=? AND m_ix=7 ORDER BY year", {plot});
         !cur.eof(); cur.next())
        if (!cur.field(1).isNull() && !cur.field(2).isNull())
            out.push_back({static_cast<int>(cur.field(0).toInt()), cur.field(1).toDouble(), cur.field(2).toDouble()});
    return out;
}

} // namespace vt::workbench
