#pragma once
// The options of the commands that veltrano-cli and veltrano-mpi share (run, calibrate,
// uncertainty): one definition, so that both programs take the same command lines.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace vt::options {

struct RunOptions {
    std::string db;
    std::vector<std::string> switches;
    bool prepareOnly = false;
    int jobs = 0;
    bool timings = false;
    bool stepwise = false;
    double sqlProfileMs = -1;
};

inline constexpr const char* kRunDescription =
    "Simulate the plots flagged in site_state (status 1) unattended. Exit code 0: every selected plot simulated; "
    "3: some skipped (count on the last line); 1: failed, stopped or nothing selected";

inline void add_run_options(CLI::App& cmd, RunOptions& o)
{
    cmd.add_option("--db", o.db, "Experiment database file (also DB=FILE)");
    cmd.add_flag("--prepare-only", o.prepareOnly, "Build the working tables and stop before the annual balance");
    cmd.add_option("--jobs", o.jobs,
                   "Threads of the balance: one reads plots and writes their rows, the others simulate (default 0: "
                   "one per core)")
        ->check(CLI::NonNegativeNumber);
    cmd.add_flag("--stepwise", o.stepwise, "Integrate the soil pools Euler step by Euler step (the reference; slower)");
    cmd.add_flag("--timings", o.timings, "Print the time of each phase of the run on standard error");
    cmd.add_option("--sql-profile", o.sqlProfileMs,
                   "Print every statement that ran at least MS milliseconds, with its time, on standard error")
        ->check(CLI::NonNegativeNumber);
    cmd.add_option("switches", o.switches,
                   "Run switches: GO, nw, !, BAT=0/1, new_bat, M=method, RC=n, TC=year, SC=scheme, I=n, "
                   "PPQ=file, POQ=file, UNCAS, ID=plot, ERR_P[nnnnnn]");
}

struct CalibrateOptions {
    std::string db;
    std::string plots;
    std::string experiment;
    std::vector<std::string> params;
    int property = 7;
    int jobs = 0;
    int maxIterations = 100;
    bool apply = false;
    std::string undo;  // the run time of an applied calibration to undo (veltrano-cli)
};

inline constexpr const char* kCalibrateDescription =
    "Fit model constants and input factors to the observations. Exit code 0: fitted and stored; 3: stored, but some "
    "chosen plots were skipped (named on standard error); 1: nothing stored; 2: input refused";

inline void add_calibrate_options(CLI::App& cmd, CalibrateOptions& o)
{
    cmd.add_option("--db", o.db, "Database file")->required();
    cmd.add_option("--plots", o.plots, "Plots to fit, e.g. 101,102 (default: the plots flagged in site_state)");
    cmd.add_option("--experiment", o.experiment, "Fit the plots of this experiment (versuch_code)");
    cmd.add_option("--param", o.params,
                   "NAME=LOW:HIGH, repeatable; NAME one of K_AOS, K_AKT, K_STAB, K_DEG, CNR_OBS, F_BAT, F_BD, F_CREP, "
                   "or a parameter of a substance or crop: gldopspa.ITEM.K|ETA|CNR, gldpflan.ITEM.CEWR|FEWR "
                   "(table.item_ix.column)")
        ->required();
    cmd.add_option("--property", o.property,
                   "Observed property: 7 organic carbon (default), 0 total nitrogen, 5 microbial carbon");
    cmd.add_option("--jobs", o.jobs, "Threads (default 0: one per core)")->check(CLI::NonNegativeNumber);
    cmd.add_option("--max-iterations", o.maxIterations, "Iterations of the fit at most (default 100)")
        ->check(CLI::PositiveNumber);
    cmd.add_flag("--apply", o.apply,
                 "Write the fitted substance and crop parameters into their tables and store the fitted constants as "
                 "a new gldaparm row; the previous values are kept in rux_calibration");
}

struct UncertaintyOptions {
    std::string db;
    std::string plots;
    std::string experiment;
    std::vector<std::string> params;
    std::size_t samples = 0;
    std::uint64_t seed = 1;
    int jobs = 0;
};

inline constexpr const char* kUncertaintyDescription =
    "Monte Carlo uncertainty of the simulated organic carbon and nitrogen. Exit code 0: every sample stored; 3: some "
    "samples failed or plots were skipped (named on standard error); 1: nothing stored";

inline void add_uncertainty_options(CLI::App& cmd, UncertaintyOptions& o)
{
    cmd.add_option("--db", o.db, "Database file")->required();
    cmd.add_option("--plots", o.plots, "Plots, e.g. 101,102 (default: the plots flagged in site_state)");
    cmd.add_option("--experiment", o.experiment, "The plots of this experiment (versuch_code)");
    cmd.add_option("--samples", o.samples, "Number of samples")->required()->check(CLI::PositiveNumber);
    cmd.add_option("--seed", o.seed, "Seed of the random numbers (default 1)");
    cmd.add_option("--param", o.params,
                   "NAME=normal(MEAN,SD) | uniform(LOW,HIGH) | lognormal(MU,SIGMA), repeatable; NAME one of "
                   "K_AOS, K_AKT, K_STAB, K_DEG, CNR_OBS, F_BAT, F_BD, F_CREP")
        ->required();
    cmd.add_option("--jobs", o.jobs, "Threads (default 0: one per core)")->check(CLI::NonNegativeNumber);
}

} // namespace vt::options
