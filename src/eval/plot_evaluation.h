#pragma once
#include "eval/phase.h"
#include "eval/stats_accumulator.h"
#include "eval/table_data.h"
#include "eval/turnover_summary.h"

namespace vt::db {
class Connection;
}

namespace vt::eval {

// Which result pages of the browser a plot's evaluation shows.
struct ResultPages {
    bool observation = true;
    bool cDynamics = false;
    bool nDynamics = false;
    bool microbial = false;     // "micr.BM"
    bool omTurnover = false;
    bool miscResults = true;
    bool nBalance = true;
};

// What the evaluation of one plot leaves for its pages besides the accumulators' lists
// and charts: the grids of the three dynamics pages, the turnover summary and the pages
// to show.
struct PlotEvaluation {
    long long plot = 0;
    Phase phase = Phase::All;
    double phaseLimit = 0;   // year numbers up to it are "early years"
    bool nullInit = false;   // the plot starts from fresh organic matter only (i_con "null")
    Table carbonRows;        // year_, sim_value, meas_value, year_num, fl_id, m_ix, meas_ID
    Table nitrogenRows;      // YEAR_, YEAR_NUM, SIM_VALUE, MEAS_VALUE, meas_ID
    Table microbialRows;     // FL_ID, year_, sim_value, meas_value, meas_ID, year_number
    TurnoverSummary turnover;
    ResultPages pages;
};

// The model evaluation of the browser: pairs the simulated series of a plot (sim_result,
// rux_nresult) with its observations (measurements) for soil organic carbon (code 7),
// total nitrogen (code 0) and microbial biomass carbon (code 5), leaving observations
// flagged in tmp_outlist out of the statistics.
class PlotEvaluator {
public:
    explicit PlotEvaluator(const NumberFormat& format = display_number);

    StatsAccumulator& carbon() { return carbon_; }
    StatsAccumulator& nitrogen() { return nitrogen_; }
    StatsAccumulator& microbial() { return microbial_; }

    // Evaluates one plot. With `store` the carbon and nitrogen statistics are written
    // into rux_stat_corg and rux_stat_nt, otherwise reported into the accumulators'
    // lists. Throws db::DbError when a statement fails.
    PlotEvaluation evaluate(db::Connection& c, long long plot, bool store, Phase phase);

private:
    StatsAccumulator carbon_;
    StatsAccumulator nitrogen_;
    StatsAccumulator microbial_;
};

// The plots with results, in plot order: simulated values with a positive mean.
std::vector<long long> plots_with_results(db::Connection& c);

// The phase limit of a plot: half the year number of its last simulated year.
double phase_limit(db::Connection& c, long long plot);

// Adds the rows of a plot's grid whose year number (column `yearNumColumn`) is positive and
// lies in the phase: year_, sim_value and meas_value, an outlier where meas_ID is set.
void add_phase_rows(const Table& rows, const char* yearNumColumn, Phase phase, double limit, StatsAccumulator& acc);

// The three property evaluations; each resets its accumulator, adds the plot's pairs of
// the phase and returns the rows of its grid.
Table evaluate_carbon(db::Connection& c, long long plot, Phase phase, double limit, StatsAccumulator& acc);
Table evaluate_microbial(db::Connection& c, long long plot, Phase phase, double limit, StatsAccumulator& acc);
Table evaluate_nitrogen(db::Connection& c, long long plot, Phase phase, double limit, bool nullInit,
                        StatsAccumulator& acc);

} // namespace vt::eval
