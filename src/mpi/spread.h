#pragma once
// Rank 0's side of the work spread over the ranks: the prepared plots handed over in
// blocks, the evaluations of a session, the samples of an uncertainty job and the plots of
// a run. Every function gives what the single process gives, bit for bit.
#include "engine/balance/plot_pipeline.h"
#include "engine/session/session_codec.h"
#include "engine/session/simulation_session.h"
#include "eval/uncertainty.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vt::mpi {

// A line of progress on standard error at most every two seconds (rank 0's terminal or
// the batch job's log): what is done of the total, its rate and the time left.
class ProgressLine {
public:
    explicit ProgressLine(std::string what, std::string unit) : what_(std::move(what)), unit_(std::move(unit)) {}
    // done and total in the units shown; work in the units of the rate (plot-years).
    void update(double done, double total, double work, bool last = false);

private:
    std::string what_, unit_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_ = start_;
};

// The plots of a prepared session spread over the ranks in contiguous blocks of about
// equal input rows; rank 0 keeps the first block and every input.
class SessionSpread {
public:
    explicit SessionSpread(int jobs) : jobs_(jobs) {}

    // Sends every other rank its block and lets the session's evaluations run on all ranks.
    void handOver(engine::SimulationSession& session);

    // An uncertainty job's sampling spread by plots: every rank samples its plots one
    // after another, rank 0 merges the results in plot order.
    eval::UncertaintyResult sample(const engine::SimulationSession& session, const std::vector<eval::Observation>& carbon,
                                   const eval::UncertaintyRequest& request);

private:
    int jobs_;
    std::vector<std::size_t> bounds_;
};

// The sampling of one plot as eval::run_uncertainty gives it for that plot.
eval::UncertaintyResult sample_plot(const engine::PlotInput& in, const engine::BalanceOptions& options,
                                    const std::vector<eval::Observation>& carbon, const eval::UncertaintyRequest& request);

// The observations of a plot.
std::vector<eval::Observation> observations_of(const std::vector<eval::Observation>& carbon, long long fl_id);

void encode(engine::ByteWriter& w, const eval::UncertaintyResult& r);
void append_decoded(engine::ByteReader& r, eval::UncertaintyResult& into);
void encode(engine::ByteWriter& w, const eval::UncertaintyRequest& r);
eval::UncertaintyRequest decode_request(engine::ByteReader& r);

// A run's plots spread over ranks 1..N-1 in blocks of a few plots, with at most two blocks
// per rank in flight; rank 0 reads the plots and writes them in reading order.
class RunSpread : public engine::PlotPipelineRunner {
public:
    engine::PipelineTimes run(const engine::PlotPipeline& pipeline, const engine::BalanceOptions& options) override;
};

} // namespace vt::mpi
