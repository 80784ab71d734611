#include "engine/balance/som_year_step.h"

#include "engine/soil/fom_pools.h"
#include "engine/soil/soil_physics.h"
#include "engine/soil/water_retention.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace vt::engine {

const char* first_non_finite(const SoilPools& p, const YearFlows& f)
{
    const std::pair<const char*, double> pools[] = {{"c_am", p.c_am},   {"c_sm", p.c_sm},   {"c_lts", p.c_lts},
                                                    {"c_dec", p.c_dec}, {"mkd_a", p.mkd_a}, {"mkd_s", p.mkd_s},
                                                    {"bd", p.BD}};
    for (const auto& [name, v] : pools)
        if (!std::isfinite(v)) return name;
    const std::pair<const char*, long double> flows[] = {
        {"c_rep", f.c_rep},         {"c_m_tot", f.c_m_tot},     {"c_m_fom", f.c_m_fom},     {"n_m_fom", f.n_m_fom},
        {"n_free_fom", f.n_free_fom}, {"n_m_om", f.n_m_om},     {"stab_flux", f.stab_flux}, {"act_flux", f.act_flux},
        {"c_imp_fom", f.c_imp_fom}, {"n_imp_fom", f.n_imp_fom}, {"n_flush", f.n_flush}};
    for (const auto& [name, v] : flows)
        if (!std::isfinite(v)) return name;
    return nullptr;
}

double ratio_or(double num, double den, double previous)
{
    if (den == 0) return previous;
    const double q = num / den;
    return std::isfinite(q) ? q : previous;
}

const char* bool_text(bool b) { return b ? "True" : "False"; }

