#pragma once
#include "engine/balance/balance_types.h"
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// What a simulation session may change between evaluations: the model constants of
// gldaparm and three input factors, multipliers of every plot-year's BAT, of the soil's
// bulk density and of the carbon of every fresh organic matter addition.
struct SessionParameters {
    ModelConstants k;
    double f_bat = 1;
    double f_bd = 1;
    double f_crep = 1;
    // Parameters of chosen items of the parameter tables, by their item names
    // ("gldopspa.1.K", see item_parameter_name); the session's base parameters hold every
    // item of the tables with its stored value.
    std::map<std::string, double> items;
};

// The names a session parameter is known by: the gldaparm columns K_AOS, K_AKT, K_STAB,
// K_DEG, CNR_OBS and the factors F_BAT, F_BD, F_CREP.
const std::vector<std::string>& session_parameter_names();
// The parameter of that name (without regard to case): one of session_parameter_names() or
// an item parameter "TABLE.ITEM.COLUMN"; nullptr for an unknown name or item.
double* session_parameter(SessionParameters& p, const std::string& name);
double session_parameter(const SessionParameters& p, const std::string& name);

// An item parameter: a column of one row of a parameter table. Organic substances
// (gldopspa, key item_ix): K (decay constant, 1/BAT-day), ETA (share of the decomposed
// carbon that is reproduced as soil organic matter), CNR (C/N ratio; for harvest residues
// also their carbon, N_ewr x CNR). Crops (gldpflan, key ITEM_IX): CEWR (N of harvest
// residues and roots, kg N/ha) and FEWR (their N per dt/ha of yield).
struct ItemParameter {
    std::string table;   // "gldopspa" or "gldpflan"
    long long item = 0;  // the row's key
    std::string column;  // as the table spells it
};
// The item parameter a name "TABLE.ITEM.COLUMN" (without regard to case) stands for;
// nullopt for a name of another form or a table or column that cannot be fitted.
std::optional<ItemParameter> item_parameter(const std::string& name);
// The canonical name "gldopspa.1.K".
std::string item_parameter_name(const ItemParameter& p);
// The tables and columns whose items can be fitted, as text for messages.
std::string item_parameter_forms();
// The tables whose items can be fitted: the table, its key and the columns.
struct ItemParameterTable {
    const char* table;
    const char* key;
    std::vector<const char*> columns;
};
const std::vector<ItemParameterTable>& item_parameter_tables();

// Calls fn(0) ... fn(n-1) on `jobs` threads (0: one per core); the calls must touch
// nothing shared. The first exception is rethrown once every thread has stopped.
void parallel_for(std::size_t n, int jobs, const std::function<void(std::size_t)>& fn);

// A run's plots prepared once and held in memory: the working tables are built as for a
// run, the input of every plot is read once, and the plots can then be simulated any
// number of times with other constants and factors, without writing any result table.
// A simulation with the constants of the run configuration and factors of 1 gives the
// rows a run writes.
//
// What the preparation makes of the constants stays as prepared: the initial carbon of
// plots started from a reproduction index and the soils' own decay constants. A plot that
// starts from a state stored by another plot of the same run starts from the state the
// database holds when the session is prepared.
class SimulationSession {
public:
    // Prepares `plots` (every plot flagged in site_state when empty); the flags of
    // site_state are restored afterwards. Throws std::runtime_error with the run's message
    // when the preparation does not finish, and when no plot has input rows.
    static SimulationSession prepare(db::Connection& c, const RunConfig& cfg, const std::vector<long long>& plots,
                                     const RunHooks& hooks = {});
    // A session of plots prepared elsewhere (handed over by another process).
    static SimulationSession fromPrepared(std::vector<PlotInput> inputs, BalanceOptions options);

    const std::vector<PlotInput>& inputs() const { return inputs_; }
    // Chosen plots the run's input check left out (input out of its plausible range, no
    // climate), with the reason.
    const std::vector<SkippedPlot>& skipped() const { return skipped_; }
    const BalanceOptions& options() const { return options_; }
    // The constants of the run configuration and factors of 1.
    SessionParameters baseParameters() const;

    // `stop`, when set, is polled after every simulated year (the plot then ends Stopped).
    PlotOutput simulatePlot(std::size_t index, const SessionParameters& p,
                            const std::function<bool()>& stop = {}) const;
    // Every plot, in plot order, on `jobs` threads (0: one per core), or by the simulator
    // when one is set.
    std::vector<PlotOutput> simulate(const SessionParameters& p, int jobs = 0) const;

    // Simulates every plot in plot order in place of the session's own threads (for
    // instance spread over the processes of a cluster); it must give what simulate would.
    using Simulator = std::function<std::vector<PlotOutput>(const SessionParameters&)>;
    void setSimulator(Simulator simulator) { simulator_ = std::move(simulator); }

private:
    SimulationSession() = default;

    // Reads the stored item parameters and where the harvest residues are (after the input).
    void readItems(db::Connection& db);
    // Applies the item parameters that differ from the stored ones to a plot's additions.
    void applyItems(std::size_t index, const SessionParameters& p, PlotInput& in) const;

    std::vector<PlotInput> inputs_;
    std::vector<SkippedPlot> skipped_;
    BalanceOptions options_;
    Simulator simulator_;
    // The stored values of every fittable item parameter (the base parameters' items).
    std::map<std::string, double> items_;
    // Harvest residues and roots among a plot's additions: where they are in the year's
    // list, the crop and its yield, so that the crop's coefficients give their carbon.
    struct ResidueSource {
        int year = 0;
        std::size_t position = 0;
        long long crop = 0;
        double yield = 0;
    };
    std::vector<std::vector<ResidueSource>> residues_;  // by plot, as inputs_
};

} // namespace vt::engine
