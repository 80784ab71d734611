#include "mpi/spread.h"

#include "mpi/messages.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <deque>
#include <exception>
#include <map>
#include <optional>
#include <stdexcept>
#include <thread>

namespace vt::mpi {

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

std::vector<std::size_t> row_weights(const std::vector<engine::PlotInput>& inputs)
{
    std::vector<std::size_t> w;
    w.reserve(inputs.size());
    for (const auto& in : inputs) w.push_back(in.rows.size() + 1);
    return w;
}

} // namespace

void ProgressLine::update(double done, double total, double work, bool last)
{
    const auto now = Clock::now();
    if (!last && now - shown_ < std::chrono::seconds(2)) return;
    shown_ = now;
    const double s = std::chrono::duration<double>(now - start_).count();
    char line[256];
    if (last)
        std::snprintf(line, sizeof line, "%s: %.0f of %.0f %s in %.1f s, %.0f plot-years/s\n", what_.c_str(), done,
                      total, unit_.c_str(), s, s > 0 ? work / s : 0.0);
    else
        std::snprintf(line, sizeof line, "%s: %.0f of %.0f %s, %.0f plot-years/s, %.0f s left\n", what_.c_str(),
                      done, total, unit_.c_str(), s > 0 ? work / s : 0.0,
                      done > 0 ? s * (total - done) / done : 0.0);
    std::fputs(line, stderr);
    std::fflush(stderr);
}

std::vector<eval::Observation> observations_of(const std::vector<eval::Observation>& carbon, long long fl_id)
{
    std::vector<eval::Observation> out;
    for (const auto& o : carbon)
        if (o.fl_id == fl_id) out.push_back(o);
    return out;
}

eval::UncertaintyResult sample_plot(const engine::PlotInput& in, const engine::BalanceOptions& options,
                                    const std::vector<eval::Observation>& carbon, const eval::UncertaintyRequest& request)
{
    const auto one = engine::SimulationSession::fromPrepared({in}, options);
    eval::UncertaintyRequest r = request;
    r.stop = nullptr;
    r.progress = nullptr;
    return eval::run_uncertainty(one, carbon, r);
}

void encode(engine::ByteWriter& w, const eval::UncertaintyResult& r)
{
    w.rawVector(r.quantiles);
    w.size(r.sensitivity.size());
    for (const auto& s : r.sensitivity) {
        w.raw(s.fl_id);
        w.text(s.parameter);
        w.raw(s.s1);
    }
    w.rawVector(r.coverage);
}

void append_decoded(engine::ByteReader& r, eval::UncertaintyResult& into)
{
    for (const auto& q : r.rawVector<eval::QuantileRow>()) into.quantiles.push_back(q);
    for (std::size_t n = r.size(); n > 0; --n) {
        eval::SensitivityRow s;
        s.fl_id = r.raw<long long>();
        s.parameter = r.text();
        s.s1 = r.raw<double>();
        into.sensitivity.push_back(std::move(s));
    }
    for (const auto& c : r.rawVector<eval::PlotCoverage>()) into.coverage.push_back(c);
}

void encode(engine::ByteWriter& w, const eval::UncertaintyRequest& r)
{
    w.size(r.parameters.size());
    for (const auto& p : r.parameters) {
        w.text(p.name);
        w.raw(p.distribution);
    }
    w.raw(static_cast<std::uint64_t>(r.samples));
    w.raw(r.seed);
    w.raw(r.jobs);
}

eval::UncertaintyRequest decode_request(engine::ByteReader& r)
{
    eval::UncertaintyRequest q;
    q.parameters.resize(r.size());
    for (auto& p : q.parameters) {
        p.name = r.text();
        p.distribution = r.raw<eval::Distribution>();
    }
    q.samples = static_cast<std::size_t>(r.raw<std::uint64_t>());
    q.seed = r.raw<std::uint64_t>();
    q.jobs = r.raw<int>();
    return q;
}