std::string log_number(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

namespace {

std::vector<std::string> initial_split(const SomYearInput& in, SoilPools& p)
{
    // The bulk density is not replaced here: the stocks were computed with the density the
    // plot starts from, and another density would make the first year's content jump by
    // their ratio (14 % on a silty clay loam given 1.25 g/cm3 against 1.45 of its carbon).
    const double B = p.c_dec + p.c_lts;
    const ModelConstants& k = in.k;
    const double fa = k.ka / (k.ka + k.ks);
    p.c_am = std::clamp((1 + in.non_bal) * p.c_dec * fa, 0.0, std::max(p.c_dec, 0.0));
    p.c_sm = p.c_dec - p.c_am;
    return {"initial C-stock:",
            "   active C =" + log_number(p.c_am) + " kg/ha",
            "  stabile C =" + log_number(p.c_sm) + " kg/ha",
            "protected C =" + log_number(B - p.c_am - p.c_sm) + " kg/ha",
            "total org C =" + log_number(B) + " kg/ha",
            std::string("dyn_bd : ") + bool_text(in.dyn_bd),
            std::string("dyn_lts: ") + bool_text(in.dyn_lts)};
}

// One year older: the weighted ages of what the pool held and what flowed through it,
// over its carbon at the end of the year, + 1. A pool without carbon keeps its age.
double aged(long double weighted, double carbon, double previous)
{
    if (carbon == 0) return previous;
    const long double age = weighted / carbon + 1;
    return std::isfinite(age) ? static_cast<double>(age) : previous;
}

} // namespace

namespace {

// What the Euler steps of a year carry from one step to the next besides the pools.
struct StepSums {
    long double cMin = 0;  // carbon mineralisation
    long double nMin = 0;  // nitrogen mineralisation
    OpsFlux flux;
};

// One explicit Euler step of h BAT-days: the fresh organic matter decomposes, then the
// active and stabilised pools move with the rates at the start of the step. `full` steps
// follow the bulk density; the remainder step adds its fluxes after the pool update.
void euler_step(const SomYearInput& in, SoilPools& p, YearFlows& f, OpsList& fom, StepSums& s, long double h,
                bool full)
{
    const ModelConstants& k = in.k;
    const long double km = k.km, ks = k.ks, ka = k.ka;
    OpsFlux& flux = s.flux;
    fom.opsturnover(h, k.cnrsom, flux);
    f.c_rep += flux.dcrep;
    f.n_m_fom += flux.dnmin;
    f.n_free_fom = flux.dnsom;
    if (in.accumulationOnly) return;
    const long double am = p.c_am, sm = p.c_sm;
    const long double dA = flux.dcrep / h - (km + ks) * am + ka * sm;
    const long double dM = flux.mr * flux.dcrep / h - (km + ks) * am * p.mkd_a + ka * sm * p.mkd_s;
    const long double dS = ks * am - ka * sm;
    const long double dMs = ks * p.mkd_a * am - ka * p.mkd_s * sm;
    f.c_m_fom += flux.cminops;
    s.cMin += km * am * h + flux.cminops;
    s.nMin += h * km * am / k.cnrsom + flux.dnmin;
    if (full) {
        f.stab_flux += ks * am * h;
        f.act_flux += ka * sm * h;
    }
    p.mkd_a = ratio_or(static_cast<double>(p.mkd_a * am + dM * h), static_cast<double>(am + dA * h), p.mkd_a);
    p.c_am = static_cast<double>(am + dA * h);
    p.mkd_s = ratio_or(static_cast<double>(p.mkd_s * sm + dMs * h), static_cast<double>(sm + dS * h), p.mkd_s);
    p.c_sm = static_cast<double>(sm + dS * h);
    if (full) {
        if (in.dyn_bd) p.BD = bulk_density(carbon_content_of_stock(p.c_am + p.c_sm + p.c_lts, in.clay), in.clay);
    } else {
        f.stab_flux += ks * p.c_am * h;
        f.act_flux += ka * p.c_sm * h;
    }
}

// The end of a year: the decomposable carbon, the bulk density it gives, the year's sums.
void close_year(const SomYearInput& in, SoilPools& p, YearFlows& f, const StepSums& s)
{
    p.c_dec = p.c_am + p.c_sm;
    if (p.BD > 0 && in.dyn_bd) p.BD = bulk_density(carbon_content_of_stock(p.c_dec + p.c_lts, in.clay), in.clay);
    f.n_m_om += s.nMin;
    f.c_m_tot = s.cMin;
}

// Step counts up to which the shares below are remembered: 819 BAT-days.
constexpr std::size_t kRememberedSteps = 8192;

// What the full steps of a year need of one rate constant hk = h*k of fresh organic
// matter: the share of a pool lost in n steps, 1 - (1-hk)^n, and the share kept after j
// steps, (1-hk)^j, as the running product of the steps in double precision. Neither
// depends on the pool or the year, and the rates of a run are few (one per kind of
// material), so both are computed once per rate and step count and remembered.
class RateMemo {
public:
    explicit RateMemo(long double hk) : hk_(hk), logKeep_(std::log1p(-hk)) {}

    bool is(long double hk) const { return std::memcmp(&hk_, &hk, 10) == 0; }  // bit for bit: not -0 for +0

    long double lost(long long n)
    {
        const auto compute = [&] { return -std::expm1(static_cast<long double>(n) * logKeep_); };
        if (n < 0 || n >= static_cast<long long>(kRememberedSteps)) return compute();
        const std::size_t i = static_cast<std::size_t>(n);
        if (lost_.size() <= i) lost_.resize(i + 1, std::numeric_limits<long double>::quiet_NaN());
        if (std::isnan(lost_[i])) lost_[i] = compute();  // never NaN once computed: 0 <= hk < 1
        return lost_[i];
    }

    void prefetch(long long n) const
    {
        if (n >= 0 && static_cast<std::size_t>(n) < lost_.size()) __builtin_prefetch(&lost_[static_cast<std::size_t>(n)]);
    }

    // (1-hk)^j for j = 0 .. count-1: remembered up to kRememberedSteps; beyond (more BAT
    // than a year has days) written into `scratch`.
    const double* power(std::size_t count, std::vector<double>* scratch)
    {
        const double w = static_cast<double>(1 - hk_);
        std::vector<double>& to = count <= kRememberedSteps ? power_ : *scratch;
        if (to.empty()) to.push_back(1.0);
        while (to.size() < count) to.push_back(to.back() * w);
        return to.data();
    }

private:
    long double hk_;
    long double logKeep_;            // log1p(-hk)
    std::vector<long double> lost_;  // by step count; NaN until computed
    std::vector<double> power_;
};

// The memos of the rates met so far on this thread, one for every pool; forgotten all at
// once when a year brings more new rates than there is room for. A plot keeps its pools
// from year to year, so the memo of the pool at the same place the year before is tried
// first. The entries for the year's step count are fetched ahead of their use.
void rate_memos(const std::vector<OpsRecord>& pools, long double h, long long n, std::vector<RateMemo*>& of)
{
    constexpr std::size_t kRates = 64;
    thread_local std::vector<RateMemo> memos;
    thread_local std::vector<RateMemo*> before;  // of the previous call
    if (memos.size() + pools.size() > std::max(kRates, pools.size())) {
        memos.clear();
        before.clear();
    }
    memos.reserve(std::max(kRates, pools.size()));  // the pointers handed out stay valid
    of.clear();
    for (std::size_t i = 0; i < pools.size(); ++i) {
        const long double hk = h * pools[i].k;
        RateMemo* m = i < before.size() && before[i]->is(hk) ? before[i] : nullptr;
        for (auto x = memos.begin(); !m && x != memos.end(); ++x)
            if (x->is(hk)) m = &*x;
        if (!m) m = &memos.emplace_back(hk);
        m->prefetch(n);
        of.push_back(m);
    }
    before = of;
}

// The full steps of a year at once. A pool of fresh organic matter keeps the share
// 1 - h*k of its carbon in every step, so after n steps it has lost cops*(1 - (1-h*k)^n),
// and every flow that is a fixed share of the decomposed carbon sums in closed form. The
// soil pools are linear in their own carbon and in the reproduction flux of the step, and
// so are the marked amounts mkd*c; they are stepped with the flux of each step taken from
// the geometric series of every pool. False, with nothing changed, when a rate is outside
// the range in which the steps shrink every pool (0 <= h*k < 1).
bool full_steps_at_once(const SomYearInput& in, SoilPools& p, YearFlows& f, OpsList& fom, StepSums& s, long long n)
{
    const ModelConstants& k = in.k;
    const long double h = kEulerStep;
    for (const OpsRecord& r : fom.pools())
        if (!(h * r.k >= 0 && h * r.k < 1)) return false;

    const std::size_t steps = static_cast<std::size_t>(std::max(n, 0LL));
    thread_local std::vector<RateMemo*> memo;
    rate_memos(fom.pools(), h, n, memo);
    // A pool whose flux is zero adds zero to every sum, and so does an unmarked pool to the
    // marked sums: both are left out (a sum that starts at +0 never becomes -0, and adding
    // a zero leaves any other number as it is).
    thread_local std::vector<FluxTerm> all, marked;
    all.clear();
    marked.clear();
    // The keep shares of a year with more steps than are remembered, released after it.
    std::vector<std::vector<double>> longYear(steps > kRememberedSteps ? fom.pools().size() : 0);
    long double cRep = 0, cMinOps = 0, dnmin = 0;
    for (std::size_t i = 0; i < fom.pools().size(); ++i) {
        OpsRecord& r = fom.pools()[i];
        const long double hk = h * r.k;
        const long double a = r.cops * memo[i]->lost(n);
        cMinOps += a * (1 - r.eta);
        cRep += a * r.eta;
        r.repflx += a * r.eta;
        dnmin += a / r.cnr - a * r.eta / k.cnrsom;
        s.flux.dnsom += a / r.cnr;
        const double g = static_cast<double>(hk * r.cops * r.eta);
        if (g != 0 && !in.accumulationOnly) {
            all.push_back({g, memo[i]->power(steps, longYear.empty() ? nullptr : &longYear[i])});
            if (r.mkd == 1) marked.push_back(all.back());
        }
        r.cops -= a;
    }
    f.c_rep += cRep;
    f.n_m_fom += dnmin;
    f.n_free_fom = s.flux.dnsom;
    if (in.accumulationOnly) return true;

    SoilSteps st;
    st.am = p.c_am;
    st.sm = p.c_sm;
    st.ma = p.mkd_a * st.am;
    st.ms = p.mkd_s * st.sm;
    step_soil_pools(st, all, marked, steps, h * (k.km + k.ks), h * k.ka, h * k.ks);
    const long double am = st.am, sm = st.sm, ma = st.ma, ms = st.ms, sumAm = st.sumAm, sumSm = st.sumSm;
    p.mkd_a = ratio_or(static_cast<double>(ma), static_cast<double>(am), p.mkd_a);
    p.mkd_s = ratio_or(static_cast<double>(ms), static_cast<double>(sm), p.mkd_s);
    p.c_am = static_cast<double>(am);
    p.c_sm = static_cast<double>(sm);
    f.c_m_fom += cMinOps;
    s.cMin += k.km * h * sumAm + cMinOps;
    s.nMin += h * k.km * sumAm / k.cnrsom + dnmin;
    f.stab_flux += k.ks * sumAm * h;
    f.act_flux += k.ka * sumSm * h;
    if (in.dyn_bd && n > 0) p.BD = bulk_density(carbon_content_of_stock(p.c_am + p.c_sm + p.c_lts, in.clay), in.clay);
    return true;
}

} // namespace

void step_soil_pools_portable(SoilSteps& s, const std::vector<FluxTerm>& all, const std::vector<FluxTerm>& marked,
                              std::size_t n, long double out, long double act, long double stab)
{
    long double am = s.am, sm = s.sm, ma = s.ma, ms = s.ms, sumAm = s.sumAm, sumSm = s.sumSm;
    for (std::size_t j = 0; j < n; ++j) {
        double u = 0, um = 0;
        for (const FluxTerm& t : all) u += t.g * t.power[j];
        for (const FluxTerm& t : marked) um += t.g * t.power[j];
        sumAm += am;
        sumSm += sm;
        const long double am1 = am + u - out * am + act * sm, sm1 = sm + stab * am - act * sm;
        const long double ma1 = ma + um - out * ma + act * ms, ms1 = ms + stab * ma - act * ms;
        am = am1;
        sm = sm1;
        ma = ma1;
        ms = ms1;
    }
    s = {am, sm, ma, ms, sumAm, sumSm};
}

#if defined(__GNUC__) && defined(__x86_64__)

namespace {

// A rate as two doubles whose sum is the rate exactly, so that the x87 unit can rebuild it
// from 64-bit loads (a load of an 80-bit number is slow, and there are not registers enough
// to keep the rates beside the six numbers carried from step to step).
bool split_exactly(long double v, double& hi, double& lo)
{
    hi = static_cast<double>(v);
    lo = static_cast<double>(v - hi);
    return static_cast<long double>(hi) + lo == v;
}

} // namespace

// The reproduction flux of step j into flux slot SLOT: xmm0 := sum of g * power[j] over the
// COUNT terms at TERMS, in their order, starting from +0.
#define VT_FLUX_SUM(TERMS, COUNT, LOOP, DONE, SLOT) \
    "xorpd %%xmm0, %%xmm0\n\t"                         \
    "mov %[" TERMS "], %%rax\n\t"                      \
    "mov %[" COUNT "], %%rcx\n\t"                      \
    "test %%rcx, %%rcx\n\t"                            \
    "jz " DONE "f\n\t" LOOP ":\n\t"                    \
    "mov 8(%%rax), %%rdx\n\t"                          \
    "movsd (%%rdx,%[j],8), %%xmm1\n\t"                 \
    "mulsd (%%rax), %%xmm1\n\t"                        \
    "addsd %%xmm1, %%xmm0\n\t"                         \
    "add $16, %%rax\n\t"                               \
    "dec %%rcx\n\t"                                    \
    "jnz " LOOP "b\n\t" DONE ":\n\t"                   \
    "movsd %%xmm0, " SLOT "(%[f])\n\t"

void step_soil_pools(SoilSteps& s, const std::vector<FluxTerm>& all, const std::vector<FluxTerm>& marked,
                     std::size_t n, long double out, long double act, long double stab)
{
    static_assert(sizeof(FluxTerm) == 16 && offsetof(FluxTerm, power) == 8, "layout read by the loop");
    static_assert(sizeof(long double) == 16, "x87 extended precision in 16 bytes");
    double rate[6];  // out, act, stab as high and low parts
    if (n == 0 || !split_exactly(out, rate[0], rate[1]) || !split_exactly(act, rate[2], rate[3]) ||
        !split_exactly(stab, rate[4], rate[5])) {
        step_soil_pools_portable(s, all, marked, n, out, act, stab);
        return;
    }
    // The two pairs of pools are independent chains of dependent x87 operations; walked in
    // one loop with all six numbers on the register stack, each chain runs while the other
    // waits, and the reproduction flux of the step, summed with SSE2 in double precision,
    // fills the time the chains leave free. Every operation is the one of the portable loop
    // with the same operands (a sum or product may take them in the other order, which does
    // not change the result). Stack at the top of a step: am, sm, ma, ms, sumAm, sumSm.
    long double v[6] = {s.am, s.sm, s.ma, s.ms, s.sumAm, s.sumSm};
    double flux[2];  // u and um of the step
    const FluxTerm *allTerms = all.data(), *markedTerms = marked.data();
    const std::size_t allCount = all.size(), markedCount = marked.size();
    std::size_t j = 0;
    asm volatile(
        "fldt 80(%[v])\n\t"
        "fldt 64(%[v])\n\t"
        "fldt 48(%[v])\n\t"
        "fldt 32(%[v])\n\t"
        "fldt 16(%[v])\n\t"
        "fldt (%[v])\n\t"
        "1:\n\t"
        // u = sum of g * power[j] over all terms, um over the marked ones
        VT_FLUX_SUM("ta", "na", "2", "3", "0")
        VT_FLUX_SUM("tm", "nm", "4", "5", "8")
        // sumAm += am; sumSm += sm
        "fadd %%st, %%st(4)\n\t"
        "fld %%st(1)\n\t"
        "fadd %%st, %%st(6)\n\t"
        // t = act * sm                       [t, am, sm, ma, ms, sumAm, sumSm]
        "fldl 16(%[r])\n\t"
        "faddl 24(%[r])\n\t"
        "fmulp %%st, %%st(1)\n\t"
        // sm1 = sm + stab * am - t, in the place of sm
        "fldl 32(%[r])\n\t"
        "faddl 40(%[r])\n\t"
        "fmul %%st(2), %%st\n\t"
        "faddp %%st, %%st(3)\n\t"
        "fsubr %%st, %%st(2)\n\t"  // st(2) -= st (the assembler's reversed fsub/fsubr with st(i) as destination)
        // am1 = am + u - out * am + t        [t, am, sm1, ...]
        "fldl (%[r])\n\t"
        "faddl 8(%[r])\n\t"
        "fmul %%st(2), %%st\n\t"
        "fxch %%st(2)\n\t"
        "faddl (%[f])\n\t"
        "fsubp %%st, %%st(2)\n\t"  // st(2) = st - st(2), pop
        "faddp %%st, %%st(1)\n\t"
        // tm = act * ms                      [am1, sm1, ma, ms, sumAm, sumSm]
        "fldl 16(%[r])\n\t"
        "faddl 24(%[r])\n\t"
        "fmul %%st(4), %%st\n\t"
        // ms1 = ms + stab * ma - tm          [tm, am1, sm1, ma, ms, ...]
        "fldl 32(%[r])\n\t"
        "faddl 40(%[r])\n\t"
        "fmul %%st(4), %%st\n\t"
        "faddp %%st, %%st(5)\n\t"
        "fsubr %%st, %%st(4)\n\t"
        // ma1 = ma + um - out * ma + tm      [tm, am1, sm1, ma, ms1, ...]
        "fldl (%[r])\n\t"
        "faddl 8(%[r])\n\t"
        "fmul %%st(4), %%st\n\t"
        "fxch %%st(4)\n\t"
        "faddl 8(%[f])\n\t"
        "fsubp %%st, %%st(4)\n\t"
        "faddp %%st, %%st(3)\n\t"
        "inc %[j]\n\t"
        "cmp %[n], %[j]\n\t"
        "jb 1b\n\t"
        "fstpt (%[v])\n\t"
        "fstpt 16(%[v])\n\t"
        "fstpt 32(%[v])\n\t"
        "fstpt 48(%[v])\n\t"
        "fstpt 64(%[v])\n\t"
        "fstpt 80(%[v])\n\t"
        : [j] "+r"(j)
        : [v] "r"(v), [r] "r"(rate), [f] "r"(flux), [ta] "r"(allTerms), [na] "r"(allCount),
          [tm] "r"(markedTerms), [nm] "r"(markedCount), [n] "r"(n)
        : "memory", "cc", "rax", "rcx", "rdx", "xmm0", "xmm1", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
    s = {v[0], v[1], v[2], v[3], v[4], v[5]};
}

#undef VT_FLUX_SUM

#else

void step_soil_pools(SoilSteps& s, const std::vector<FluxTerm>& all, const std::vector<FluxTerm>& marked,
                     std::size_t n, long double out, long double act, long double stab)
{
    step_soil_pools_portable(s, all, marked, n, out, act, stab);
}

#endif

std::vector<std::string> som_year_step(const SomYearInput& in, SoilPools& p, YearFlows& f, OpsList& fom)
{
    std::vector<std::string> lines;
    // The split comes first so that a first year without BAT still hands the decomposable
    // carbon to the active and stabilised pools.
    if (in.initialise) lines = initial_split(in, p);
    if (in.bat <= 0) return lines;

    const long double steps = std::floor(static_cast<long double>(in.bat) / kEulerStep);
    const long double rest = static_cast<long double>(in.bat) - kEulerStep * steps;
    StepSums s;
    if (in.stepwise || !full_steps_at_once(in, p, f, fom, s, static_cast<long long>(steps)))
        for (long double i = 0; i < steps; i += 1) euler_step(in, p, f, fom, s, kEulerStep, true);
    if (rest > 0) euler_step(in, p, f, fom, s, rest, false);
    close_year(in, p, f, s);
    return lines;
}

LtsResult lts_step(const LtsInput& in, const YearFlows& f, SoilPools& p, LtsState& s)
{
    LtsResult r;
    const double corg = ratio_or(in.c_total_prev, p.BD * kSoilMassFactor, 0);
    r.pwp_new = 100 * water_content(water_retention_parameters(1, in.silt, in.clay, corg, p.BD), in.hpwp);

    // The year's flows stay in extended precision. Formation of long-term stable carbon per
    // BAT-day; nothing forms in a year without BAT.
    const long double c_rep = f.c_rep;
    const long double formation = in.bat > 0 ? in.hf * c_rep / in.bat : 0;
    double K = s.lts_pwp * r.pwp_new - p.c_lts;
    double cap = 99999999999.0;
    if (in.hassink) {
        cap = p.BD * in.max_lts * kSoilMassFactor;
        K = static_cast<double>(formation - in.kd * p.c_lts);
    }
    if (p.c_lts + K > cap)
        K = cap - p.c_lts;
    else if (p.c_lts + K < 0)
        K = 0;
    p.c_lts += K;
    s.lts_pwp = ratio_or(p.c_lts, r.pwp_new, s.lts_pwp);
    p.c_am -= K;
    p.c_dec -= K;
    r.K = K;

    long double lts_in, lts_out, rep_net;
    if (K != 0) {
        lts_in = formation;
        lts_out = in.kd * p.c_lts;
        rep_net = c_rep - lts_in;  // the yearly reproduction flux less what went into the stable pool
    } else {
        lts_in = lts_out = in.kd * p.c_lts;
        rep_net = c_rep;
    }
    // Mean ages: the active pool gains the stabilised pool's carbon, the long-term pool's
    // decay and the reproduction flux (new material, age 0); the stabilised pool the active
    // pool's carbon, with the active pool's new age; the long-term pool its formation.
    const long double stab = f.stab_flux, act = f.act_flux;
    s.a_age = aged((p.c_am - stab - act - rep_net) * s.a_age + act * s.s_age + lts_out * s.l_age,
                   p.c_am, s.a_age);
    s.s_age = aged((p.c_sm - act - stab) * s.s_age + stab * s.a_age, p.c_sm, s.s_age);
    s.l_age = aged((p.c_lts - lts_out - lts_in) * s.l_age + lts_in, p.c_lts, s.l_age);

    r.n_lts = in.cnr_lts > 0 ? (in.cnrsom - in.cnr_lts) * K / (in.cnrsom * in.cnr_lts) : 0;
    return r;
}

} // namespace vt::engine
