#pragma once
#include "engine/balance/balance_types.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

namespace vt::engine {

// Seconds spent in the three stages of a plot pipeline; simulation is summed over the
// worker threads.
struct PipelineTimes {
    double reading = 0;
    double simulation = 0;
    double writing = 0;
};

struct PlotPipeline {
    // The next plot's input, or empty when there is none; called on the calling thread.
    std::function<std::optional<PlotInput>()> read;
    // Completes a plot read with awaitsStoredState, on the calling thread, once every plot
    // read before it has been written.
    std::function<void(PlotInput&)> settle;
    // The simulation of one plot; called on the worker threads, so it must touch nothing
    // shared.
    std::function<PlotOutput(const PlotInput&)> simulate;
    // Takes the output of a plot together with the number of input rows the plot had, on
    // the calling thread, in the order in which the plots were read; false ends the run
    // (the plots read after it are dropped unwritten).
    std::function<bool(PlotOutput&&, std::size_t inputRows)> write;
};

// Reads plots, simulates them and writes them in reading order with `jobs` threads: the
// calling thread reads and writes, the others simulate (with one thread, the calling
// thread does everything, one plot after another). The written rows do not depend on the
// number of threads. At most a few plots per thread are in flight at any time. An
// exception of any stage ends the run and reaches the caller, after the workers have
// stopped.
// The calling thread, which owns the connection, is the busiest: a simulating thread of its
// own for every core would take turns with it on the cores and hold it up.
PipelineTimes run_plot_pipeline(const PlotPipeline& pipeline, int jobs);

// Runs a run's pipeline in place of run_plot_pipeline, for instance with the simulations
// spread over the processes of a cluster. It must call read, settle and write on the
// calling thread as run_plot_pipeline does, write the plots in reading order and give the
// output simulate_plot gives with `options`.
class PlotPipelineRunner {
public:
    virtual ~PlotPipelineRunner() = default;
    virtual PipelineTimes run(const PlotPipeline& pipeline, const BalanceOptions& options) = 0;
};

// The runner that every run of this process uses from now on in place of its threads
// (veltrano-mpi sets one on rank 0); empty: run_plot_pipeline.
void set_plot_pipeline_runner(std::shared_ptr<PlotPipelineRunner> runner);
const std::shared_ptr<PlotPipelineRunner>& plot_pipeline_runner();

// The number of simulating threads beside the calling thread that `jobs` asks for: one
// less than itself when positive, else one less than the number of cores.
int worker_count(int jobs);

} // namespace vt::engine
