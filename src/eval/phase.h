#pragma once
#include <optional>
#include <string>

namespace vt::eval {

// The temporal phase of an evaluation: all simulated years, or the first or second half
// of the record (split at half the year number of the plot's last simulated year).
enum class Phase { All = 0, Early = 1, Late = 2 };

// "all", "early", "late" (also "0", "1", "2"); nullopt for anything else.
std::optional<Phase> parse_phase(const std::string& text);
// The caption of the phase choice: "all records", "early years", "late years".
const char* phase_caption(Phase phase);
// Whether a year number lies in the phase, given the phase limit h.
bool in_phase(Phase phase, double yearNumber, double limit);

} // namespace vt::eval
