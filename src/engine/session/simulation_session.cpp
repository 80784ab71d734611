#include "engine/session/simulation_session.h"

#include "base/text.h"
#include "db/connection.h"
#include "engine/balance/balance_input.h"
#include "engine/balance/plot_simulation.h"
#include "engine/balance/state_store.h"
#include "engine/preparation/stored_order.h"
#include "engine/run/run_driver.h"

#include <algorithm>
#include <atomic>
#include <cmath>
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
    if (!n) {
        const auto item = item_parameter(name);
        if (!item) return nullptr;
        const auto found = p.items.find(item_parameter_name(*item));
        return found == p.items.end() ? nullptr : &found->second;
    }
    return n->factor ? &(p.*(n->factor)) : &(p.k.*(n->constant));
}

namespace {

const std::vector<ItemParameterTable> kItemTables = {
    {"gldopspa", "item_ix", {"K", "ETA", "CNR"}},
    {"gldpflan", "ITEM_IX", {"CEWR", "FEWR"}},
};

} // namespace

const std::vector<ItemParameterTable>& item_parameter_tables() { return kItemTables; }

std::optional<ItemParameter> item_parameter(const std::string& name)
{
    const std::string text = base::trim(name);
    const auto dot1 = text.find('.');
    const auto dot2 = dot1 == std::string::npos ? std::string::npos : text.find('.', dot1 + 1);
    if (dot2 == std::string::npos) return std::nullopt;
    const std::string table = base::to_lower(text.substr(0, dot1));
    const std::string item = text.substr(dot1 + 1, dot2 - dot1 - 1);
    const std::string column = base::to_upper(text.substr(dot2 + 1));
    if (item.empty() || item.size() > 18 || item.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    for (const auto& t : kItemTables) {
        if (table != t.table) continue;
        for (const char* c : t.columns)
            if (column == c) return ItemParameter{t.table, std::stoll(item), c};
    }
    return std::nullopt;
}

std::string item_parameter_name(const ItemParameter& p)
{
    return p.table + "." + std::to_string(p.item) + "." + p.column;
}

std::string item_parameter_forms()
{
    std::string out;
    for (const auto& t : kItemTables) {
        std::string columns;
        for (const char* c : t.columns) columns += (columns.empty() ? "" : "|") + std::string(c);
        out += (out.empty() ? "" : ", ") + std::string(t.table) + ".ITEM." + columns;
    }
    return out;
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
        session.readItems(db);
        return RunResult{};
    });
    const RunResult r = driver.run();
    if (r.outcome != RunOutcome::Finished)
        throw std::runtime_error(r.message.empty() ? std::string("the preparation did not finish") : r.message);
    if (session.inputs_.empty()) throw std::runtime_error("none of the chosen plots has input rows to simulate");
    return session;
}

