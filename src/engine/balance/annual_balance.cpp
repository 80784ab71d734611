#include "engine/balance/annual_balance.h"

#include "db/connection.h"
#include "engine/balance/balance_input.h"
#include "db/fast_secure_delete.h"
#include "engine/balance/deviation_summary.h"
#include "engine/balance/old_results.h"
#include "engine/balance/plot_pipeline.h"
#include "engine/balance/plot_simulation.h"
#include "engine/balance/result_writer.h"
#include "engine/balance/run_report.h"
#include "db/sql_script.h"
#include "engine/balance/state_store.h"
#include "engine/preparation/stored_order.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <unordered_set>

namespace vt::engine {

namespace {

// The run's state between the steps of the annual balance.
class AnnualBalance {
public:
    AnnualBalance(db::Connection& c, const RunConfig& cfg, const RunHooks& hooks)
        : c_(c), cfg_(cfg), hooks_(hooks), options_(BalanceOptions::from(cfg))
    {
    }

    RunResult run();

private:
    void log(const std::string& line)
    {
        lines_.push_back(line);
        hooks_.logLine(line);
    }
    RunResult end(RunOutcome outcome, const std::string& message)
    {
        result_.outcome = outcome;
        result_.message = message;
        return result_;
    }
    // The input query of the method, or empty when the run ends before the plots.
    std::optional<std::string> prepareInput();
    bool prepareZbv();
    void replay(const PlotOutput& plot);
    void finish(long long lastPlot);