void SessionSpread::handOver(engine::SimulationSession& session)
{
    const auto& inputs = session.inputs();
    bounds_ = block_bounds(row_weights(inputs), size());
    std::vector<std::size_t> sent(static_cast<std::size_t>(size()), 0);
    for (int r = 1; r < size(); ++r) {
        engine::ByteWriter w;
        engine::encode(w, session.options());
        w.raw(jobs_);
        engine::encode_list(w, inputs, bounds_[r], bounds_[r + 1]);
        sent[static_cast<std::size_t>(r)] = w.bytes().size();
        send(r, kSession, w);
    }
    // Which rank holds which plots: the message of a rank that fails names its plot, and
    // one that is killed is named by mpirun.
    for (int r = 0; r < size(); ++r) {
        const std::size_t from = bounds_[r], to = bounds_[r + 1];
        if (from == to)
            std::printf("rank %d: no plot\n", r);
        else
            std::printf("rank %d: %zu plots, FL_ID %lld to %lld (%zu bytes)\n", r, to - from, inputs[from].fl_id,
                        inputs[to - 1].fl_id, r == 0 ? std::size_t(0) : sent[static_cast<std::size_t>(r)]);
    }
    std::fflush(stdout);
    // The session simulates rank 0's block itself; the simulator must not call back into it.
    const auto own = engine::SimulationSession::fromPrepared(
        std::vector<engine::PlotInput>(inputs.begin(), inputs.begin() + static_cast<long>(bounds_[1])),
        session.options());
    auto shared = std::make_shared<engine::SimulationSession>(own);
    // Item parameters are refused before a job starts, so the evaluations carry only the
    // stored item values, which are already in the prepared inputs: the block sessions know
    // no item tables and simulate with the inputs as they are.
    session.setSimulator([this, shared, n = inputs.size(), stored = session.baseParameters().items](
                             const engine::SessionParameters& given) {
        if (!given.items.empty() && given.items != stored)
            abort_job("item parameters (substances and crops) cannot be spread over ranks");
        engine::SessionParameters p = given;
        p.items.clear();
        for (int r = 1; r < size(); ++r) {
            engine::ByteWriter w;
            engine::encode(w, p);
            send(r, kEvaluate, w);
        }
        std::vector<engine::PlotOutput> out = shared->simulate(p, jobs_);
        out.reserve(n);
        for (int r = 1; r < size(); ++r) {
            const auto bytes = receive(r, kOutputs);
            engine::ByteReader reader(bytes.data(), bytes.size());
            for (auto& o : engine::decode_list<engine::PlotOutput>(reader)) out.push_back(std::move(o));
        }
        if (out.size() != n) abort_job("the ranks returned " + std::to_string(out.size()) + " plots of " + std::to_string(n));
        return out;
    });
}

