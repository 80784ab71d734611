#pragma once
#include "db/model_constant_defaults.h"

#include <string>
#include <vector>

namespace vt::engine {

// A selected plot that a run does not simulate, and why.
struct SkippedPlot {
    long long plot = 0;
    std::string reason;
};

// Rate constants and soil water suctions of a run, from gldaparm item_ix 1 with these
// defaults.
struct ModelConstants {
    double ks = db::model_defaults::kStab;    // K_STAB: stabilisation, active -> stabilised, per BAT-day
    double km = db::model_defaults::kAos;     // K_AOS: mineralisation of active organic matter, per BAT-day
    double ka = db::model_defaults::kAkt;     // K_AKT: activation, stabilised -> active, per BAT-day
    double kd = db::model_defaults::kDeg;     // K_DEG: decay of the long-term stable pool (Hassink option)
    double cnrsom = db::model_defaults::cnrObs;  // CNR_OBS: C/N ratio of soil organic matter
    double hpwp = db::model_defaults::hPwp;   // H_PWP: 10^4.2 hPa, wilting point
    double hfc = db::model_defaults::hFc;     // H_FC: 10^1.8 hPa, field capacity
};

// Everything a run reads of its configuration: the settings file, then the command line,
// then gldaparm. Field names follow the simulator's run fields.
struct RunConfig {
    // Database and method
    std::string database = "?";
    std::string methode = "RUX";
    std::string modus = "RUX";       // application mode: "RUX", "ACC", "KORVANIC"
    bool regional_mode = false;      // cultivation has `part`, or appmode "REGIO"

    // Soil water and pedotransfer
    int hymode = 0;                  // ptfmode: 1 Brooks/Corey, 2 Vereecken, 3 Lieberoth, 4 Zacharias
    double pf_wp = 4.2;
    double pf_fk = 1.8;
    std::string soil_scheme = "RBS";
    int interpol = 0;                // -1 min, 0 mean, 1 max silt of the texture class

    // Biologically active time
    bool recalc_bat = true;
    bool simple_version = true;      // false with "new_bat"

    // Model options
    bool dyn_lts = false;
    bool dyn_bd = false;
    int hassink = 0;
    int scenario_ctrl = 0;           // 0 never, 1 finally, 2 every year: store the SOM state
    bool uncas_mode = false;         // sensitivity factors of rux_var_fac

    // Repetition cycles
    int z_cnt = 0;
    int z_anf = -99;

    // Protocol, selection, scripts
    bool sim_prot = false;
    int run_id = -99;
    std::string sel_id = "?";
    bool pre_processing = false;
    std::string pre_proc_query = "?";
    bool pst_processing = false;
    std::string pst_proc_query = "?";

    // Batch use
    bool auto_mode = false;          // "GO"
    bool nowait = false;             // "nw", "!"

    // R interface
    std::string r_call, r_script, r_result;

    // Initial-condition source handed over by the browser ("*" when none); the browser's
    // current plot in "ACC" mode.
    std::string pre_cond = "*";
    std::string rux_icon;            // "null": accumulation of fresh organic matter only
    long long acc_plot = -1;

    // Folder where the run writes rux_report.txt and rux_check_init.sql.
    std::string work_dir = ".";

    // Number of threads working on the balance: the run's thread reads the plots and writes
    // their rows, the others simulate (1: strictly sequential on the run's thread; 0: one
    // per core). The rows written are the same for every number.
    int jobs = 0;
    // Integrate the soil pools step by step (the reference) instead of summing the full
    // Euler steps of a year at once; the two agree to about 1e-13 relative.
    bool stepwise = false;

    ModelConstants k;

    // Settings or switches that could not be read and fell back to their defaults; the
    // run log shows them after its header.
    std::vector<std::string> config_warnings;
    // Selected plots whose input the run's check found out of its plausible ranges (or
    // without climate): set by the run for its balance, which names them with the others
    // it skips.
    std::vector<SkippedPlot> input_skipped{};
    // Values the run cannot start with (a setting out of its range, a script file that
    // does not exist), each naming its key or file.
    std::vector<std::string> config_errors;
};

} // namespace vt::engine
