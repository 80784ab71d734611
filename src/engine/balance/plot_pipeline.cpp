#include "engine/balance/plot_pipeline.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vt::engine {

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

PipelineTimes run_sequential(const PlotPipeline& p)
{
    PipelineTimes t;
    for (;;) {
        auto t0 = Clock::now();
        std::optional<PlotInput> in = p.read();
        t.reading += seconds_since(t0);
        if (!in) break;
        if (in->awaitsStoredState && p.settle) p.settle(*in);
        t0 = Clock::now();
        PlotOutput out = p.simulate(*in);
        t.simulation += seconds_since(t0);
        const std::size_t rows = in->rows.size();
        in.reset();
        t0 = Clock::now();
        const bool go = p.write(std::move(out), rows);
        t.writing += seconds_since(t0);
        if (!go) break;
    }
    return t;
}

// The plots between reading and writing, shared by the calling thread and the workers.
class InFlight {
public:
    struct Done {
        std::optional<PlotOutput> output;
        std::exception_ptr error;
        double seconds = 0;
    };

    void push(long long seq, PlotInput in)
    {
        {
            std::lock_guard<std::mutex> l(m_);
            work_.emplace_back(seq, std::move(in));
        }
        workCv_.notify_one();
    }
    // A worker's next plot; empty once the pipeline closes.
    std::optional<std::pair<long long, PlotInput>> take()
    {
        std::unique_lock<std::mutex> l(m_);
        workCv_.wait(l, [this] { return closed_ || !work_.empty(); });
        if (closed_) return std::nullopt;
        auto item = std::move(work_.front());
        work_.pop_front();
        return item;
    }
    void finish(long long seq, Done d)
    {
        {
            std::lock_guard<std::mutex> l(m_);
            done_.emplace(seq, std::move(d));
        }
        doneCv_.notify_all();
    }
    // Waits for the plot `seq` to be simulated.
    Done await(long long seq)
    {
        std::unique_lock<std::mutex> l(m_);
        doneCv_.wait(l, [&] { return done_.count(seq) > 0; });
        Done d = std::move(done_.at(seq));
        done_.erase(seq);
        return d;
    }
    void close()
    {
        {
            std::lock_guard<std::mutex> l(m_);
            closed_ = true;
            work_.clear();
        }
        workCv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable workCv_, doneCv_;
    std::deque<std::pair<long long, PlotInput>> work_;
    std::map<long long, Done> done_;
    bool closed_ = false;
};

// Closes the pipeline and joins the workers however the calling thread leaves.
class Workers {
public:
    Workers(InFlight& q, const PlotPipeline& p, int n) : q_(q), seconds_(static_cast<std::size_t>(n), 0.0)
    {
        for (int i = 0; i < n; ++i)
            threads_.emplace_back([this, &p, i] { work(p, seconds_[static_cast<std::size_t>(i)]); });
    }
    ~Workers() { join(); }
    double join()
    {
        q_.close();
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
        double sum = 0;
        for (double s : seconds_) sum += s;
        return sum;
    }

private:
    void work(const PlotPipeline& p, double& seconds)
    {
        while (auto item = q_.take()) {
            InFlight::Done d;
            const auto t0 = Clock::now();
            try {
                d.output = p.simulate(item->second);
            } catch (...) {
                d.error = std::current_exception();
            }
            d.seconds = seconds_since(t0);
            seconds += d.seconds;
            item->second = PlotInput{};
            q_.finish(item->first, std::move(d));
        }
    }

    InFlight& q_;
    std::vector<double> seconds_;
    std::vector<std::thread> threads_;
};

} // namespace

namespace {

std::shared_ptr<PlotPipelineRunner>& runner_slot()
{
    static std::shared_ptr<PlotPipelineRunner> runner;
    return runner;
}

} // namespace

void set_plot_pipeline_runner(std::shared_ptr<PlotPipelineRunner> runner) { runner_slot() = std::move(runner); }

const std::shared_ptr<PlotPipelineRunner>& plot_pipeline_runner() { return runner_slot(); }

int worker_count(int jobs)
{
    const unsigned cores = std::thread::hardware_concurrency();
    const int threads = jobs > 0 ? jobs : (cores > 0 ? static_cast<int>(cores) : 1);
    return threads - 1;
}

PipelineTimes run_plot_pipeline(const PlotPipeline& p, int jobs)
{
    const int n = worker_count(jobs);
    if (n < 1) return run_sequential(p);

    PipelineTimes t;
    InFlight q;
    Workers workers(q, p, n);
    // Enough plots in flight to keep every worker busy while the calling thread writes.
    const long long window = 4LL * (n + 1);
    std::map<long long, std::size_t> rows;  // input rows of the plots in flight
    long long nextRead = 0, nextWrite = 0;
    bool exhausted = false;
    // Writes the next plot in reading order; false when the writer ends the run.
    const auto writeNext = [&] {
        InFlight::Done d = q.await(nextWrite);
        if (d.error) std::rethrow_exception(d.error);
        const auto t0 = Clock::now();
        const bool go = p.write(std::move(*d.output), rows[nextWrite]);
        t.writing += seconds_since(t0);
        rows.erase(nextWrite++);
        return go;
    };
    bool go = true;
    while (go) {
        while (go && !exhausted && nextRead - nextWrite < window) {
            const auto t0 = Clock::now();
            std::optional<PlotInput> in = p.read();
            t.reading += seconds_since(t0);
            if (!in) {
                exhausted = true;
                break;
            }
            if (in->awaitsStoredState && p.settle) {
                // It may start from a state that the plots before it store.
                while (go && nextWrite < nextRead) go = writeNext();
                if (!go) break;
                p.settle(*in);
            }
            rows[nextRead] = in->rows.size();
            q.push(nextRead++, std::move(*in));
        }
        if (!go || nextWrite == nextRead) break;
        go = writeNext();
    }
    t.simulation = workers.join();
    return t;
}

} // namespace vt::engine
