#pragma once
// The messages between rank 0, which owns the database, and the ranks that simulate.
#include "engine/session/session_codec.h"

#include <mpi.h>

#include <functional>
#include <list>
#include <utility>
#include <string>
#include <vector>

namespace vt::mpi {

enum Tag : int {
    kSession = 1,      // 0 -> r: the run's options and the rank's block of prepared plots
    kEvaluate = 2,     // 0 -> r: parameters; the rank simulates its block
    kOutputs = 3,      // r -> 0: the block's outputs, in plot order
    kSample = 4,       // 0 -> r: an uncertainty request and the observations of the block
    kProgress = 5,     // r -> 0: one more plot of the block done (its FL_ID)
    kResult = 6,       // r -> 0: the block's quantiles, sensitivity indices and coverage
    kRunOptions = 7,   // 0 -> r: the options of a run's balance
    kRunBlock = 8,     // 0 -> r: a block of a run's plots
    kRunOutputs = 9,   // r -> 0: their outputs
    kEnd = 10,         // 0 -> r: no more work
    kError = 11,       // r -> 0: what failed, naming the rank and the plot
};

int rank();
int size();

void send(int dest, Tag tag, engine::ByteWriter& w);

// Sends that do not wait for the receiver (a rank may be sending its own answer at the
// same time): the bytes are kept until the message has gone.
class PendingSends {
public:
    PendingSends() = default;
    PendingSends(const PendingSends&) = delete;
    PendingSends& operator=(const PendingSends&) = delete;
    ~PendingSends() { waitAll(); }
    void send(int dest, Tag tag, engine::ByteWriter&& w);
    void waitAll();

private:
    void reap();
    std::list<std::pair<MPI_Request, std::vector<char>>> pending_;
};

// A message from `source` with `tag`. A failure reported by any rank instead ends the
// job: rank 0 prints it and aborts every rank (exit code 1).
std::vector<char> receive(int source, Tag tag);

// Receives whatever message comes next from any rank: its source, tag and bytes.
struct Message {
    int source = 0;
    int tag = 0;
    std::vector<char> bytes;
};
// A waiting message, or none (source -1).
Message poll();

// Prints "veltrano-mpi: " and the text on standard error and ends every rank with exit
// code 1; whatever rank 0 has not committed is not written.
[[noreturn]] void abort_job(const std::string& text);

// Rank 1..N-1: serves rank 0 until it sends kEnd; returns the exit code.
int serve();

// Rank 0: tells every other rank to stop serving.
void end_workers();

// The rank's share [from, to) of n plots whose weights (input rows) are given: contiguous
// blocks in plot order with about equal weight, rank 0 first.
std::vector<std::size_t> block_bounds(const std::vector<std::size_t>& weights, int ranks);

} // namespace vt::mpi
