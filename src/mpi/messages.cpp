#include "mpi/messages.h"

#include <chrono>
#include <climits>
#include <thread>
#include <cstdio>
#include <stdexcept>

namespace vt::mpi {

int rank()
{
    int r = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &r);
    return r;
}

int size()
{
    int n = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &n);
    return n;
}

void send(int dest, Tag tag, engine::ByteWriter& w)
{
    auto& b = w.bytes();
    if (b.size() > static_cast<std::size_t>(INT_MAX))
        throw std::runtime_error("a block of plots exceeds 2 GB: spread the plots over more ranks");
    MPI_Send(b.data(), static_cast<int>(b.size()), MPI_BYTE, dest, tag, MPI_COMM_WORLD);
}

void PendingSends::send(int dest, Tag tag, engine::ByteWriter&& w)
{
    reap();
    auto& bytes = w.bytes();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        throw std::runtime_error("a block of plots exceeds 2 GB: spread the plots over more ranks");
    pending_.emplace_back(MPI_REQUEST_NULL, std::move(bytes));
    auto& [request, kept] = pending_.back();
    MPI_Isend(kept.data(), static_cast<int>(kept.size()), MPI_BYTE, dest, tag, MPI_COMM_WORLD, &request);
}

void PendingSends::reap()
{
    for (auto it = pending_.begin(); it != pending_.end();) {
        int done = 0;
        MPI_Test(&it->first, &done, MPI_STATUS_IGNORE);
        it = done ? pending_.erase(it) : std::next(it);
    }
}

void PendingSends::waitAll()
{
    for (auto& [request, bytes] : pending_) MPI_Wait(&request, MPI_STATUS_IGNORE);
    pending_.clear();
}

namespace {

std::vector<char> take(const MPI_Status& st)
{
    int count = 0;
    MPI_Get_count(&st, MPI_BYTE, &count);
    std::vector<char> bytes(static_cast<std::size_t>(count));
    MPI_Recv(bytes.data(), count, MPI_BYTE, st.MPI_SOURCE, st.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return bytes;
}

} // namespace

void abort_job(const std::string& text)
{
    std::fprintf(stderr, "veltrano-mpi: %s\n", text.c_str());
    std::fflush(stderr);
    std::fflush(stdout);
    MPI_Abort(MPI_COMM_WORLD, 1);
    std::abort();
}

std::vector<char> receive(int source, Tag tag)
{
    for (;;) {
        int flag = 0;
        MPI_Status st;
        MPI_Iprobe(MPI_ANY_SOURCE, kError, MPI_COMM_WORLD, &flag, &st);
        if (flag) {
            const auto bytes = take(st);
            abort_job(std::string(bytes.begin(), bytes.end()) + "; the job is ended and writes nothing more");
        }
        MPI_Iprobe(source, tag, MPI_COMM_WORLD, &flag, &st);
        if (flag) return take(st);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

Message poll()
{
    int flag = 0;
    MPI_Status st;
    MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &flag, &st);
    if (!flag) return {-1, 0, {}};
    return {st.MPI_SOURCE, st.MPI_TAG, take(st)};
}

void end_workers()
{
    engine::ByteWriter empty;
    for (int r = 1; r < size(); ++r) send(r, kEnd, empty);
}

std::vector<std::size_t> block_bounds(const std::vector<std::size_t>& weights, int ranks)
{
    std::size_t total = 0;
    for (auto w : weights) total += w;
    std::vector<std::size_t> bounds{0};
    std::size_t sum = 0, i = 0;
    for (int r = 1; r < ranks; ++r) {
        const double target = static_cast<double>(total) * r / ranks;
        while (i < weights.size() && static_cast<double>(sum) + static_cast<double>(weights[i]) / 2 < target)
            sum += weights[i++];
        bounds.push_back(i);
    }
    bounds.push_back(weights.size());
    return bounds;
}

} // namespace vt::mpi
