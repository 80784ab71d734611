#pragma once
#include "db/connection.h"

#include <string>

namespace vt::test {

// The tables of an experiment database that the evaluation, the outlier indication and
// the nitrogen balance read, with the columns they use and no rows.
void create_eval_tables(db::Connection& c);

// Adds a plot (field_description and site_state rows).
void add_plot(db::Connection& c, long long plot, const std::string& icon = "obsval", const std::string& repCnt = "0",
              long long climate = 1);

// One observation; returns its meas_ID.
long long add_observation(db::Connection& c, long long plot, int mix, int year, int yearNumber, double value);

// One simulated year: a sim_result row (m_ix 7, carbon) and a rux_nresult row with the
// given nitrogen and microbial carbon.
void add_simulated_year(db::Connection& c, long long plot, int year, int yearNumber, double carbon,
                        double nitrogen = 0, double cmic = 0);

} // namespace vt::test
