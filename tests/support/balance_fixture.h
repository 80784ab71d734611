#pragma once
#include "db/connection.h"
#include "engine/types/run_config.h"
#include "engine/types/run_hooks.h"

#include <memory>
#include <string>
#include <vector>

namespace vt::test {

// One fresh organic matter addition of a plot-year (a row of opstab).
struct Addition {
    int year = 0;
    double cops = 0;
    double k = 0.01;
    double eta = 0.3;
    double cnr = 40;
    double cnr_alt = 30;
    long long item_ix = 100;
    double part = 100;
    int mkd = 0;
};

// A plot of the fixture with the working-table rows the annual balance reads.
struct PlotSpec {
    long long id = 1;
    std::vector<int> years{2001, 2002, 2003};
    double corg = 1.2, norg = -99, bd = 1.4, skelett = 0, cif = 0.3, max_lts = 0.8, deg = -99;
    double clay = 15, silt = 40, fchw = 15, fbio = 0.02;
    double bat = 30;
    std::string icon = "obsval";
    std::vector<Addition> additions;
    // Observed soil organic carbon (%) by year number, for the deviation summary.
    std::vector<std::pair<int, double>> observations;
    bool selected = true;
};

// A small experiment database in memory with the working tables of a prepared run
// (Crep_year, tmp_soil_prop, tmp_bat, opstab) and the result tables, filled plot by plot.
class BalanceFixture {
public:
    BalanceFixture();
    db::Connection& db() { return *db_; }

    void addPlot(const PlotSpec& p);

    // The run's configuration with its folder for the report files.
    engine::RunConfig config(const std::string& workDir) const;

    // Lines and messages of the last run.
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, std::string>> messages;
    engine::RunHooks hooks();
    bool logHas(const std::string& text) const;
    bool messageHas(const std::string& text) const;

    // One column of rux_nresult for a plot, by year number.
    std::vector<double> nresult(long long fl_id, const std::string& column);

private:
    std::unique_ptr<db::Connection> db_;
};

} // namespace vt::test
