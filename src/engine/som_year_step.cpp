#include "engine/som_year_step.h"

#include "engine/fom_pools.h"
#include "engine/soil_physics.h"
#include "engine/water_retention.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

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

// One year older: the carbon-weighted mean of (carbon, age) parts + 1. The first part is
// the pool's old carbon, which cannot be less than nothing; without carbon the pool keeps
// its age.
double mean_age(std::initializer_list<std::pair<double, double>> parts, double previous)
{
    double weight = 0, sum = 0;
    bool old = true;
    for (auto [carbon, age] : parts) {
        if (old) carbon = std::max(carbon, 0.0);
        old = false;
        weight += carbon;
        sum += carbon * age;
    }
    return ratio_or(sum, weight, previous - 1) + 1;
}

} // namespace

std::vector<std::string> som_year_step(const SomYearInput& in, SoilPools& p, YearFlows& f, OpsList& fom)
{
    std::vector<std::string> lines;
    // The split comes first so that a first year without BAT still hands the decomposable
    // carbon to the active and stabilised pools.
    if (in.initialise) lines = initial_split(in, p);
    if (in.bat <= 0) return lines;

    const ModelConstants& k = in.k;
    const long double km = k.km, ks = k.ks, ka = k.ka;
    const long double steps = std::floor(static_cast<long double>(in.bat) / kEulerStep);
    const long double rest = static_cast<long double>(in.bat) - kEulerStep * steps;
    long double cMin = 0, nMin = 0;
    OpsFlux flux;

    const auto step = [&](long double h, bool full) {
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
        cMin += km * am * h + flux.cminops;
        nMin += h * km * am / k.cnrsom + flux.dnmin;
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
    };
    for (long double i = 0; i < steps; i += 1) step(kEulerStep, true);
    if (rest > 0) step(rest, false);

    p.c_dec = p.c_am + p.c_sm;
    if (p.BD > 0 && in.dyn_bd) p.BD = bulk_density(carbon_content_of_stock(p.c_dec + p.c_lts, in.clay), in.clay);
    f.n_m_om += nMin;
    f.c_m_tot = cMin;
    return lines;
}

LtsResult lts_step(const LtsInput& in, const YearFlows& f, SoilPools& p, LtsState& s)
{
    LtsResult r;
    const double corg = ratio_or(in.c_total_prev, p.BD * kSoilMassFactor, 0);
    r.pwp_new = 100 * water_content(water_retention_parameters(1, in.silt, in.clay, corg, p.BD), in.hpwp);

    const double c_rep = static_cast<double>(f.c_rep);
    // Formation of long-term stable carbon per BAT-day; nothing forms in a year without BAT.
    const double formation = in.bat > 0 ? in.hf * c_rep / in.bat : 0;
    double K = s.lts_pwp * r.pwp_new - p.c_lts;
    double cap = 99999999999.0;
    if (in.hassink) {
        cap = p.BD * in.max_lts * kSoilMassFactor;
        K = formation - in.kd * p.c_lts;
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

    double lts_in, lts_out, rep_net;
    if (K != 0) {
        lts_in = formation;
        lts_out = in.kd * p.c_lts;
        rep_net = c_rep - lts_in;  // the yearly reproduction flux less what went into the stable pool
    } else {
        lts_in = lts_out = in.kd * p.c_lts;
        rep_net = c_rep;
    }
    // Mean ages, carbon-weighted over what stayed in a pool and what flowed into it this
    // year (new material of age 0): the active pool gains from the stabilised pool, the
    // reproduction flux and the decay of the long-term pool; the stabilised pool from the
    // active one; the long-term pool its formation.
    const double stab = static_cast<double>(f.stab_flux), act = static_cast<double>(f.act_flux);
    const double newCarbon = std::max(rep_net, 0.0);
    s.a_age = mean_age({{p.c_am - act - newCarbon - lts_out, s.a_age}, {act, s.s_age}, {lts_out, s.l_age},
                        {newCarbon, 0}},
                       s.a_age);
    s.s_age = mean_age({{p.c_sm - stab, s.s_age}, {stab, s.a_age}}, s.s_age);
    s.l_age = mean_age({{p.c_lts - lts_in, s.l_age}, {lts_in, 0}}, s.l_age);

    r.n_lts = in.cnr_lts > 0 ? (in.cnrsom - in.cnr_lts) * K / (in.cnrsom * in.cnr_lts) : 0;
    return r;
}

} // namespace vt::engine
