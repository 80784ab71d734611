#include "eval/uncertainty.h"

#include "base/text.h"
#include "db/connection.h"
#include "eval/parameter_text.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

#include <unistd.h>

namespace vt::eval {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kProbabilities[5] = {0.05, 0.25, 0.50, 0.75, 0.95};

// xoshiro256** seeded through splitmix64: a small generator whose stream is the same on
// every platform, unlike the distributions of the standard library.
class Generator {
public:
    explicit Generator(std::uint64_t seed)
    {
        for (auto& s : s_) {
            seed += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            s = z ^ (z >> 31);
        }
    }
    std::uint64_t next()
    {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    // Uniform in (0, 1]: never 0, so that its logarithm is finite.
    double uniform() { return (static_cast<double>(next() >> 11) + 1.0) * 0x1.0p-53; }
    double normal()
    {
        constexpr double kTwoPi = 6.283185307179586;
        const double u1 = uniform(), u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

double draw(Generator& g, const Distribution& d)
{
    switch (d.kind) {
    case Distribution::Kind::Normal: return d.a + d.b * g.normal();
    case Distribution::Kind::Uniform: return d.a + (d.b - d.a) * g.uniform();
    case Distribution::Kind::LogNormal: return std::exp(d.a + d.b * g.normal());
    }
    return d.a;
}

double quantile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty()) return kNaN;
    const double h = (static_cast<double>(sorted.size()) - 1) * p;
    const auto lo = static_cast<std::size_t>(std::floor(h));
    if (lo + 1 >= sorted.size()) return sorted.back();
    return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[lo + 1] - sorted[lo]);
}

// First-order index Var(E[Y|X]) / Var(Y) from given data: the samples sorted by X and cut
// into about sqrt(n) classes of equal size, whose means stand for E[Y|X].
double first_order_index(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = y.size();
    if (n < 4) return kNaN;
    const double mean = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(n);
    double total = 0;
    for (double v : y) total += (v - mean) * (v - mean);
    const auto [xmin, xmax] = std::minmax_element(x.begin(), x.end());
    if (!(total > 0) || *xmin == *xmax) return 0;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&x](std::size_t a, std::size_t b) { return x[a] < x[b]; });
    const std::size_t classes = std::max<std::size_t>(2, static_cast<std::size_t>(std::sqrt(static_cast<double>(n))));
    double explained = 0;
    for (std::size_t c = 0; c < classes; ++c) {
        const std::size_t from = c * n / classes, to = (c + 1) * n / classes;
        if (to <= from) continue;
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) sum += y[order[i]];
        const double m = sum / static_cast<double>(to - from);
        explained += static_cast<double>(to - from) * (m - mean) * (m - mean);
    }
    return explained / total;
}

std::vector<double> parse_arguments(const std::string& text, const std::string& what)
{
    std::vector<double> out;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        const double v = parse_finite_number(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), what);
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

// One simulated series of the samples: a property of one plot-year.
struct Series {
    std::size_t plot;
    long long fl_id;
    int year, year_num, m_ix;
};

} // namespace

UncertainParameter parse_uncertain_parameter(const std::string& text)
{
    const std::string usage = "--param wants NAME=normal(MEAN,SD), NAME=uniform(LOW,HIGH) or NAME=lognormal(MU,SIGMA), not \"" +
                              text + "\"";
    const auto eq = text.find('='), open = text.find('('), close = text.rfind(')');
    if (eq == std::string::npos || open == std::string::npos || close == std::string::npos || open < eq ||
        close < open || !base::trim(text.substr(close + 1)).empty())
        throw std::invalid_argument(usage);
    UncertainParameter p;
    p.name = base::to_upper(base::trim(text.substr(0, eq)));
    const std::string kind = base::to_lower(base::trim(text.substr(eq + 1, open - eq - 1)));
    const auto args = parse_arguments(text.substr(open + 1, close - open - 1), p.name);
    if (args.size() != 2) throw std::invalid_argument(usage);
    p.distribution.a = args[0];
    p.distribution.b = args[1];
    if (kind == "normal") {
        p.distribution.kind = Distribution::Kind::Normal;
        if (args[1] < 0) throw std::invalid_argument(p.name + ": the standard deviation must not be negative");
    } else if (kind == "uniform") {
        p.distribution.kind = Distribution::Kind::Uniform;
        if (args[1] < args[0]) throw std::invalid_argument(p.name + ": uniform(LOW,HIGH) wants LOW <= HIGH");
    } else if (kind == "lognormal") {
        p.distribution.kind = Distribution::Kind::LogNormal;
        if (args[1] < 0) throw std::invalid_argument(p.name + ": SIGMA must not be negative");
    } else {
        throw std::invalid_argument(usage);
    }
    return p;
}

