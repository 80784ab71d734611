#include "engine/session/simulation_session.h"

#include "base/text.h"
#include "db/connection.h"
#include "engine/balance/balance_input.h"
#include "engine/balance/plot_simulation.h"
#include "engine/balance/state_store.h"
#include "engine/balance/stored_order.h"
#include "engine/run/run_driver.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace vt::engine {

namespace {

struct NamedParameter {
    const char* name;
    double SessionParameters::*factor;
    double ModelConstants::*constant;
};

const NamedParameter kParameters[] = {
    {"K_AOS", nullptr, &ModelConstants::km},       {"K_AKT", nullptr, &ModelConstants::ka},
    {"K_STAB", nullptr, &ModelConstants::ks},      {"K_DEG", nullptr, &ModelConstants::kd},
    {"CNR_OBS", nullptr, &ModelConstants::cnrsom}, {"F_BAT", &SessionParameters::f_bat, nullptr},
    {"F_BD", &SessionParameters::f_bd, nullptr},   {"F_CREP", &SessionParameters::f_crep, nullptr},
};

const NamedParameter* find_parameter(const std::string& name)
{
    const std::string upper = base::to_upper(base::trim(name));
    for (const auto& p : kParameters)
        if (upper == p.name) return &p;
    return nullptr;
}

// Sets the selection flags of site_state to the given plots for the lifetime of the
// object and puts the previous flags back afterwards (rows it had to add are removed).
class SelectionOverride {
public:
    SelectionOverride(db::Connection& c, const std::vector<long long>& plots) : c_(c)
    {
        if (plots.empty()) return;
        auto cur = c_.query("SELECT FL_ID, status FROM site_state");
        for (; !cur.eof(); cur.next()) previous_.emplace_back(cur.getInt("FL_ID"), cur.field("status"));
        db::Transaction tx(c_);
        c_.execute("UPDATE site_state SET status=0");
        for (long long plot : plots) {
            if (c_.execute("UPDATE site_state SET status=1 WHERE FL_ID=?", {plot}) == 0) {
                c_.execute("INSERT INTO site_state (FL_ID, status, res_VAL) VALUES (?, 1, 0)", {plot});
                added_.push_back(plot);
            }
        }
        tx.commit();
        active_ = true;
    }
    ~SelectionOverride()
    {
        if (!active_) return;
        try {
            db::Transaction tx(c_);
            for (long long plot : added_) c_.execute("DELETE FROM site_state WHERE FL_ID=?", {plot});
            for (const auto& [plot, status] : previous_)
                c_.execute("UPDATE site_state SET status=? WHERE FL_ID=?", {status, plot});
            tx.commit();
        } catch (const std::exception&) {
            // The flags are a convenience of the next run; the data itself is untouched.
        }
    }
    SelectionOverride(const SelectionOverride&) = delete;
    SelectionOverride& operator=(const SelectionOverride&) = delete;

private:
    db::Connection& c_;
    std::vector<std::pair<long long, db::Value>> previous_;
    std::vector<long long> added_;
    bool active_ = false;
};

} // namespace

const std::vector<std::string>& session_parameter_names()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& p : kParameters) v.emplace_back(p.name);
        return v;
    }();
    return names;
}

double* session_parameter(SessionParameters& p, const std::string& name)
{
    const NamedParameter* n = find_parameter(name);
    if (!n) return nullptr;
    return n->factor ? &(p.*(n->factor)) : &(p.k.*(n->constant));
}

double session_parameter(const SessionParameters& p, const std::string& name)
{
    SessionParameters copy = p;
    const double* v = session_parameter(copy, name);
    if (!v) throw std::invalid_argument("unknown parameter " + name);
    return *v;
}

void parallel_for(std::size_t n, int jobs, const std::function<void(std::size_t)>& fn)
{
    const unsigned cores = std::thread::hardware_concurrency();
    std::size_t threads = jobs > 0 ? static_cast<std::size_t>(jobs) : (cores > 0 ? cores : 1);
    if (threads > n) threads = n;
    if (threads <= 1) {
        for (std::size_t i = 0; i < n; ++i) fn(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorMutex;
    const auto work = [&] {
        for (std::size_t i = next++; i < n && !failed; i = next++) {
            try {
                fn(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!error) error = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

SimulationSession SimulationSession::prepare(db::Connection& c, const RunConfig& cfg, const std::vector<long long>& plots,
                                             const RunHooks& hooks)
{
    SimulationSession session;
    // The session's own plots, never the single plot of an ID= switch.
    RunConfig runCfg = cfg;
    runCfg.sel_id = std::string(1, '?');
    SelectionOverride selection(c, plots);
    RunDriver driver(c, runCfg, hooks);
    driver.setBalance([&session](db::Connection& db, const RunConfig& prepared, const RunHooks&) {
        session.options_ = BalanceOptions::from(prepared);
        session.skipped_ = prepared.input_skipped;
        if (session.options_.method != MethodKind::Rux)
            throw std::runtime_error("a simulation session needs the method RUX, not " + prepared.methode);
        if (!db.query(initial_observation_conflict_query(has_index_leading_with(db, "cultivation", {"FL_ID"}))).eof())
            throw std::runtime_error("an initial observation lies before the first crop or amendment of its plot; "
                                     "a run writes the check as rux_check_init.sql");
        std::unique_ptr<StateStore> store;
        if (db.tableExists("som_state") && db.tableExists("fom_state")) store = std::make_unique<StateStore>(db);
        BalanceInputReader reader(db, carbon_input_query(false), session.options_, store.get());
        while (auto in = reader.next()) {
            if (in->awaitsStoredState) reader.readStoredState(*in);
            session.inputs_.push_back(std::move(*in));
        }
        return RunResult{};
    });
    const RunResult r = driver.run();
    if (r.outcome != RunOutcome::Finished)
        throw std::runtime_error(r.message.empty() ? std::string("the preparation did not finish") : r.message);
    if (session.inputs_.empty()) throw std::runtime_error("none of the chosen plots has input rows to simulate");
    return session;
}

SessionParameters SimulationSession::baseParameters() const
{
    SessionParameters p;
    p.k = options_.k;
    return p;
}

PlotOutput SimulationSession::simulatePlot(std::size_t index, const SessionParameters& p,
                                           const std::function<bool()>& stop) const
{
    const PlotInput& given = inputs_.at(index);
    BalanceOptions o = options_;
    o.k = p.k;
    if (p.f_bat == 1 && p.f_bd == 1 && p.f_crep == 1) return simulate_plot(given, o, stop);
    PlotInput in = given;
    for (auto& b : in.bat) b.second *= p.f_bat;
    // Markers of missing values (not above 0) stay as they are.
    for (auto& row : in.rows)
        if (row.bd > 0) row.bd *= p.f_bd;
    for (auto& [year, list] : in.additions)
        for (auto& a : list) a.cops *= p.f_crep;
    return simulate_plot(in, o, stop);
}

SimulationSession SimulationSession::fromPrepared(std::vector<PlotInput> inputs, BalanceOptions options)
{
    SimulationSession session;
    session.inputs_ = std::move(inputs);
    session.options_ = std::move(options);
    return session;
}

std::vector<PlotOutput> SimulationSession::simulate(const SessionParameters& p, int jobs) const
{
    if (simulator_) return simulator_(p);
    std::vector<PlotOutput> out(inputs_.size());
    parallel_for(inputs_.size(), jobs, [&](std::size_t i) { out[i] = simulatePlot(i, p); });
    return out;
}

} // namespace vt::engine