    db::Connection& c_;
    const RunConfig& cfg_;
    const RunHooks& hooks_;
    BalanceOptions options_;
    RunResult result_;
    std::vector<std::string> lines_;
};

std::optional<std::string> AnnualBalance::prepareInput()
{
    if (options_.method == MethodKind::HumusBalance) {
        c_.executeIgnoringErrors("Drop table huba_fin_res");
        c_.execute("CREATE TABLE huba_fin_res AS " + humus_balance_select(false));
        return humus_balance_select(false);
    }
    if (options_.method == MethodKind::Other)
        throw db::DbError("no input query for the method " + options_.methode);

    const std::string check = initial_observation_check_query();
    if (cfg_.modus != "ACC") {
        std::ofstream f(std::filesystem::path(cfg_.work_dir) / kCheckInitFile, std::ios::trunc);
        f << check << '\n';
    }
    // Most plots selected (a regional run): the observations are read in one pass.
    const bool mostSelected = c_.scalar("SELECT (SELECT count(*) FROM site_state WHERE status=1) * 3 >="
                                        " (SELECT count(*) FROM field_description)")
                                  .toInt() != 0;
    if (!c_.query(initial_observation_conflict_query(has_index_leading_with(c_, "cultivation", {"FL_ID"}), mostSelected))
             .eof()) {
        hooks_.show(" simulation run canceled ", " Error in initialisation; use rux_check_init.sql ");
        return std::nullopt;
    }
    return carbon_input_query(cfg_.uncas_mode);
}

bool AnnualBalance::prepareZbv()
{
    if (!rux_zbv_complete(c_)) {
        if (!hooks_.confirm("new version detected",
                            "table rux_zbv will be re-created and its data will be lost, continue anyway ?")) {
            hooks_.show(" How to proceed ? ", "please close all rux-windows and save your old rux_zbv table if necessary");
            return false;
        }
        c_.executeIgnoringErrors(" drop table rux_zbv ");
    }
    if (!c_.tableExists("rux_zbv")) {
        try {
            create_rux_zbv(c_);
        } catch (const db::DbError&) {
            // The run goes on without rux_zbv rows.
        }
    }
    return true;
}

void AnnualBalance::replay(const PlotOutput& plot)
{
    std::vector<std::string> rows;
    for (const LogEvent& e : plot.log) {
        switch (e.kind) {
        case LogEvent::Kind::Line: log(e.text); break;
        case LogEvent::Kind::Message: hooks_.show(e.caption, e.text); break;
        case LogEvent::Kind::ErrorRows: rows.push_back(e.text); break;
        }
    }
    if (!rows.empty() && hooks_.errorRows) hooks_.errorRows(rows);
}

void AnnualBalance::finish(long long lastPlot)
{
    hooks_.report(0, 0);
    const DeviationSummary summary = summarise_deviations(observed_minus_simulated(c_));
    for (const std::string& l : summary.logLines()) log(l);
    result_.histogram = summary.classes;
    result_.pairs = summary.n;
    if (cfg_.sim_prot && c_.tableExists("rux_protokoll")) write_protocol_row(c_, lastPlot, summary, cfg_.run_id);
    if (cfg_.pst_processing && cfg_.pst_proc_query != "?") db::run_sql_script_file(c_, cfg_.pst_proc_query);
    log("job finished: " + clock_time());
    write_run_report(std::filesystem::path(cfg_.work_dir) / kReportFile, hooks_.messages ? hooks_.messages() : lines_);
}

RunResult AnnualBalance::run()
{
    c_.execute("delete from rux_driver");
    const auto input = prepareInput();
    if (!input) return end(RunOutcome::Cancelled, " Error in initialisation; use rux_check_init.sql ");
    if (!c_.tableExists("rux_nresult")) throw db::DbError("no such table: rux_nresult");
    if (!prepareZbv())
        return end(RunOutcome::Cancelled, "please close all rux-windows and save your old rux_zbv table if necessary");

    std::unique_ptr<StateStore> store;
    if (c_.tableExists("som_state") && c_.tableExists("fom_state")) store = std::make_unique<StateStore>(c_);
    // The plots the input check took out of the selection count as selected and skipped.
    std::map<long long, std::string> skipped;
    for (const SkippedPlot& s : cfg_.input_skipped) skipped.emplace(s.plot, s.reason);
    result_.selected = c_.scalar("SELECT COUNT(DISTINCT FL_ID) FROM site_state WHERE status=1").toInt() +
                       static_cast<long long>(skipped.size());
    if (result_.selected == 0) log(kNothingSelected);
    std::unordered_set<long long> seen;
    BalanceInputReader reader(c_, *input, options_, store.get());
    // The freed pages of the rows replaced are taken by the new rows: they are only released.
    const db::FastSecureDelete freedPagesReleased(c_);
    OldResults old(c_);
    ResultWriter writer(c_, c_.tableExists("rux_zbv"), store.get(), &old);
    // The progress bar's maximum; without a bar the rows are not counted.
    const long long totalRows = hooks_.progress ? reader.totalRows() : 0;
    hooks_.report(0, totalRows);
    log("rux running");
    log(kReplacementRule);

    const std::function<bool()> stop = [this] { return hooks_.stopRequested(); };
    long long lastPlot = -99;
    long long rowsWritten = 0;
    long long simulated = 0;
    std::optional<std::pair<RunOutcome, std::string>> ended;
    PlotPipeline pipeline;
    pipeline.read = [&reader] { return reader.next(); };
    pipeline.settle = [&reader](PlotInput& in) { reader.readStoredState(in); };
    pipeline.simulate = [this, &stop](const PlotInput& in) { return simulate_plot(in, options_, stop); };
    pipeline.write = [&](PlotOutput&& plot, std::size_t inputRows) {
        replay(plot);
        switch (plot.status) {
        case PlotStatus::Stopped: ended.emplace(RunOutcome::Stopped, "STOP RUN"); break;
        case PlotStatus::CyclingError: ended.emplace(RunOutcome::Cancelled, "loopback not possible"); break;
        case PlotStatus::InitialisationError: ended.emplace(RunOutcome::Cancelled, " Error in initialisation "); break;
        default: break;
        }
        // A plot that ends the run is rolled back: it keeps the results of the previous run.
        if (ended) return false;
        writer.writePlot(plot);
        lastPlot = plot.fl_id;
        if (plot.status != PlotStatus::Skipped) ++result_.plots;
        if (plot.status == PlotStatus::Simulated) ++simulated;
        else skipped.emplace(plot.fl_id, plot.skipReason.empty() ? "not simulated to its end" : plot.skipReason);
        seen.insert(plot.fl_id);
        result_.plotYears += static_cast<long long>(plot.years.size());
        rowsWritten += static_cast<long long>(inputRows);
        hooks_.report(rowsWritten, totalRows);
        return true;
    };
    const auto& runner = plot_pipeline_runner();
    const PipelineTimes times = runner ? runner->run(pipeline, options_) : run_plot_pipeline(pipeline, cfg_.jobs);
    if (!ended) writer.removeRemainingOldResults();
    writer.commit();
    result_.timings.reading = times.reading;
    result_.timings.simulation = times.simulation;
    result_.timings.writing = times.writing;
    if (ended) {
        if (ended->first == RunOutcome::Stopped) log("STOP RUN");
        return end(ended->first, ended->second);
    }
    result_.skipped = std::max(0LL, result_.selected - simulated);
    if (result_.skipped > 0) {
        // Selected plots the input query gave no rows.
        for (auto cur = c_.query("SELECT DISTINCT FL_ID FROM site_state WHERE status=1"); !cur.eof(); cur.next())
            if (cur.field(0).isInteger() && !seen.count(cur.field(0).toInt()))
                skipped.emplace(cur.field(0).toInt(), kNoInputRows);
        log("plots not simulated: " + std::to_string(result_.skipped) + " of " + std::to_string(result_.selected));
        std::string named;
        for (const auto& [plot, reason] : skipped) {
            const std::string line = "  plot " + std::to_string(plot) + ": " + reason;
            log(line);
            named += (named.empty() ? "" : "\n") + line;
            result_.skippedPlots.push_back({plot, reason});
        }
        hooks_.show("plots not simulated", "\n" + named);
    }
    finish(lastPlot);
    return end(RunOutcome::Finished, {});
}

} // namespace

RunResult run_annual_balance(db::Connection& c, const RunConfig& cfg, const RunHooks& hooks)
{
    AnnualBalance balance(c, cfg, hooks);
    try {
        return balance.run();
    } catch (const std::exception& e) {
        hooks.show("error", e.what());
        RunResult r;
        r.outcome = RunOutcome::Failed;
        r.message = e.what();
        return r;
    }
}

} // namespace vt::engine
