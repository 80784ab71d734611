#pragma once
#include <vector>

// Fresh organic matter (crop residues, roots, by-products, organic amendments) of one plot:
// additions with identical decomposition properties share a pool; every pool decays with
// first-order kinetics and passes the share eta of its decomposed carbon to the soil
// organic matter. Numbers in extended precision; pools kept in creation order.

namespace vt::engine {

struct OpsRecord {
    int item_ix = 0;          // kind of material
    int mkd = 0;              // 1: its carbon is followed as marked carbon
    long double age = 0;      // mean age of the pool's carbon, years
    long double repflx = 0;   // carbon passed to soil organic matter so far, kg C/ha
    long double pop = 0;      // share of the pool's carbon counted as soil organic carbon
    long double cops = 0;     // carbon in the pool, kg C/ha
    long double cnr = 0;      // C/N ratio
    long double k = 0;        // decomposition rate constant, per BAT-day
    long double eta = 0;      // share of decomposed carbon passed to soil organic matter
};

// Results of one decomposition step. dnsom accumulates across steps (its owner resets it
// once a year); the others describe the step alone.
struct OpsFlux {
    long double dnmin = 0;    // net N mineralisation: N released minus N bound in new SOM
    long double dcrep = 0;    // carbon passed to soil organic matter
    long double mr = 0;       // marked share of dcrep
    long double cminops = 0;  // carbon mineralised
    long double dnsom = 0;    // gross N released, running sum
};

// The pool list of the plot being simulated. The head record of the list (no material) is
// implicit; pools() are the records after it, in list order.
class OpsList {
public:
    // Starts an empty list (head only).
    void create_opsprm() { pools_.clear(); }
    // Releases every pool.
    void destroy_opsprm() { pools_.clear(); }

    // Adds carbon cops to the first pool with equal cnr, k, eta and item_ix = opsIx (the
    // pool's age becomes the carbon-weighted mean of its age and 1), or appends a new pool
    // with age 1.
    void add_ops_rec(long double pop, long double cnr, long double k, long double eta, long double cops, int m,
                     int opsIx);

    // One explicit decomposition step of bat BAT-days over all pools; cnrsom is the C/N
    // ratio of soil organic matter.
    void opsturnover(long double bat, long double cnrsom, OpsFlux& flux);

    double get_c_ops() const;  // sum of cops
    double get_n_ops() const;  // sum of cops / cnr
    double cops4corg() const;  // sum of cops * pop

    const std::vector<OpsRecord>& pools() const { return pools_; }
    std::vector<OpsRecord>& pools() { return pools_; }
    // Replaces the list, for a stored state read back.
    void replace(std::vector<OpsRecord> pools) { pools_ = std::move(pools); }
    bool empty() const { return pools_.empty(); }

private:
    std::vector<OpsRecord> pools_;
};

} // namespace vt::engine