void SimulationSession::readItems(db::Connection& db)
{
    for (const auto& t : kItemTables) {
        if (!db.tableExists(t.table)) continue;
        std::vector<const char*> columns;
        for (const char* c : t.columns)
            if (db.columnExists(t.table, c)) columns.push_back(c);
        if (columns.empty()) continue;
        std::string sql = std::string("SELECT ") + t.key;
        for (const char* c : columns) sql += std::string(", ") + c;
        for (auto cur = db.query(sql + " FROM " + t.table); !cur.eof(); cur.next()) {
            if (cur.field(0).isNull()) continue;
            const long long item = cur.field(0).toInt();
            for (std::size_t i = 0; i < columns.size(); ++i)
                if (!cur.field(static_cast<int>(i + 1)).isNull())
                    items_[item_parameter_name({t.table, item, columns[i]})] = cur.field(static_cast<int>(i + 1)).toDouble();
        }
    }
    // The harvest residues and roots are the last additions of each plot-year, in the order
    // of _cropping_dt; their carbon is N_ewr x CNR, N_ewr = CEWR + yield x FEWR. Where the
    // additions do not match the table, the crops' coefficients cannot be fitted.
    residues_.assign(inputs_.size(), {});
    bool matched = db.tableExists("_cropping_dt");
    if (matched) {
        std::map<long long, std::size_t> plotIndex;
        for (std::size_t i = 0; i < inputs_.size(); ++i) plotIndex[inputs_[i].fl_id] = i;
        std::map<std::pair<std::size_t, int>, std::vector<std::pair<ResidueSource, std::pair<long long, double>>>> byYear;
        for (auto cur = db.query("SELECT FL_ID, year_, crop_ix, yield, item_ix, c_ewr FROM _cropping_dt ORDER BY rowid");
             !cur.eof(); cur.next()) {
            const auto plot = plotIndex.find(cur.field(0).toInt());
            if (plot == plotIndex.end()) continue;
            ResidueSource r;
            r.year = static_cast<int>(cur.field(1).toInt());
            r.crop = cur.field(2).toInt();
            r.yield = cur.field(3).toDouble();
            byYear[{plot->second, r.year}].push_back({r, {cur.field(4).toInt(), cur.field(5).toDouble()}});
        }
        for (auto& [key, rows] : byYear) {
            const auto year = inputs_[key.first].additions.find(key.second);
            if (year == inputs_[key.first].additions.end() || year->second.size() < rows.size()) {
                matched = false;
                break;
            }
            const std::size_t first = year->second.size() - rows.size();
            for (std::size_t j = 0; j < rows.size(); ++j) {
                const FomAddition& a = year->second[first + j];
                const double cEwr = rows[j].second.second;
                if (a.item_ix != rows[j].second.first || std::fabs(a.cops - cEwr) > 1e-9 * std::max(1.0, std::fabs(cEwr)))
                    matched = false;
                rows[j].first.position = first + j;
                residues_[key.first].push_back(rows[j].first);
            }
            if (!matched) break;
        }
    }
    if (!matched) {
        residues_.assign(inputs_.size(), {});
        for (auto it = items_.begin(); it != items_.end();)
            it = it->first.rfind("gldpflan.", 0) == 0 ? items_.erase(it) : std::next(it);
    }
}

SessionParameters SimulationSession::baseParameters() const
{
    SessionParameters p;
    p.k = options_.k;
    p.items = items_;
    return p;
}

void SimulationSession::applyItems(std::size_t index, const SessionParameters& p, PlotInput& in) const
{
    // A session made from prepared inputs has not read the item tables.
    if (residues_.size() != inputs_.size())
        throw std::logic_error("item parameters need a session that has read the substance and crop tables");
    const auto value = [&p](const std::string& name, double stored) {
        const auto it = p.items.find(name);
        return it == p.items.end() ? stored : it->second;
    };
    const auto stored = [this](const std::string& name) {
        const auto it = items_.find(name);
        return it == items_.end() ? 0.0 : it->second;
    };
    const auto substance = [](long long item, const char* column) {
        return item_parameter_name({"gldopspa", item, column});
    };
    for (auto& [year, list] : in.additions)
        for (auto& a : list) {
            a.k = value(substance(a.item_ix, "K"), a.k);
            a.eta = value(substance(a.item_ix, "ETA"), a.eta);
            a.cnr = value(substance(a.item_ix, "CNR"), a.cnr);
        }
    for (const ResidueSource& r : residues_[index]) {
        FomAddition& a = in.additions[r.year][r.position];
        const std::string crop = "gldpflan." + std::to_string(r.crop) + ".";
        const std::string cnr = substance(a.item_ix, "CNR");
        const double before = (stored(crop + "CEWR") + r.yield * stored(crop + "FEWR")) * stored(cnr);
        const double after = (value(crop + "CEWR", stored(crop + "CEWR")) + r.yield * value(crop + "FEWR", stored(crop + "FEWR"))) *
                             value(cnr, stored(cnr));
        if (after != before) a.cops = after;
    }
}

PlotOutput SimulationSession::simulatePlot(std::size_t index, const SessionParameters& p,
                                           const std::function<bool()>& stop) const
{
    const PlotInput& given = inputs_.at(index);
    BalanceOptions o = options_;
    o.k = p.k;
    const bool itemsStored = p.items.empty() || p.items == items_;
    if (p.f_bat == 1 && p.f_bd == 1 && p.f_crep == 1 && itemsStored) return simulate_plot(given, o, stop);
    PlotInput in = given;
    if (!itemsStored) applyItems(index, p, in);
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
