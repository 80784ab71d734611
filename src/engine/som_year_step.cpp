#include "engine/som_year_step.h"

#include "engine/fom_pools.h"
#include "engine/soil_physics.h"
#include "engine/water_retention.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace vt::engine {

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
    const double B = p.c_dec + p.c_lts;
    if (p.BD > 0) p.BD = bulk_density(B / (p.BD * kSoilMassFactor), in.clay);
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

// The full steps of a year at once. A pool of fresh organic matter keeps the share
// 1 - h*k of its carbon in every step, so after n steps it has lost cops*(1 - (1-h*k)^n),
// and every flow that is a fixed share of the decomposed carbon sums in closed form. The
// soil pools are linear in their own carbon and in the reproduction flux of the step, and
// so are the marked amounts mkd*c; they are stepped in double precision with the flux of
// each step taken from the geometric series of every pool. False, with nothing changed,
// when a rate is outside the range in which the steps shrink every pool (0 <= h*k < 1).
bool full_steps_at_once(const SomYearInput& in, SoilPools& p, YearFlows& f, OpsList& fom, StepSums& s, long long n)
{
    const ModelConstants& k = in.k;
    const long double h = kEulerStep;
    for (const OpsRecord& r : fom.pools())
        if (!(h * r.k >= 0 && h * r.k < 1)) return false;

    const std::size_t m = fom.pools().size();
    std::vector<double> g(m), gm(m), w(m), pw(m, 1.0);
    long double cRep = 0, cMinOps = 0, dnmin = 0;
    for (std::size_t i = 0; i < m; ++i) {
        OpsRecord& r = fom.pools()[i];
        const long double hk = h * r.k;
        const long double lost = -std::expm1(static_cast<long double>(n) * std::log1p(-hk));  // 1 - (1-hk)^n
        const long double a = r.cops * lost;
        cMinOps += a * (1 - r.eta);
        cRep += a * r.eta;
        r.repflx += a * r.eta;
        dnmin += a / r.cnr - a * r.eta / k.cnrsom;
        s.flux.dnsom += a / r.cnr;
        g[i] = static_cast<double>(hk * r.cops * r.eta);
        gm[i] = r.mkd == 1 ? g[i] : 0.0;
        w[i] = static_cast<double>(1 - hk);
        r.cops -= a;
    }
    f.c_rep += cRep;
    f.n_m_fom += dnmin;
    f.n_free_fom = s.flux.dnsom;
    if (in.accumulationOnly) return true;

    const long double out = h * (k.km + k.ks), act = h * k.ka, stab = h * k.ks;
    long double am = p.c_am, sm = p.c_sm, ma = p.mkd_a * am, ms = p.mkd_s * sm;
    long double sumAm = 0, sumSm = 0;
    for (long long j = 0; j < n; ++j) {
        double u = 0, um = 0;
        for (std::size_t i = 0; i < m; ++i) {
            u += g[i] * pw[i];
            um += gm[i] * pw[i];
            pw[i] *= w[i];
        }
        sumAm += am;
        sumSm += sm;
        const long double am1 = am + u - out * am + act * sm, sm1 = sm + stab * am - act * sm;
        const long double ma1 = ma + um - out * ma + act * ms, ms1 = ms + stab * ma - act * ms;
        am = am1;
        sm = sm1;
        ma = ma1;
        ms = ms1;
    }
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
