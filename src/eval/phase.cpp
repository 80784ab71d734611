#include "eval/phase.h"

namespace vt::eval {

std::optional<Phase> parse_phase(const std::string& text)
{
    if (text == "all" || text == "0") return Phase::All;
    if (text == "early" || text == "1") return Phase::Early;
    if (text == "late" || text == "2") return Phase::Late;
    return std::nullopt;
}

const char* phase_caption(Phase phase)
{
    switch (phase) {
    case Phase::Early: return "early years";
    case Phase::Late: return "late years";
    case Phase::All: break;
    }
    return "all records";
}

bool in_phase(Phase phase, double yearNumber, double limit)
{
    switch (phase) {
    case Phase::Early: return yearNumber <= limit;
    case Phase::Late: return yearNumber > limit;
    case Phase::All: break;
    }
    return true;
}

} // namespace vt::eval
