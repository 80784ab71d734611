// Ranks 1..N-1: simulate what rank 0 hands them and send the results back. They never
// open the database.
#include "engine/balance/plot_simulation.h"
#include "mpi/messages.h"
#include "mpi/spread.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace vt::mpi {

namespace {

// Simulates plots [0, n) with `jobs` threads; a failure names its plot.
template <class Simulate>
std::vector<engine::PlotOutput> simulate_block(const std::vector<engine::PlotInput>& inputs, int jobs, Simulate&& simulate)
{
    std::vector<engine::PlotOutput> out(inputs.size());
    engine::parallel_for(inputs.size(), jobs, [&](std::size_t i) {
        try {
            out[i] = simulate(i);
        } catch (const std::exception& e) {
            throw std::runtime_error("plot " + std::to_string(inputs[i].fl_id) + ": " + e.what());
        }
    });
    return out;
}

void report_failure(const std::string& what)
{
    const std::string text = "rank " + std::to_string(rank()) + " failed at " + what;
    engine::ByteWriter w;
    w.bytes().assign(text.begin(), text.end());
    send(0, kError, w);
}

} // namespace

int serve()
{
    std::optional<engine::SimulationSession> session;
    int jobs = 1;
    engine::BalanceOptions runOptions;
    for (;;) {
        MPI_Status st;
        MPI_Probe(0, MPI_ANY_TAG, MPI_COMM_WORLD, &st);
        int count = 0;
        MPI_Get_count(&st, MPI_BYTE, &count);
        std::vector<char> bytes(static_cast<std::size_t>(count));
        MPI_Recv(bytes.data(), count, MPI_BYTE, 0, st.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        if (st.MPI_TAG == kEnd) return 0;
        engine::ByteReader reader(bytes.data(), bytes.size());
        long long plot = 0;  // the plot in hand, for the message of a failure
        try {
            switch (st.MPI_TAG) {
            case kSession: {
                engine::BalanceOptions options;
                engine::decode(reader, options);
                jobs = reader.raw<int>();
                session = engine::SimulationSession::fromPrepared(
                    engine::decode_list<engine::PlotInput>(reader), std::move(options));
                break;
            }
            case kEvaluate: {
                engine::SessionParameters p;
                engine::decode(reader, p);
                const auto& inputs = session->inputs();
                const auto out = simulate_block(inputs, jobs, [&](std::size_t i) { return session->simulatePlot(i, p); });
                engine::ByteWriter w;
                engine::encode_list(w, out);
                send(0, kOutputs, w);
                break;
            }
            case kSample: {
                const eval::UncertaintyRequest request = decode_request(reader);
                const auto carbon = reader.rawVector<eval::Observation>();
                eval::UncertaintyResult all;
                engine::ByteWriter none;
                for (const auto& in : session->inputs()) {
                    plot = in.fl_id;
                    const auto part = sample_plot(in, session->options(), observations_of(carbon, in.fl_id), request);
                    all.quantiles.insert(all.quantiles.end(), part.quantiles.begin(), part.quantiles.end());
                    all.sensitivity.insert(all.sensitivity.end(), part.sensitivity.begin(), part.sensitivity.end());
                    all.coverage.insert(all.coverage.end(), part.coverage.begin(), part.coverage.end());
                    send(0, kProgress, none);
                }
                plot = 0;
                engine::ByteWriter w;
                encode(w, all);
                send(0, kResult, w);
                break;
            }
            case kRunOptions: engine::decode(reader, runOptions); break;
            case kRunBlock: {
                const auto inputs = engine::decode_list<engine::PlotInput>(reader);
                const auto out =
                    simulate_block(inputs, 1, [&](std::size_t i) { return engine::simulate_plot(inputs[i], runOptions); });
                engine::ByteWriter w;
                engine::encode_list(w, out);
                send(0, kRunOutputs, w);
                break;
            }
            default: report_failure("a message it does not know (tag " + std::to_string(st.MPI_TAG) + ")");
            }
        } catch (const std::exception& e) {
            report_failure(plot ? "plot " + std::to_string(plot) + ": " + e.what() : std::string(e.what()));
        }
    }
}

} // namespace vt::mpi