std::vector<std::vector<double>> draw_samples(const std::vector<UncertainParameter>& parameters, std::size_t count,
                                              std::uint64_t seed)
{
    Generator g(seed);
    std::vector<std::vector<double>> samples(count, std::vector<double>(parameters.size()));
    for (auto& sample : samples)
        for (std::size_t p = 0; p < parameters.size(); ++p) sample[p] = draw(g, parameters[p].distribution);
    return samples;
}

std::uint64_t uncertainty_memory(std::size_t samples, std::size_t series, std::size_t plots, std::size_t parameters)
{
    // Per sample: a value of every series and the final carbon of every plot (doubles) and
    // the drawn parameters (a vector of doubles).
    const long double perSample = 8.0L * (static_cast<long double>(series) + static_cast<long double>(plots) +
                                          static_cast<long double>(parameters)) +
                                  sizeof(std::vector<double>);
    const long double total = perSample * static_cast<long double>(samples);
    return total >= 1.8e19L ? std::numeric_limits<std::uint64_t>::max() : static_cast<std::uint64_t>(total);
}

std::uint64_t uncertainty_memory_limit()
{
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return std::uint64_t{1} << 31;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size) / 2;
}

UncertaintyResult run_uncertainty(const engine::SimulationSession& session, const std::vector<Observation>& carbon,
                                  const UncertaintyRequest& request)
{
    if (request.samples == 0) throw std::invalid_argument("--samples must be at least 1");
    const engine::SessionParameters base = session.baseParameters();
    {
        engine::SessionParameters probe = base;
        for (const auto& p : request.parameters)
            if (!engine::session_parameter(probe, p.name)) throw std::invalid_argument("unknown parameter " + p.name);
    }
    const std::size_t S = request.samples;

    // The series are the plot-years of the run with the session's own parameters.
    const auto reference = session.simulate(base, request.jobs);
    std::vector<Series> series;
    std::vector<std::unordered_map<long long, std::size_t>> index(reference.size());
    const auto key = [](int m_ix, int year_num, int year) {
        return (static_cast<long long>(m_ix) << 40) ^ (static_cast<long long>(year_num) << 20) ^ static_cast<long long>(year);
    };
    for (std::size_t i = 0; i < reference.size(); ++i)
        for (const auto& y : reference[i].years)
            for (int m : {7, 0})
                if (simulated_value(y, m, false) && index[i].emplace(key(m, y.year_num, y.z_jahr), series.size()).second)
                    series.push_back({i, reference[i].fl_id, y.z_jahr, y.year_num, m});

    const std::uint64_t needed = uncertainty_memory(S, series.size(), reference.size(), request.parameters.size());
    const std::uint64_t limit = uncertainty_memory_limit();
    if (needed > limit) {
        const std::uint64_t perSample = std::max<std::uint64_t>(
            1, uncertainty_memory(1, series.size(), reference.size(), request.parameters.size()));
        throw std::invalid_argument("--samples " + std::to_string(S) + " needs " +
                                    std::to_string(needed / 1000000) + " MB for " +
                                    std::to_string(series.size()) + " plot-year series; at most " +
                                    std::to_string(limit / perSample) + " samples fit into the " +
                                    std::to_string(limit / 1000000) +
                                    " MB (half the memory) an uncertainty run may take");
    }
    const auto samples = draw_samples(request.parameters, S, request.seed);
    std::vector<double> values(series.size() * S, kNaN);
    std::vector<double> finalCarbon(reference.size() * S, kNaN);
    UncertaintyResult r;
    const std::size_t batch = 32;
    const std::function<bool()> noStop;
    const std::function<bool()>& stop = request.stop ? request.stop : noStop;
    std::vector<std::string> failure(batch);
    std::atomic<bool> stopped{false};
    for (std::size_t from = 0; from < S; from += batch) {
        const std::size_t to = std::min(S, from + batch);
        for (auto& f : failure) f.clear();
        engine::parallel_for(to - from, request.jobs, [&](std::size_t k) {
            const std::size_t s = from + k;
            if (stopped || (stop && stop())) {
                stopped = true;
                return;
            }
            engine::SessionParameters p = base;
            for (std::size_t j = 0; j < request.parameters.size(); ++j)
                *engine::session_parameter(p, request.parameters[j].name) = samples[s][j];
            for (std::size_t i = 0; i < reference.size() && failure[k].empty(); ++i) {
                const auto out = session.simulatePlot(i, p, stop);
                if (out.status == engine::PlotStatus::Stopped) {
                    stopped = true;
                    return;
                }
                if (out.status != engine::PlotStatus::Simulated &&
                    reference[i].status == engine::PlotStatus::Simulated) {
                    failure[k] = "plot " + std::to_string(out.fl_id) + ": " +
                                 (out.skipReason.empty() ? std::string("not simulated to its end") : out.skipReason);
                    break;
                }
                for (const auto& y : out.years) {
                    for (int m : {7, 0}) {
                        const auto v = simulated_value(y, m, false);
                        if (!v) continue;
                        const auto it = index[i].find(key(m, y.year_num, y.z_jahr));
                        if (it != index[i].end()) values[it->second * S + s] = *v;
                        if (m == 7) finalCarbon[i * S + s] = *v;
                    }
                }
            }
            // A failed sample gives no value at all: a band of the samples that went well.
            if (!failure[k].empty()) {
                for (std::size_t j = 0; j < series.size(); ++j) values[j * S + s] = kNaN;
                for (std::size_t i = 0; i < reference.size(); ++i) finalCarbon[i * S + s] = kNaN;
            }
        });
        if (stopped || (to < S && stop && stop())) {
            r.stopped = true;
            return r;
        }
        for (std::size_t k = 0; k < to - from; ++k)
            if (!failure[k].empty()) r.failed.push_back({from + k + 1, failure[k]});
        r.samples = to;
        if (request.progress) request.progress(to, S);
    }

    std::vector<double> sorted;
    for (std::size_t j = 0; j < series.size(); ++j) {
        sorted.clear();
        for (std::size_t s = 0; s < S; ++s)
            if (std::isfinite(values[j * S + s])) sorted.push_back(values[j * S + s]);
        std::sort(sorted.begin(), sorted.end());
        QuantileRow q;
        q.fl_id = series[j].fl_id;
        q.year = series[j].year;
        q.year_num = series[j].year_num;
        q.m_ix = series[j].m_ix;
        for (int k = 0; k < 5; ++k) q.q[k] = quantile(sorted, kProbabilities[k]);
        q.samples = sorted.size();
        r.quantiles.push_back(q);
    }

    // Coverage: each organic carbon observation against the band of the last simulated
    // year with its year number, as the evaluation pairs them.
    std::unordered_map<long long, std::size_t> plotIndex;
    for (std::size_t i = 0; i < reference.size(); ++i) plotIndex.emplace(reference[i].fl_id, i);
    std::vector<PlotCoverage> coverage(reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i) coverage[i].fl_id = reference[i].fl_id;
    for (const Observation& o : carbon) {
        const auto p = plotIndex.find(o.fl_id);
        if (p == plotIndex.end()) continue;
        const QuantileRow* band = nullptr;
        for (std::size_t j = 0; j < series.size(); ++j)
            if (series[j].plot == p->second && series[j].m_ix == 7 && series[j].year_num == o.year_number)
                band = &r.quantiles[j];
        if (!band) continue;
        auto& c = coverage[p->second];
        ++c.observations;
        if (o.value >= band->q[0] && o.value <= band->q[4]) ++c.inside;
    }
    for (const auto& c : coverage)
        if (c.observations > 0) r.coverage.push_back(c);

    std::vector<double> x, y;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        for (std::size_t j = 0; j < request.parameters.size(); ++j) {
            x.clear();
            y.clear();
            for (std::size_t s = 0; s < S; ++s) {
                const double v = finalCarbon[i * S + s];
                if (!std::isfinite(v)) continue;
                x.push_back(samples[s][j]);
                y.push_back(v);
            }
            r.sensitivity.push_back({reference[i].fl_id, request.parameters[j].name, first_order_index(x, y)});
        }
    }
    return r;
}

