#include "engine/soil/fom_pools.h"

namespace vt::engine {

void OpsList::add_ops_rec(long double pop, long double cnr, long double k, long double eta, long double cops, int m,
                          int opsIx)
{
    for (OpsRecord& r : pools_) {
        if (r.cnr == cnr && r.k == k && r.eta == eta && r.item_ix == opsIx) {
            const long double total = r.cops + cops;
            // Adding nothing to an exhausted pool leaves its age as it was.
            if (total != 0) r.age = (r.age * r.cops + 1 * cops) / total;
            r.cops = total;
            return;
        }
    }
    OpsRecord r;
    r.item_ix = opsIx;
    r.mkd = m;
    r.age = 1;
    r.cnr = cnr;
    r.k = k;
    r.eta = eta;
    r.pop = pop;
    r.cops = cops;
    r.repflx = 0;
    pools_.push_back(r);
}

void OpsList::opsturnover(long double bat, long double cnrsom, OpsFlux& flux)
{
    flux.dnmin = 0;
    flux.cminops = 0;
    flux.dcrep = 0;
    long double marked = 0;
    for (OpsRecord& r : pools_) {
        const long double a = bat * r.k * r.cops;
        flux.cminops += a * (1 - r.eta);
        r.cops -= a;
        flux.dcrep += a * r.eta;
        r.repflx += a * r.eta;
        if (r.mkd == 1) marked += a * r.eta;
        flux.dnmin += a / r.cnr - a * r.eta / cnrsom;
        flux.dnsom += a / r.cnr;
    }
    flux.mr = marked > 0 ? marked / flux.dcrep : 0;
}

double OpsList::get_c_ops() const
{
    long double sum = 0;
    for (const OpsRecord& r : pools_) sum += r.cops;
    return static_cast<double>(sum);
}

double OpsList::get_n_ops() const
{
    long double sum = 0;
    for (const OpsRecord& r : pools_) sum += r.cops / r.cnr;
    return static_cast<double>(sum);
}

double OpsList::cops4corg() const
{
    long double sum = 0;
    for (const OpsRecord& r : pools_) sum += r.cops * r.pop;
    return static_cast<double>(sum);
}

} // namespace vt::engine
