#include "workbench/session_jobs.h"

#include "workbench/command_data.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "engine/run/run_configuration.h"
#include "engine/session/simulation_session.h"
#include "eval/observation_pairs.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>

namespace vt::workbench {

namespace {

engine::SimulationSession prepare_session(db::Connection& c, const engine::RunConfig& cfg,
                                          const std::vector<long long>& plots, const engine::RunHooks& hooks)
{
    try {
        return engine::SimulationSession::prepare(c, cfg, plots, hooks);
    } catch (const std::exception& e) {
        throw PreparationError(std::string("the plots could not be prepared: ") + e.what());
    }
}

// A job's plots prepared in a session after the step "preparing"; nullopt when the stop
// flag was raised during the preparation.
std::optional<engine::SimulationSession> prepared_session(db::Connection& c, const engine::RunConfig& cfg,
                                                          const std::vector<long long>& plots,
                                                          const engine::RunHooks& hooks, const SessionJobSteps& steps)
{
    if (steps.preparing) steps.preparing(plots.size());
    auto session = prepare_session(c, cfg, plots, hooks);
    if (hooks.stopRequested()) return std::nullopt;
    if (steps.spread) steps.spread(session);
    return session;
}

// Runs the fit or the sampling: what the core refuses is input the job cannot use.
template <class Result, class Run>
JobEnd run_core(Result& result, Run&& run)
{
    try {
        result = run();
    } catch (const std::invalid_argument& e) {
        throw SessionInputError(e.what());
    }
    return result.stopped ? JobEnd::Stopped : JobEnd::Finished;
}

bool undefined_sensitivity(const eval::UncertaintyResult& r)
{
    for (const auto& s : r.sensitivity)
        if (!std::isfinite(s.s1)) return true;
    return false;
}

long long parse_plot(const std::string& text)
{
    long long v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        throw PlotNumberError("\"" + text + "\" is not a plot number");
    return v;
}

std::vector<long long> plot_column(db::Connection& c, const std::string& sql, const std::vector<db::Value>& params = {})
{
    std::vector<long long> out;
    for (auto cur = c.query(sql, params); !cur.eof(); cur.next()) out.push_back(cur.field(0).toInt());
    return out;
}

} // namespace

std::vector<long long> plots_of_list(db::Connection& c, const std::string& list)
{
    std::vector<long long> out;
    std::set<long long> seen;
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const long long plot = parse_plot(item);
        if (c.query("SELECT FL_ID FROM field_description WHERE FL_ID=?", {plot}).eof())
            throw SessionInputError("plot " + item + " is not in field_description");
        if (seen.insert(plot).second) out.push_back(plot);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

std::vector<long long> plots_of_experiment(db::Connection& c, const std::string& code)
{
    auto out = plot_column(c, "SELECT FL_ID FROM field_description WHERE CStr(versuch_code)=? ORDER BY FL_ID", {code});
    if (out.empty()) throw SessionInputError("experiment " + code + " has no plots");
    return out;
}

std::vector<long long> flagged_plots(db::Connection& c)
{
    return plot_column(c, "SELECT FL_ID FROM site_state WHERE status=1 ORDER BY FL_ID");
}

std::vector<long long> plots_of_experiment_node(db::Connection& c, const ExperimentPlots& e)
{
    std::vector<db::Value> params;
    const auto where = experiment_plots_condition(e, params);
    return plot_column(c, "SELECT FL_ID FROM field_description WHERE " + where + " ORDER BY FL_ID", params);
}

double session_parameter_start(db::Connection& c, const std::string& name)
{
    if (const auto item = engine::item_parameter(name)) {
        db::Value v;
        try {
            v = eval::stored_item_value(c, *item);
        } catch (const std::runtime_error& e) {
            throw SessionInputError(e.what());
        }
        if (v.isNull()) throw SessionInputError(engine::item_parameter_name(*item) + " has no value");
        return v.toDouble();
    }
    engine::SessionParameters p;
    p.k = engine::load_model_constants(c);
    const double* value = engine::session_parameter(p, name);
    if (!value) throw SessionInputError("unknown parameter " + name);
    return *value;
}

std::vector<std::string> item_parameter_choices(db::Connection& c)
{
    std::vector<std::string> out;
    for (const auto& t : engine::item_parameter_tables()) {
        if (!c.tableExists(t.table)) continue;
        for (auto cur = c.query(std::string("SELECT ") + t.key + " FROM " + t.table + " WHERE " + t.key +
                                " IS NOT NULL ORDER BY " + t.key);
             !cur.eof(); cur.next())
            for (const char* column : t.columns)
                if (c.columnExists(t.table, column))
                    out.push_back(engine::item_parameter_name({t.table, cur.field(0).toInt(), column}));
    }
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
                                       const engine::RunHooks& hooks, const SessionJobSteps& steps)
{
    if (job.property != 7 && job.property != 0 && job.property != 5)
        throw SessionInputError("the property must be 7 (organic carbon), 0 (total nitrogen) or 5 (microbial carbon)");
    if (job.parameters.empty()) throw SessionInputError("no parameter to fit");
    if (job.plots.empty()) throw SessionInputError("no plots chosen");
    const engine::RunConfig cfg = session_run_config(c, dbPath, hooks);
    const auto session = prepared_session(c, cfg, job.plots, hooks, steps);
    CalibrationOutcome out;
    if (!session) {
        out.end = JobEnd::StoppedInPreparation;
        return out;
    }
    const eval::ObservationPairs pairs(*session, eval::read_observations(c, job.plots, job.property), job.property);
    out.plotsWithInput = session->inputs().size();
    out.skippedPlots = session->skipped();
    out.observations = pairs.size();
    if (steps.prepared) steps.prepared(out.plotsWithInput, out.observations);

    const eval::CalibrationRequest request{.parameters = job.parameters,
                                           .jobs = job.jobs,
                                           .maxIterations = job.maxIterations,
                                           .stop = [&hooks] { return hooks.stopRequested(); },
                                           .progress = steps.evaluated};
    out.end = run_core(out.result, [&] { return eval::calibrate(*session, pairs, request); });
    if (out.end != JobEnd::Finished) return out;
    out.runTime = calibration_run_time();
    eval::store_calibration(c, out.result, job.property, out.runTime,
                            calibration_settings_text(job.plots, job.property, cfg));
    return out;
}

std::string calibration_summary(const eval::CalibrationResult& r)
{
    std::string out = "sum of squares " + num(r.sseBefore) + " -> " + num(r.sseAfter) + '\n';
    if (r.failedEvaluations > 0)
        out += std::to_string(r.failedEvaluations) + " of " + std::to_string(r.evaluations) +
               " evaluations left a plot unfinished; the fit stepped back from them\n";
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

eval::AppliedCalibration apply_calibration(db::Connection& c, const CalibrationOutcome& outcome)
{
    if (outcome.runTime.empty()) throw std::invalid_argument("the calibration was not finished");
    return eval::apply_calibration(c, outcome.result, outcome.runTime, calibration_run_time());
}

std::string constants_copy_hint(const eval::CalibrationResult& r, const eval::AppliedCalibration& a)
{
    std::string sets;
    for (const auto& p : r.parameters) {
        if (!eval::is_model_constant(p.name)) continue;
        sets += (sets.empty() ? "" : ", ") + p.name + "=(SELECT " + p.name + " FROM gldaparm WHERE item_ix=" +
                std::to_string(a.constantsItem) + ")";
    }
    if (sets.empty()) return {};
    return "a run reads the constants of gldaparm item_ix=1; to run with the fitted ones, copy them there:\n"
           "  UPDATE gldaparm SET " + sets + " WHERE item_ix=1\n";
}

std::string applied_calibration_text(const eval::AppliedCalibration& a, const std::string& runTime)
{
    std::string text;
    for (const auto& item : a.items) text += item + " written into its table (the previous value kept in rux_calibration)\n";
    if (a.constantsItem > 0)
        text += "fitted constants stored as gldaparm item_ix=" + std::to_string(a.constantsItem) + " (\"calibrated " +
                runTime + "\"); a run reads item_ix=1\n";
    for (const auto& factor : a.factors) text += factor + " is an input factor, not a model constant: it is not stored\n";
    if (!a.items.empty() || a.constantsItem > 0)
        text += "veltrano-cli calibrate --undo \"" + runTime + "\" puts the previous values back\n";
    return text;
}

std::vector<std::string> fitted_factors(const eval::CalibrationResult& r)
{
    std::vector<std::string> out;
    for (const auto& p : r.parameters)
        if (p.name.rfind("F_", 0) == 0) out.push_back(p.name);
    return out;
}

UncertaintyOutcome run_uncertainty_job(db::Connection& c, const std::string& dbPath, const UncertaintyJob& job,
                                       const engine::RunHooks& hooks, const SessionJobSteps& steps)
{
    if (job.parameters.empty()) throw SessionInputError("no parameter to draw");
    if (job.samples == 0) throw SessionInputError("no samples");
    if (job.plots.empty()) throw SessionInputError("no plots chosen");
    const auto session = prepared_session(c, session_run_config(c, dbPath, hooks), job.plots, hooks, steps);
    UncertaintyOutcome out;
    if (!session) {
        out.end = JobEnd::StoppedInPreparation;
        return out;
    }
    const auto carbon = eval::read_observations(c, job.plots, 7);
    out.plotsWithInput = session->inputs().size();
    out.skippedPlots = session->skipped();
    if (steps.prepared) steps.prepared(out.plotsWithInput, carbon.size());

    const eval::UncertaintyRequest request{.parameters = job.parameters,
                                           .samples = job.samples,
                                           .seed = job.seed,
                                           .jobs = job.jobs,
                                           .stop = [&hooks] { return hooks.stopRequested(); },
                                           .progress = steps.sampled};
    out.end = run_core(out.result, [&] {
        return steps.sample ? steps.sample(*session, carbon, request) : eval::run_uncertainty(*session, carbon, request);
    });
    if (out.end != JobEnd::Finished) return out;
    if (out.result.samples > 0 && out.result.failed.size() == out.result.samples)
        throw JobFailedError("every sample failed; nothing was written\n" + failed_samples_text(out.result));
    eval::store_uncertainty(c, out.result);
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
        std::snprintf(line, sizeof line, "  %s %s", s.parameter.c_str(), num(s.s1, "%.3f").c_str());
        out += line;
    }
    if (!first) out += '\n';
    if (undefined_sensitivity(r))
        out += "  (-: undefined; the final organic carbon of the plot did not vary over the samples that went well)\n";
    out += failed_samples_text(r);
    return out;
}

std::string failed_samples_text(const eval::UncertaintyResult& r, std::size_t listed)
{
    if (r.failed.empty()) return {};
    std::string out = std::to_string(r.failed.size()) + " of " + std::to_string(r.samples) +
                      " samples failed and are left out:\n";
    for (std::size_t i = 0; i < r.failed.size() && i < listed; ++i)
        out += "  sample " + std::to_string(r.failed[i].sample) + ": " + r.failed[i].reason + '\n';
    if (r.failed.size() > listed) out += "  ... and " + std::to_string(r.failed.size() - listed) + " more\n";
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

std::string num(double v, const char* format)
{
    if (!std::isfinite(v)) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

} // namespace vt::workbench