void store_uncertainty(db::Connection& c, const UncertaintyResult& r)
{
    db::Transaction tx(c);
    c.execute("CREATE TABLE IF NOT EXISTS rux_uncertainty (fl_id int, [year] int, m_ix int, q05 double, q25 double, "
              "q50 double, q75 double, q95 double, samples int)");
    c.execute("CREATE TABLE IF NOT EXISTS rux_sensitivity (fl_id int, parameter text, s1 double, samples int)");
    long long last = std::numeric_limits<long long>::min();
    for (const auto& q : r.quantiles) {
        if (q.fl_id == last) continue;
        last = q.fl_id;
        c.execute("DELETE FROM rux_uncertainty WHERE fl_id=?", {q.fl_id});
        c.execute("DELETE FROM rux_sensitivity WHERE fl_id=?", {q.fl_id});
    }
    const auto orNull = [](double v) { return std::isfinite(v) ? db::Value(v) : db::Value(); };
    auto insert = c.prepare("INSERT INTO rux_uncertainty VALUES (?,?,?,?,?,?,?,?,?)");
    for (const auto& q : r.quantiles) {
        insert.bindAll({q.fl_id, static_cast<long long>(q.year), static_cast<long long>(q.m_ix), orNull(q.q[0]),
                        orNull(q.q[1]), orNull(q.q[2]), orNull(q.q[3]), orNull(q.q[4]),
                        static_cast<long long>(q.samples)});
        insert.execute();
    }
    for (const auto& s : r.sensitivity)
        c.execute("INSERT INTO rux_sensitivity VALUES (?,?,?,?)",
                  {s.fl_id, s.parameter, orNull(s.s1), static_cast<long long>(r.samples)});
    tx.commit();
}

} // namespace vt::eval