eval::UncertaintyResult SessionSpread::sample(const engine::SimulationSession& session,
                                              const std::vector<eval::Observation>& carbon,
                                              const eval::UncertaintyRequest& request)
{
    // The refusals of the single process, before any rank starts.
    if (request.samples == 0) throw std::invalid_argument("--samples must be at least 1");
    {
        engine::SessionParameters probe = session.baseParameters();
        for (const auto& p : request.parameters)
            if (!engine::session_parameter(probe, p.name)) throw std::invalid_argument("unknown parameter " + p.name);
    }
    const auto& inputs = session.inputs();
    for (int r = 1; r < size(); ++r) {
        engine::ByteWriter w;
        encode(w, request);
        std::vector<eval::Observation> block;
        for (std::size_t i = bounds_[r]; i < bounds_[r + 1]; ++i)
            for (const auto& o : observations_of(carbon, inputs[i].fl_id)) block.push_back(o);
        w.rawVector(block);
        send(r, kSample, w);
    }

    std::atomic<std::size_t> ownDone{0};
    std::atomic<bool> ownFinished{false};
    std::exception_ptr ownError;
    eval::UncertaintyResult own;
    std::thread worker([&] {
        try {
            for (std::size_t i = 0; i < bounds_[1]; ++i) {
                const auto part = sample_plot(inputs[i], session.options(), observations_of(carbon, inputs[i].fl_id), request);
                own.quantiles.insert(own.quantiles.end(), part.quantiles.begin(), part.quantiles.end());
                own.sensitivity.insert(own.sensitivity.end(), part.sensitivity.begin(), part.sensitivity.end());
                own.coverage.insert(own.coverage.end(), part.coverage.begin(), part.coverage.end());
                ++ownDone;
            }
        } catch (...) {
            ownError = std::current_exception();
        }
        ownFinished = true;
    });

    std::vector<std::optional<std::vector<char>>> results(static_cast<std::size_t>(size()));
    std::vector<std::size_t> done(static_cast<std::size_t>(size()), 0);
    std::vector<double> rowsUpTo{0};
    for (const auto& in : inputs) rowsUpTo.push_back(rowsUpTo.back() + static_cast<double>(in.rows.size()));
    const double samples = static_cast<double>(request.samples);
    ProgressLine progress("uncertainty", "plots");
    std::size_t received = 1;
    for (;;) {
        const Message m = poll();
        if (m.source < 0) {
            if (received == static_cast<std::size_t>(size()) && ownFinished) break;
            if (request.stop && request.stop()) {
                if (worker.joinable()) worker.detach();
                abort_job("STOP RUN: stopped while sampling; nothing was written");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } else if (m.tag == kError) {
            worker.detach();
            abort_job(std::string(m.bytes.begin(), m.bytes.end()) + "; the job is ended and writes nothing more");
        } else if (m.tag == kProgress) {
            ++done[static_cast<std::size_t>(m.source)];
        } else if (m.tag == kResult) {
            results[static_cast<std::size_t>(m.source)] = m.bytes;
            ++received;
        }
        done[0] = ownDone;
        double plots = 0, work = 0;
        for (int r = 0; r < size(); ++r) {
            plots += static_cast<double>(done[static_cast<std::size_t>(r)]);
            work += rowsUpTo[bounds_[r] + done[static_cast<std::size_t>(r)]] - rowsUpTo[bounds_[r]];
        }
        progress.update(plots, static_cast<double>(inputs.size()), work * samples);
    }
    worker.join();
    if (ownError) {
        try {
            std::rethrow_exception(ownError);
        } catch (const std::invalid_argument&) {
            throw;
        } catch (const std::exception& e) {
            abort_job(std::string("rank 0 failed: ") + e.what() + "; the job is ended and writes nothing more");
        }
    }
    progress.update(static_cast<double>(inputs.size()), static_cast<double>(inputs.size()),
                    rowsUpTo.back() * samples, true);
    eval::UncertaintyResult r = std::move(own);
    for (int k = 1; k < size(); ++k) {
        const auto& bytes = *results[static_cast<std::size_t>(k)];
        engine::ByteReader reader(bytes.data(), bytes.size());
        append_decoded(reader, r);
    }
    r.samples = request.samples;
    if (request.progress) request.progress(request.samples, request.samples);
    return r;
}

engine::PipelineTimes RunSpread::run(const engine::PlotPipeline& p, const engine::BalanceOptions& options)
{
    constexpr std::size_t kBlockPlots = 8;
    constexpr int kBlocksPerRank = 2;
    engine::PipelineTimes t;
    for (int r = 1; r < size(); ++r) {
        engine::ByteWriter w;
        engine::encode(w, options);
        send(r, kRunOptions, w);
    }
    struct Block {
        int rank;
        std::vector<std::size_t> rows;
    };
    std::deque<Block> inFlight;
    PendingSends sends;
    std::vector<int> load(static_cast<std::size_t>(size()), 0);
    int nextRank = 1;
    bool go = true;

    // Receives the oldest block and writes its plots (or only drains it once the run ended).
    const auto writeOldest = [&] {
        Block b = std::move(inFlight.front());
        inFlight.pop_front();
        auto t0 = Clock::now();
        const auto bytes = receive(b.rank, kRunOutputs);
        engine::ByteReader reader(bytes.data(), bytes.size());
        auto outputs = engine::decode_list<engine::PlotOutput>(reader);
        t.simulation += seconds_since(t0);
        --load[static_cast<std::size_t>(b.rank)];
        t0 = Clock::now();
        for (std::size_t i = 0; i < outputs.size() && go; ++i) go = p.write(std::move(outputs[i]), b.rows[i]);
        t.writing += seconds_since(t0);
    };
    std::vector<engine::PlotInput> block;
    const auto sendBlock = [&] {
        if (block.empty()) return;
        const int r = nextRank;
        nextRank = nextRank % (size() - 1) + 1;
        while (load[static_cast<std::size_t>(r)] >= kBlocksPerRank && go) writeOldest();
        if (!go) return;
        engine::ByteWriter w;
        engine::encode_list(w, block);
        sends.send(r, kRunBlock, std::move(w));
        Block b{r, {}};
        for (const auto& in : block) b.rows.push_back(in.rows.size());
        inFlight.push_back(std::move(b));
        ++load[static_cast<std::size_t>(r)];
        block.clear();
    };
    while (go) {
        auto t0 = Clock::now();
        std::optional<engine::PlotInput> in = p.read();
        t.reading += seconds_since(t0);
        if (!in) break;
        if (in->awaitsStoredState && p.settle) {
            // Its state may be one that a plot before it stores: everything before it is written first.
            sendBlock();
            while (!inFlight.empty() && go) writeOldest();
            if (!go) break;
            p.settle(*in);
        }
        block.push_back(std::move(*in));
        if (block.size() >= kBlockPlots) sendBlock();
    }
    if (go) sendBlock();
    while (!inFlight.empty()) writeOldest();
    sends.waitAll();
    return t;
}

} // namespace vt::mpi
