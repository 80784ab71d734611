#pragma once
#include "engine/types/run_config.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The data that flows through the annual balance of one plot: what is read for it before
// the simulation (its input rows, BAT, fresh organic matter additions, stored state), and
// what the simulation hands back for writing (one result row per simulated year, the run
// log lines and messages). The simulation of a plot is a function of these inputs and the
// run's options alone; it touches neither the database nor the hooks.

namespace vt::engine {

// One row of the balance's input query (one plot-year). Humus balance runs fill hb_crop
// and hb_oram and leave the soil columns that their query lacks at -99.
struct BalanceRow {
    long long fl_id = 0;
    std::string i_con;
    int year_0 = 0;
    double corg = -99, norg = -99, bd = -99, skelett = 0, max_lts = -99, cif = -99;
    double pd = -99, fc = -99, fchw = 0, fbio = 0, clay = -99, silt = -99, deg = -99;
    double hb_crop = 0, hb_oram = 0;
};

// One fresh organic matter addition of opstab, in the table's order within its year.
struct FomAddition {
    double cops = 0;
    double part = 100;
    double k = 0;
    double eta = 0;
    double cnr = 0;
    double cnr_alt = 0;
    double pop = 0;
    long long item_ix = 0;
    int mkd = 0;
};

// One fresh organic matter pool as the state store keeps it.
struct StoredPool {
    long double cops = 0;
    long double repflx = 0;
    long double cnr = 0;
    long double k = 0;
    long double eta = 0;
    long long item_ix = 0;
};

// The organic matter state of a plot at the end of a year (what som_state and fom_state
// hold for it).
struct OmState {
    double c_am = 0, c_sm = 0, c_lts = 0;
    double cnr_am = 0, cnr_sm = 0, cnr_lts = 0;
    std::vector<StoredPool> pools;

    double total() const { return c_am + c_sm + c_lts; }
};

// Everything the simulation of one plot reads.
struct PlotInput {
    long long fl_id = 0;
    std::vector<BalanceRow> rows;                     // the plot's input rows, in query order
    std::vector<std::pair<int, double>> bat;         // (yr, bat_) of the plot, by year
    std::map<int, std::vector<FomAddition>> additions;  // opstab rows by year
    double non_bal = 0;
    bool inPlotList = true;
    // The stored state asked for by an initial condition naming a state; empty when the
    // plot starts from its observed carbon or when no such state exists.
    std::optional<OmState> storedState;
    std::string storedStateProblem;                   // why the stored state is missing
    bool lastPlot = false;                           // the input query ends with this plot
    // The plot starts from a stored state that has not been read yet: it may be one that
    // the plots before it store in this run (BalanceInputReader::readStoredState).
    bool awaitsStoredState = false;
};

enum class MethodKind { Rux, HumusBalance, Other };

MethodKind method_kind(const std::string& methode);

// The run's options that the simulation of every plot uses.
struct BalanceOptions {
    MethodKind method = MethodKind::Rux;
    std::string methode = "RUX";
    std::string modus = "RUX";
    bool accumulationOnly = false;  // rux_icon "null": only fresh organic matter turns over
    bool dyn_bd = false;
    bool dyn_lts = false;
    bool hassink = false;
    int scenario_ctrl = 0;
    int z_cnt = 0;
    int z_anf = -99;
    bool stepwise = false;          // walk every Euler step instead of summing them at once
    ModelConstants k;

    static BalanceOptions from(const RunConfig& cfg);
};

inline constexpr int kNresultColumns = 29;
inline constexpr int kZbvColumns = 15;
// The columns of rux_nresult and rux_zbv, in their order.
inline constexpr const char* kNresultColumnNames[kNresultColumns] = {
    "fl_id",  "year",   "year_num", "n_m_om",  "n_ops",   "c_ops", "c_som",      "c_org",     "c_lts",    "n_som",
    "n_org",  "c_mic",  "c_rep",    "bat",     "n_flush", "n_m_fom", "bd",       "pwp",       "a_age",    "s_age",
    "l_age",  "c_m_tot", "c_m_fom", "sc_id",   "pset",    "haeq",  "n_free_fom", "c_imp_fom", "n_imp_fom"};
inline constexpr const char* kZbvColumnNames[kZbvColumns] = {
    "fl_id", "year_", "c_min_total", "c_min_fom", "c_rep_flx", "c_fom",     "c_fom_in", "C_som",
    "c_lts", "c_hws", "mkd_a",       "mkd_s",     "int_A_mic", "int_A_mes", "int_A_ttl"};

// The result rows of one simulated year.
struct YearResult {
    long long fl_id = 0;
    int z_jahr = 0;
    int year_num = 0;
    std::array<double, kNresultColumns> nresult{};  // rux_nresult by position (fl_id... n_imp_fom)
    std::array<double, kZbvColumns> zbv{};          // rux_zbv by position
    std::optional<double> sim_value;                // sim_result, soil organic carbon (%)
    double sim_exact = 0;                           // sim_value before its rounding to 4 decimals
    std::optional<OmState> stateToStore;            // stored under (fl_id, z_jahr)
    bool balanceError = false;                      // "error in carbon balance"
};

// A line of the run log or a message box, in the order the simulation produced them.
struct LogEvent {
    enum class Kind { Line, Message, ErrorRows } kind = Kind::Line;
    std::string caption;
    std::string text;
};

enum class PlotStatus {
    Simulated,      // all years done
    Skipped,        // invalid input ("missing data for FL_ID"); nothing written
    MissedHarvest,  // stopped at a repeated or earlier year; earlier years written
    Stopped,        // "STOP RUN" after a year
    InitialisationError,  // no row with an initial value left in "ACC" mode: ends the run
    CyclingError,   // "loopback not possible": ends the run
};

struct PlotOutput {
    long long fl_id = 0;
    PlotStatus status = PlotStatus::Simulated;
    std::vector<YearResult> years;
    std::vector<LogEvent> log;
    std::optional<OmState> finalState;  // the kept state after the plot's last year
    std::string skipReason{};           // why a plot was not simulated to its end
};

} // namespace vt::engine
