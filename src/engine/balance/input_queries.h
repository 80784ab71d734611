#pragma once
#include <string>

namespace vt::engine {

// The select of the humus balance result: one row per selected plot and year of
// hubi_c_bilanz with the plot's soil; `into` adds the INTO clause that builds huba_fin_res.
std::string humus_balance_select(bool into);

// The carbon model's input query: one row per selected plot and year, ordered by plot and
// year; the sensitivity variant scales BAT, BD and Crep by rux_var_fac row 1.
std::string carbon_input_query(bool sensitivity);

// The initial-observation check: plots whose initial observation lies before their first
// crop or amendment year.
std::string initial_observation_check_query();
// A plot that the initial-observation check would list, if there is one: the same test
// made once per selected plot, with the plot's first crop or amendment year looked up
// through an index of cultivation on FL_ID (`eventIndex`), else taken from one grouped
// pass over cultivation. With the index, `fromObservations` reads the observations in one
// pass instead of searching those of each selected plot (cheaper when most plots are).
std::string initial_observation_conflict_query(bool eventIndex, bool fromObservations = false);

// The plot list of the simulator: selected plots with their climate station and soil.
std::string plot_list_query();

} // namespace vt::engine
